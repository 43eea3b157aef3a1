// orva interpolate against the core operation, and its refusals as the user sees them.
#include "head/SensorPositions.h"
#include "model/PathText.h"
#include "tests/cli/RunOrva.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"
#include "tools/ChannelInterpolation.h"

#include <gtest/gtest.h>

#include <fstream>

namespace orva::test {
namespace {

class OrvaInterpolate : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(RunOrva({"demo", dir.Root()}).ExitStatus, 0);
        // The demo's sensors under other names, with the names file that matches them.
        std::ofstream sfp(PathFromText(dir.Path("named.sfp")), std::ios::binary);
        std::ofstream names(PathFromText(dir.Path("names.txt")), std::ios::binary);
        for (const auto& s : ReadSensorPositions(PathFromText(dir.Path("demo.sfp")))) {
            sfp << "ch" << s.Label << ' ' << s.X << ' ' << s.Y << ' ' << s.Z << '\n';
            names << "ch" << s.Label << '\n';
        }
    }
    TTempDir dir;
};

TEST_F(OrvaInterpolate, WritesWhatTheCoreComputesForBothKinds)
{
    TInterpolationOptions options;
    options.Channels = {2, 16, 39};
    options.Excluded = {63};
    options.Sensors = ReadSensorPositions(PathFromText(dir.Path("demo.sfp")));
    options.Origin = {0, 0, 1.5};
    for (const char* name : {"demo.ave", "demo.ses"}) {
        const TOrvaRun run = RunOrva({"interpolate", dir.Path(name), "--positions", dir.Path("demo.sfp"), "--chans",
                                      "3 17 40", "--exclude", "64", "--origin", "0", "0", "1.5", "-o",
                                      dir.Path(std::string("out-") + name)});
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        const TORVAFile expected = InterpolateChannels(LoadChecked(dir.Path(name)), options).File;
        EXPECT_EQ(LoadChecked(dir.Path(std::string("out-") + name)).Cells[1].Data,
                  expected.Cells[1].Data)
            << name;
    }
    // The same channels under names of a names file, into a folder.
    std::filesystem::create_directory(PathFromText(dir.Path("named")));
    const TOrvaRun named =
        RunOrva({"interpolate", dir.Path("demo.ave"), "--positions", dir.Path("named.sfp"), "--channel-names",
                 dir.Path("names.txt"), "--chans", "3 17 40", "--exclude", "64", "--origin", "0", "0", "1.5",
                 "--out-dir", dir.Path("named")});
    ASSERT_EQ(named.ExitStatus, 0) << named.Err;
    EXPECT_EQ(ReadBytes(dir.Path("named/demo.ave")), ReadBytes(dir.Path("out-demo.ave")));
}

TEST_F(OrvaInterpolate, RefusalsNameTheFileAndWriteNothing)
{
    auto refused = [&](std::vector<std::string> args, const std::string& expected) {
        args.insert(args.begin(), "interpolate");
        args.insert(args.end(), {"-o", dir.Path("out.ave")});
        const TOrvaRun run = RunOrva(args);
        EXPECT_EQ(run.ExitStatus, 1);
        EXPECT_NE(run.Err.find(expected), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(PathFromText(dir.Path("out.ave"))));
    };
    refused({dir.Path("demo.ave"), "--positions", dir.Path("none.sfp"), "--chans", "1"}, dir.Path("none.sfp") + ":");
    refused({dir.Path("demo.ave"), "--positions", dir.Path("names.txt"), "--chans", "1"},
            "not a sensor positions file");
    // Named positions without the names: no channel E1 among the labels.
    refused({dir.Path("demo.ave"), "--positions", dir.Path("named.sfp"), "--chans", "1"},
            dir.Path("demo.ave") + ": channel 1 (E1) has no position in " + dir.Path("named.sfp") + "\n");
    // A source at --origin: the positions file and the sensor's line.
    refused({dir.Path("demo.ave"), "--positions", dir.Path("named.sfp"), "--channel-names", dir.Path("names.txt"),
             "--chans", "2", "--origin", "0", "0", "9"},
            dir.Path("named.sfp") + ": line 1: sensor chE1 lies at the origin (0 0 9), so it has no direction\n");
    refused({dir.Path("demo.ave"), "--positions", dir.Path("demo.sfp"), "--chans", "1", "--origin", "0", "x", "0"},
            "--origin needs three numbers");
    refused({dir.Path("demo.ave"), "--positions", dir.Path("demo.sfp")}, "--chans");
}

} // namespace
} // namespace orva::test
