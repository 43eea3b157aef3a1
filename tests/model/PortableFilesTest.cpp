// What a save and a load must do the same way on every system: replace an existing file,
// keep names that are not ASCII, split names as the system does, follow links, and take
// only what the platform's share modes allow.
#include "model/BigEndianFileStream.h"
#include "model/ORVAError.h"
#include "model/ORVAFile.h"
#include "model/PathText.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <fstream>

namespace orva {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TTempDir;
using test::TTestFileBuilder;
using test::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

class PortableFilesTest : public ::testing::Test {
protected:
    fs::path In(const std::string& utf8Name) const { return PathFromText(dir.Path(utf8Name)); }
    TTempDir dir;
};

TEST_F(PortableFilesTest, SavingOntoAnExistingFileReplacesItWhole)
{
    const fs::path target = In("old.ave");
    WriteBytes(target, Bytes(5000, 0xEE)); // longer than the new file: no old tail may remain
    TTestFileBuilder b = TTestFileBuilder::Average(1, 2, 3, 4);
    b.WriteTo(In("in.ave"));
    TORVAFile f = test::LoadChecked(dir.Path("in.ave"));
    f.SaveToFile(target);
    EXPECT_EQ(ReadBytes(target), b.Build());
    f.SaveToFile(target); // and once more over the file it wrote itself
    EXPECT_EQ(ReadBytes(target), b.Build());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Root()), {}), 2) << "a temporary file was left";
}

TEST_F(PortableFilesTest, NamesBeyondAsciiAreWrittenAndReadUnderThatName)
{
    const std::string name = "M\xC3\xBCller \xC3\xA4 \xCE\xB1\xE2\x82\xAC.ave"; // Müller ä α€.ave
    TTestFileBuilder b = TTestFileBuilder::Average(1, 1, 2, 3);
    b.WriteTo(In("in.ave"));
    TORVAFile f = test::LoadChecked(dir.Path("in.ave"));
    f.SaveToFile(In(name));

    bool listed = false;
    for (const auto& entry : fs::directory_iterator(dir.Root()))
        listed |= PathText(entry.path().filename()) == name;
    EXPECT_TRUE(listed) << "the file is not listed under its name";

    TORVAFile back;
    EXPECT_EQ(back.CheckFile(In(name)), "");
    back.LoadFromFile(In(name));
    EXPECT_EQ(back.FileName, name);
    EXPECT_EQ(PathText(back.FullFileName), PathText(In(name)));
    std::vector<std::string> lines;
    back.GetHeaderText(lines);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "   Full File Name : " + PathText(In(name))), lines.end());
}

TEST(PathText, NamePartAndFolderPartFollowTheSystem)
{
    struct Case {
        const char* path;
        const char* name;
        const char* folder;
    };
#ifdef _WIN32
    const Case cases[] = {
        {"C:\\data\\s01.ave", "s01.ave", "C:\\data\\"},
        {"C:/data/s01.ave", "s01.ave", "C:/data/"},
        {"C:s01.ave", "s01.ave", "C:"},
        {"\\\\server\\share\\s01.ave", "s01.ave", "\\\\server\\share\\"},
        {"data\\sub/s01.ave", "s01.ave", "data\\sub/"},
        {"s01.ave", "s01.ave", ""},
    };
#else
    const Case cases[] = {
        {"/data/s01.ave", "s01.ave", "/data/"},
        {"data/sub/s01.ave", "s01.ave", "data/sub/"},
        {"C:\\data\\s01.ave", "C:\\data\\s01.ave", ""}, // a backslash is part of a POSIX name
        {"s01.ave", "s01.ave", ""},
    };
#endif
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFileName(PathFromText(c.path)), c.name) << c.path;
        EXPECT_EQ(PathText(ExtractFilePath(PathFromText(c.path))), c.folder) << c.path;
    }
}

#ifndef _WIN32 // symbolic links need no privilege only on POSIX systems
TEST_F(PortableFilesTest, SavingThroughALinkReplacesTheLinkedFileAndKeepsTheLink)
{
    fs::create_directory(In("real"));
    WriteBytes(In("real/target.ave"), {1, 2, 3});
    fs::create_symlink("real/target.ave", In("link.ave"));
    {
        TBigEndianFileStream s(In("link.ave"), TFileMode::fmCreate);
        s.WriteInt16(0x0102);
        s.Commit();
    }
    EXPECT_TRUE(fs::is_symlink(In("link.ave")));
    EXPECT_EQ(ReadBytes(In("real/target.ave")), (Bytes{1, 2}));
    EXPECT_EQ(std::distance(fs::directory_iterator(In("real")), {}), 1) << "a temporary file was left";

    fs::create_symlink("loop-b", In("loop-a"));
    fs::create_symlink("loop-a", In("loop-b"));
    try {
        TBigEndianFileStream s(In("loop-a"), TFileMode::fmCreate);
        FAIL() << "wrote through a loop of links";
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Cause(), "Cannot create file: Too many levels of symbolic links");
    }
}
#endif

#ifdef _WIN32 // POSIX has no share modes: another program may write a file that is being read
TEST_F(PortableFilesTest, AFileBeingReadCannotBeWrittenByOthers)
{
    WriteBytes(In("held.ave"), {1, 2, 3, 4});
    {
        TBigEndianFileStream s(In("held.ave"), TFileMode::fmOpenRead);
        std::ofstream other(In("held.ave"), std::ios::binary | std::ios::app);
        EXPECT_FALSE(other.is_open()) << "another program could write the file while it was read";
        std::ifstream reader(In("held.ave"), std::ios::binary);
        EXPECT_TRUE(reader.is_open()) << "reading alongside should stay possible";
    }
    std::ofstream later(In("held.ave"), std::ios::binary | std::ios::app);
    EXPECT_TRUE(later.is_open()) << "the file stayed locked after the stream was closed";
}
#endif

} // namespace
} // namespace orva
