// orva cluster-test: the tables it writes and what it refuses before computing.
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace orva::test {
namespace {

class OrvaClusterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // 2 cells of 4 subjects, 10 samples, 3 channels in a chain.
        TTestFileBuilder::Average(2, 4, 10, 3).WriteTo(dir.Path("study.ave"));
        TTestFileBuilder::Average(2, 1, 10, 3).WriteTo(dir.Path("one.ave"));
        Write("chain.txt", "E1: E2\nE2: E1 E3\nE3: E2\n");
    }
    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(dir.Path(name), std::ios::binary) << text;
    }
    TOrvaRun Test(std::vector<std::string> extra)
    {
        std::vector<std::string> args = {"cluster-test", dir.Path("study.ave"), "--cells", "1", "2"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunOrva(args);
    }
    std::vector<std::string> Lines(const std::string& name)
    {
        std::istringstream in(ReadText(dir.Path(name)));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    TTempDir dir;
};

TEST_F(OrvaClusterTest, WritesBothTablesAndTheSummary)
{
    const TOrvaRun run = Test({"--neighbours", dir.Path("chain.txt"), "--threshold", "0.5", "-o", dir.Path("c.csv"),
                               "--points", dir.Path("p.csv")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_NE(run.Out.find("design: paired: cell 1 - cell 2 per subject, n = 4\n"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("threshold: t = 0.500000 (given)\n"), std::string::npos) << run.Out;
    // 4 subjects, two tails: 2^3 sign patterns up to the global flip.
    EXPECT_NE(run.Out.find("permutations: 8 (exact)\n"), std::string::npos) << run.Out;
    const auto clusters = Lines("c.csv");
    ASSERT_GE(clusters.size(), 1u);
    EXPECT_EQ(clusters[0], "cluster,sign,mass,p,start_ms,end_ms,channels,points,peak_t,peak_channel,peak_ms");
    const std::string text = ReadText(dir.Path("c.csv"));
    EXPECT_EQ(text.find('\r'), std::string::npos);
    const auto points = Lines("p.csv");
    ASSERT_EQ(points.size(), 31u); // header and 3 x 10 points
    EXPECT_EQ(points[0], "channel,sample,time_ms,t,p_uncorrected,cluster,p_corrected");
    // Channel 1, sample 1: time, t and p with 3, 6 and 6 decimals.
    EXPECT_TRUE(points[1].rfind("1,1,", 0) == 0) << points[1];
    std::istringstream row(points[1]);
    std::vector<std::string> fields;
    for (std::string f; std::getline(row, f, ',');)
        fields.push_back(f);
    ASSERT_GE(fields.size(), 5u);
    EXPECT_EQ(fields[2].size() - fields[2].find('.'), 4u) << fields[2];
    EXPECT_EQ(fields[3].size() - fields[3].find('.'), 7u) << fields[3];
    EXPECT_EQ(fields[4].size() - fields[4].find('.'), 7u) << fields[4];
    EXPECT_EQ(std::count(points[1].begin(), points[1].end(), ','), 6) << points[1]; // no score without --tfce
}

TEST_F(OrvaClusterTest, TfceScoresEndThePointsAndNearlyEqualValuesAreRefused)
{
    // The builder's subjects differ by nearly the same amount everywhere: |t| is huge, and
    // climbing to it in steps of 0.1 would not end.
    const TOrvaRun endless = Test({"--neighbours", dir.Path("chain.txt"), "--tfce", "--points", dir.Path("p.csv")});
    EXPECT_EQ(endless.ExitStatus, 1);
    EXPECT_NE(endless.Err.find("TFCE would need more than 10000 steps of 0.1"), std::string::npos) << endless.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("p.csv")));

    ASSERT_EQ(RunOrva({"demo", dir.Path("demo")}).ExitStatus, 0);
    const TOrvaRun run = RunOrva({"cluster-test", dir.Path("demo/demo-study.ave"), "--cells", "2", "1", "--positions",
                                  dir.Path("demo/demo.sfp"), "--window", "300", "340", "--chans", "1 2 3 4 5 6 7 8",
                                  "--tfce", "--permutations", "50", "--points", dir.Path("p.csv")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const auto points = Lines("p.csv");
    ASSERT_GT(points.size(), 8u);
    EXPECT_EQ(points[0], "channel,sample,time_ms,t,p_uncorrected,cluster,p_corrected,tfce");
    int scored = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        std::vector<std::string> f;
        std::istringstream row(points[i]);
        for (std::string x; std::getline(row, x, ',');)
            f.push_back(x);
        ASSERT_EQ(f.size(), 8u) << points[i];
        const double t = std::stod(f[3]);
        const double score = std::stod(f[7]);
        EXPECT_TRUE(score == 0 || (score > 0) == (t > 0)) << points[i];
        scored += score != 0;
    }
    EXPECT_GT(scored, 0);
}

TEST_F(OrvaClusterTest, RandomNullsAreTheSameWithAnyJobs)
{
    const std::vector<std::string> common = {"--neighbours", dir.Path("chain.txt"), "--threshold", "0.5",
                                             "--permutations", "5", "--seed", "9"};
    auto with = [&](const char* jobs, const char* null) {
        std::vector<std::string> args = common;
        args.insert(args.end(), {"-j", jobs, "--null", dir.Path(null)});
        return Test(args);
    };
    ASSERT_EQ(with("1", "n1.txt").ExitStatus, 0);
    ASSERT_EQ(with("3", "n3.txt").ExitStatus, 0);
    EXPECT_EQ(Lines("n1.txt").size(), 5u);
    EXPECT_EQ(ReadText(dir.Path("n1.txt")), ReadText(dir.Path("n3.txt")));
}

TEST_F(OrvaClusterTest, RefusesBeforeComputingAndWritesNothing)
{
    Write("short.txt", "E1: E2\nE2: E1\n");
    Write("unknown.txt", "E1: E2\nE2: E1 E9\nE3: E2\n");
    const std::string nb = dir.Path("chain.txt");
    const std::string out = dir.Path("never.csv");
    struct TCase {
        std::vector<std::string> Args;
        std::string Says;
    };
    const std::vector<TCase> cases = {
        {{"--neighbours", nb, "--threshold", "0"}, "--threshold"},
        {{"--neighbours", nb, "--threshold", "-2"}, "--threshold"},
        {{"--neighbours", nb, "--threshold", "nan"}, "--threshold"},
        {{"--neighbours", nb, "--permutations", "0"}, "--permutations"},
        {{"--threshold", "2"}, "neighbours"},
        {{"--neighbours", nb, "--window", "900", "1000"}, "no sample in the window"},
        {{"--neighbours", dir.Path("short.txt")}, "short.txt"},
        {{"--neighbours", dir.Path("unknown.txt")}, "E9"},
        {{"--neighbours", nb, "--chans", "4"}, "4 is outside"},
        {{"--neighbours", nb, "--tfce", "--threshold", "2"}, "--tfce"},
    };
    for (const TCase& c : cases) {
        std::vector<std::string> args = c.Args;
        args.insert(args.end(), {"-o", out});
        const TOrvaRun run = Test(args);
        EXPECT_EQ(run.ExitStatus, 1) << c.Says;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.Says;
    }
    const TOrvaRun one = RunOrva({"cluster-test", dir.Path("one.ave"), "--cells", "1", "2", "--neighbours", nb});
    EXPECT_EQ(one.ExitStatus, 1);
    EXPECT_NE(one.Err.find("at least 2 subjects"), std::string::npos) << one.Err;
    const TOrvaRun groups = RunOrva({"cluster-test", dir.Path("study.ave"), dir.Path("one.ave"), "--cells", "1",
                                     "--neighbours", nb});
    EXPECT_EQ(groups.ExitStatus, 1);
    EXPECT_NE(groups.Err.find("at least 2 each"), std::string::npos) << groups.Err;
}

} // namespace
} // namespace orva::test
