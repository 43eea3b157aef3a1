#include "export/TextFile.h"
#include "model/ORVAError.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva {
namespace {

using test::ReadBytes;
using test::ReadText;
using test::TTempDir;

TEST(TextFile, EveryLineEndsWithCrLfAndBytesStayAsTheyAre)
{
    TTempDir dir;
    const std::string path = dir.Path("out.txt");
    WriteTextLines(path, {"Source file:s01.ave", "", "\tchan#1", "caf\xe9 \x80\xff"});
    EXPECT_EQ(ReadText(path), "Source file:s01.ave\r\n\r\n\tchan#1\r\ncaf\xe9 \x80\xff\r\n");
    WriteTextLines(path, {});
    EXPECT_TRUE(ReadBytes(path).empty());
}

TEST(TextFile, ReplacesAnExistingFileAndLeavesNoTemporaryBehind)
{
    TTempDir dir;
    const std::string path = dir.Path("out.txt");
    WriteTextLines(path, {"a much longer first version of the file", "second"});
    WriteTextLines(path, {"x"});
    EXPECT_EQ(ReadText(path), "x\r\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Root()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(TextFile, ErrorsNameThePath)
{
    TTempDir dir;
    const std::string missing = dir.Path("no such folder/out.txt");
    try {
        WriteTextLines(missing, {"x"});
        FAIL() << "written";
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), missing);
    }
    // A folder in the way is reported and stays a folder.
    std::filesystem::create_directory(dir.Path("folder"));
    EXPECT_THROW(WriteTextLines(dir.Path("folder"), {"x"}), EORVAError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("folder")));
}

} // namespace
} // namespace orva
