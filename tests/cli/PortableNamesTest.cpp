// The batch tool with the file names researchers give it on every system: a target that
// exists, names beyond ASCII, and the name without folder where a report shows it.
#include "model/PathText.h"
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::test {
namespace {

TEST(OrvaFileNames, SaveOntoAnExistingFileLeavesTheNewBytes)
{
    TTempDir dir;
    TTestFileBuilder b = TTestFileBuilder::Session(2, 3, 4, 5);
    b.WriteTo(dir.Path("in.ses"));
    WriteBytes(dir.Path("out.ses"), std::vector<std::uint8_t>(9000, 0x55));
    TOrvaRun run = RunOrva({"save", dir.Path("in.ses"), dir.Path("out.ses")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(ReadBytes(dir.Path("out.ses")), b.Build());
}

TEST(OrvaFileNames, NamesBeyondAsciiPassThroughEveryCommand)
{
    TTempDir dir;
    const std::string name = "M\xC3\xBCller \xC3\xA4.ave"; // Müller ä.ave
    TTestFileBuilder::Average(1, 2, 3, 4).WriteTo(dir.Path("in.ave"));
    TOrvaRun run = RunOrva({"save", dir.Path("in.ave"), dir.Path(name)});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_TRUE(std::filesystem::exists(PathFromText(dir.Path(name))));

    run = RunOrva({"header", dir.Path(name)});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_NE(run.Out.find("   Full File Name : " + dir.Path(name) + "\n"), std::string::npos) << run.Out;

    run = RunOrva({"export-text", dir.Path(name), dir.Path("out.txt"), "--decimal-separator", "."});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const std::string text = ReadText(dir.Path("out.txt"));
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "Source file:" + name);

    run = RunOrva({"scatter", dir.Path(name), dir.Path(name + " cells")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(run.Out, dir.Path(name + " cells_Cell1") + "\n");
    EXPECT_TRUE(std::filesystem::exists(PathFromText(dir.Path(name + " cells_Cell1"))));

    run = RunOrva({"check", dir.Path("Gr\xC3\xB6\xC3\x9F" "e fehlt.ave")}); // Größe fehlt.ave, missing
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find(dir.Path("Gr\xC3\xB6\xC3\x9F" "e fehlt.ave") + ": Cannot open file for reading: "),
              std::string::npos)
        << run.Err;
}

} // namespace
} // namespace orva::test
