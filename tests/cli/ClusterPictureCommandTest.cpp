// orva cluster-test --picture on the demo study, and the demo's promise through the command:
// the parietal P3 cluster of Target - Standard, nothing significant at the front before 100 ms.
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include "model/PathText.h"

#include <gtest/gtest.h>

#include <sstream>

namespace orva::test {
namespace {

TEST(OrvaClusterPicture, TheDemoStudysP3ClusterDrawnWithItsMap)
{
    TTempDir dir;
    ASSERT_EQ(RunOrva({"demo", dir.Root()}).ExitStatus, 0);
    TOrvaRun run = RunOrva({"cluster-test", dir.Path("demo-study.ave"), "--cells", "2", "1", "--positions",
                            dir.Path("demo.sfp"), "-o", dir.Path("clusters.csv"), "--picture", dir.Path("c.svg"), "-j", "2"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_NE(run.Out.find(dir.Path("c.svg") + "\n"), std::string::npos) << run.Out;
    const std::string svg = ReadText(PathFromText(dir.Path("c.svg")));
    EXPECT_NE(svg.find("Cluster test"), std::string::npos);
    EXPECT_NE(svg.find(" ms, p = 0.0005"), std::string::npos) << "one map, titled by the P3 cluster's times and p";

    // cluster,sign,mass,p,start_ms,end_ms,...: the first row is the P3; no significant row
    // starts at the front before 100 ms (the table has no places, so: none before 100 ms).
    std::istringstream table(ReadText(PathFromText(dir.Path("clusters.csv"))));
    std::string line;
    std::getline(table, line);
    ASSERT_EQ(line.rfind("cluster,sign,mass,p,start_ms,end_ms,", 0), 0u) << line;
    int row = 0;
    while (std::getline(table, line)) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string cell; std::getline(fields, cell, ',');)
            f.push_back(cell);
        ASSERT_GE(f.size(), 6u) << line;
        const double p = std::stod(f[3]), start = std::stod(f[4]), end = std::stod(f[5]);
        if (row++ == 0) {
            EXPECT_LT(p, 0.01) << line;
            EXPECT_GE(start, 200) << line;
            EXPECT_LE(start, 350) << line;
            EXPECT_GE(end, 550) << line;
            EXPECT_LE(end, 700) << line;
        } else if (p < 0.05) {
            EXPECT_GE(start, 100) << "a significant cluster before 100 ms: " << line;
        }
    }
    EXPECT_GE(row, 1);

    run = RunOrva({"cluster-test", dir.Path("demo-study.ave"), "--cells", "2", "1", "--positions", dir.Path("demo.sfp"),
                   "--picture", dir.Path("c.jpg")});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find(".png or .svg"), std::string::npos) << run.Err;
}

} // namespace
} // namespace orva::test
