// The batch commands on many files: order of the results, failures, outputs in a folder.
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::test {
namespace {

class OrvaManyFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Files of different sizes, so that parallel workers finish out of order.
        TTestFileBuilder::Average(3, 4, 400, 16).WriteTo(dir.Path("a.ave"));
        TTestFileBuilder::Session(1, 1, 8, 2).WriteTo(dir.Path("b.ses"));
        TTestFileBuilder::Average(2, 2, 50, 4).WriteTo(dir.Path("c.ave"));
        auto badTag = TTestFileBuilder::Session(1, 2, 3, 4);
        badTag.ByteOrder = 0x04030201;
        badTag.WriteTo(dir.Path("tag.ses"));
        std::filesystem::create_directory(dir.Path("out"));
    }
    std::vector<std::string> Inputs(std::initializer_list<const char*> names) const
    {
        std::vector<std::string> paths;
        for (const char* name : names)
            paths.push_back(dir.Path(name));
        return paths;
    }
    static std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b)
    {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
    TTempDir dir;
};

TEST_F(OrvaManyFiles, CheckNamesEveryFileInTheOrderGiven)
{
    const auto inputs = Inputs({"c.ave", "tag.ses", "a.ave", "missing.ave", "b.ses"});
    const std::string expected = inputs[0] + ": OK\n" + inputs[1] + ": Invalid file tag (byte order: 67305985)\n" +
                                 inputs[2] + ": OK\n" + inputs[3] + ": Cannot open file for reading: No such file or directory\n" + inputs[4] + ": OK\n";
    for (const char* jobs : {"1", "3"}) {
        TOrvaRun run = RunOrva(Join({"check", "-j", jobs}, inputs));
        EXPECT_EQ(run.ExitStatus, 1) << jobs;
        EXPECT_EQ(run.Out, expected) << jobs;
        EXPECT_EQ(run.Err, "orva check: 2 of 5 files failed\n") << jobs;
    }
    TOrvaRun good = RunOrva(Join({"check"}, Inputs({"a.ave", "b.ses"})));
    EXPECT_EQ(good.ExitStatus, 0);
    EXPECT_EQ(good.Err, "");
}

TEST_F(OrvaManyFiles, HeaderGivesEachReportUnderItsFileName)
{
    const auto inputs = Inputs({"a.ave", "b.ses", "c.ave"});
    std::string expected;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        TOrvaRun one = RunOrva({"header", inputs[i]});
        ASSERT_EQ(one.ExitStatus, 0) << one.Err;
        expected += (i > 0 ? "\n==> " : "==> ") + inputs[i] + " <==\n" + one.Out;
    }
    TOrvaRun all = RunOrva(Join({"header", "-j", "2"}, inputs));
    EXPECT_EQ(all.ExitStatus, 0) << all.Err;
    EXPECT_EQ(all.Out, expected);
}

TEST_F(OrvaManyFiles, FilterIntoAFolderMatchesOneFileAtATime)
{
    const auto inputs = Inputs({"a.ave", "tag.ses", "c.ave"});
    TOrvaRun run = RunOrva(Join({"filter", "--cutoff", "20", "--out-dir", dir.Path("out"), "-j", "2"}, inputs));
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("orva: " + inputs[1] + ": Invalid file tag"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("orva filter: 1 of 3 files failed\n"), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("out/tag.ses")));
    for (const char* name : {"a.ave", "c.ave"}) {
        TOrvaRun one = RunOrva({"filter", dir.Path(name), dir.Path(std::string("one_") + name), "--cutoff", "20"});
        ASSERT_EQ(one.ExitStatus, 0) << one.Err;
        EXPECT_EQ(ReadBytes(dir.Path(std::string("out/") + name)), ReadBytes(dir.Path(std::string("one_") + name)))
            << name;
    }
}

TEST_F(OrvaManyFiles, SaveAndScatterKeepTheInputNames)
{
    TOrvaRun save = RunOrva(Join({"save", "--out-dir", dir.Path("out")}, Inputs({"b.ses", "c.ave"})));
    EXPECT_EQ(save.ExitStatus, 0) << save.Err;
    EXPECT_EQ(ReadBytes(dir.Path("out/b.ses")), ReadBytes(dir.Path("b.ses")));
    EXPECT_EQ(ReadBytes(dir.Path("out/c.ave")), ReadBytes(dir.Path("c.ave")));
    TOrvaRun scatter = RunOrva(Join({"scatter", "--out-dir", dir.Path("out"), "-j", "2"}, Inputs({"c.ave", "b.ses"})));
    EXPECT_EQ(scatter.ExitStatus, 0) << scatter.Err;
    // The paths as the tool prints them: absolute, with the system's separator.
    const std::string out = dir.Path("out") + static_cast<char>(std::filesystem::path::preferred_separator);
    EXPECT_EQ(scatter.Out, out + "c.ave_Cell1\n" + out + "c.ave_Cell2\n" + out + "b.ses_Cell1\n");
}

TEST_F(OrvaManyFiles, NeverWritesOverAnInputNorTwoOutputsOfOneName)
{
    // The folder of the inputs: each output would be its input.
    const auto before = ReadBytes(dir.Path("c.ave"));
    TOrvaRun same = RunOrva({"save", "--out-dir", dir.Root(), dir.Path("c.ave")});
    EXPECT_EQ(same.ExitStatus, 1);
    EXPECT_NE(same.Err.find("The output would replace this input"), std::string::npos) << same.Err;
    EXPECT_EQ(ReadBytes(dir.Path("c.ave")), before);
    // Two inputs of one name in different folders: refused before anything is written.
    std::filesystem::create_directory(dir.Path("other"));
    TTestFileBuilder::Average(1, 1, 4, 2).WriteTo(dir.Path("other/c.ave"));
    TOrvaRun twice = RunOrva({"save", "--out-dir", dir.Path("out"), dir.Path("c.ave"), dir.Path("other/c.ave")});
    EXPECT_EQ(twice.ExitStatus, 1);
    EXPECT_NE(twice.Err.find("two inputs are named c.ave"), std::string::npos) << twice.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("out/c.ave")));
    TOrvaRun noFolder = RunOrva({"convert", "--out-dir", dir.Path("nowhere"), dir.Path("c.ave")});
    EXPECT_EQ(noFolder.ExitStatus, 1);
    EXPECT_NE(noFolder.Err.find("no such folder"), std::string::npos) << noFolder.Err;
    TOrvaRun badJobs = RunOrva({"check", "-j", "0", dir.Path("c.ave"), dir.Path("b.ses")});
    EXPECT_EQ(badJobs.ExitStatus, 1);
    EXPECT_EQ(badJobs.Out, "");
}

TEST_F(OrvaManyFiles, ExportLongGivesTheSameTableWithAnyNumberOfJobs)
{
    const auto inputs = Inputs({"c.ave", "a.ave", "b.ses", "c.ave", "a.ave"});
    TOrvaRun one = RunOrva(Join({"export-long", "-j", "1", "-o", dir.Path("one.csv"), "--chans", "1 2"}, inputs));
    ASSERT_EQ(one.ExitStatus, 0) << one.Err;
    const std::string table = ReadText(dir.Path("one.csv"));
    // Every file's rows once, in the order given: c, a, b, c, a.
    EXPECT_LT(table.find("\nc.ave,"), table.find("\na.ave,"));
    EXPECT_LT(table.find("\na.ave,"), table.find("\nb.ses,"));
    EXPECT_LT(table.find("\nb.ses,"), table.rfind("\nc.ave,"));
    for (const char* jobs : {"2", "3", "8"}) {
        TOrvaRun many = RunOrva(Join({"export-long", "-j", jobs, "-o", dir.Path("many.csv"), "--chans", "1 2"}, inputs));
        ASSERT_EQ(many.ExitStatus, 0) << many.Err;
        EXPECT_EQ(ReadText(dir.Path("many.csv")), table) << jobs;
    }
}

TEST_F(OrvaManyFiles, ExportLongWritesNothingWhenAnyFileFails)
{
    TOrvaRun ok = RunOrva(Join({"export-long", "-o", dir.Path("long.csv"), "--chans", "2"}, Inputs({"b.ses", "c.ave"})));
    ASSERT_EQ(ok.ExitStatus, 0) << ok.Err;
    const std::string before = ReadText(dir.Path("long.csv"));
    TOrvaRun bad = RunOrva(
        Join({"export-long", "-o", dir.Path("long.csv"), "--chans", "3", "-j", "2"}, Inputs({"a.ave", "b.ses", "c.ave"})));
    EXPECT_EQ(bad.ExitStatus, 1);
    EXPECT_NE(bad.Err.find("orva: " + dir.Path("b.ses") + ": Channels: 3 is outside"), std::string::npos) << bad.Err;
    EXPECT_NE(bad.Err.find("orva export-long: 1 of 3 files failed"), std::string::npos) << bad.Err;
    EXPECT_EQ(ReadText(dir.Path("long.csv")), before);
}

} // namespace
} // namespace orva::test
