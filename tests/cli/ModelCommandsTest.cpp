#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

namespace orva::test {
namespace {

TEST(OrvaCheck, ReportsWhetherAFileMayBeOpened)
{
    TTempDir dir;
    TTestFileBuilder::Session(1, 2, 3, 4).WriteTo(dir.Path("good.ses"));
    auto badTag = TTestFileBuilder::Session(1, 2, 3, 4);
    badTag.ByteOrder = 0x04030201;
    badTag.WriteTo(dir.Path("tag.ses"));
    auto longer = TTestFileBuilder::Average(1, 1, 2, 2);
    longer.Comment = longer.Text = "";
    longer.PaddingLength = 254;
    longer.Trailing = {0};
    longer.WriteTo(dir.Path("long.ave"));

    struct {
        std::vector<std::string> args;
        int status;
        std::string out;
    } cases[] = {
        {{"check", dir.Path("good.ses")}, 0, "OK\n"},
        {{"check", dir.Path("tag.ses")}, 1, "Invalid file tag (byte order: 67305985)\n"},
        {{"check", dir.Path("long.ave")}, 1, "Bad file length (512+8<>521).\nBad file length\n"},
        {{"check", dir.Path("long.ave"), "--open-anyway"}, 0, "OK\n"},
    };
    for (const auto& c : cases) {
        TOrvaRun run = RunOrva(c.args);
        EXPECT_EQ(run.ExitStatus, c.status) << c.args[1];
        EXPECT_EQ(run.Out, c.out) << c.args[1];
        EXPECT_EQ(run.Err, "") << c.args[1];
    }
}

TEST(OrvaErrors, NameTheFileOnStderrAndExitWithOne)
{
    TTempDir dir;
    const std::string missing = dir.Path("missing.ave");
    TOrvaRun run = RunOrva({"header", missing});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "orva: " + missing + ": Cannot open file for reading: No such file or directory\n");

    auto negative = TTestFileBuilder::Average(1, 1, 1, 1);
    negative.NumCells = -2;
    negative.WriteTo(dir.Path("neg.ave"));
    run = RunOrva({"save", dir.Path("neg.ave"), dir.Path("out.ave"), "--open-anyway"});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(run.Err, "orva: " + dir.Path("neg.ave") + ": Invalid header: NumCells is -2 (must not be negative)\n");

    TTestFileBuilder::Average(1, 1, 1, 1).WriteTo(dir.Path("ok.ave"));
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"no-such-command"}, {"check"}, {"check", "a", "b"}, {"save", dir.Path("ok.ave"), "x", "--bogus"}}) {
        run = RunOrva(args);
        EXPECT_EQ(run.ExitStatus, 1) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(run.Err.empty());
    }
}

TEST(OrvaHelp, EveryCommandExplainsItself)
{
    TOrvaRun overview = RunOrva({"--help"});
    EXPECT_EQ(overview.ExitStatus, 0);
    for (const char* name : {"check", "header", "save", "demo"}) {
        EXPECT_NE(overview.Out.find(std::string("  ") + name), std::string::npos) << name;
        TOrvaRun help = RunOrva({name, "--help"});
        EXPECT_EQ(help.ExitStatus, 0);
        EXPECT_EQ(help.Out.rfind(std::string("usage: orva ") + name, 0), 0u) << help.Out;
    }
}

TEST(OrvaHeaderAndSave, WorkOnTheDemoFiles)
{
    TTempDir dir;
    TOrvaRun demo = RunOrva({"demo", dir.Root()});
    ASSERT_EQ(demo.ExitStatus, 0) << demo.Err;
    EXPECT_EQ(demo.Out, dir.Path("demo.ave") + "\n" + dir.Path("demo.ses") + "\n" + dir.Path("demo.sfp") + "\n" +
                            dir.Path("demo-study.ave") + "\n");

    TOrvaRun header = RunOrva({"header", dir.Path("demo.ses")});
    ASSERT_EQ(header.ExitStatus, 0) << header.Err;
    EXPECT_EQ(header.Out.rfind("\n [File Description]\n   Full File Name : " + dir.Path("demo.ses") + "\n", 0), 0u);
    EXPECT_NE(header.Out.find("   Number of channels: 64\n"), std::string::npos);
    EXPECT_NE(header.Out.find("   Header version : 3 (session file)\n"), std::string::npos);

    for (const char* name : {"demo.ave", "demo.ses"}) {
        EXPECT_EQ(RunOrva({"check", dir.Path(name)}).Out, "OK\n");
        TOrvaRun save = RunOrva({"save", dir.Path(name), dir.Path(std::string("copy-") + name)});
        EXPECT_EQ(save.ExitStatus, 0) << save.Err;
        EXPECT_EQ(ReadBytes(dir.Path(std::string("copy-") + name)), ReadBytes(dir.Path(name)));
    }
}

} // namespace
} // namespace orva::test
