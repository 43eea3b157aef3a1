#include "data/DemoData.h"
#include "head/SensorPositions.h"

#include "model/PathText.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orva::test {
namespace {

TEST(DemoPositions, TheWrittenFileReadsBackAsTheDemoSensors)
{
    TTempDir dir;
    const auto written = WriteDemoFiles(PathFromText(dir.Root()));
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(PathText(written[2]), dir.Path("demo.sfp"));
    const auto read = ReadSensorPositions(written[2]);
    const auto made = DemoSensorPositions();
    ASSERT_EQ(read.size(), 64u);
    ASSERT_EQ(made.size(), 64u);
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].Label, "E" + std::to_string(i + 1));
        EXPECT_EQ(read[i].Label, made[i].Label);
        EXPECT_EQ(read[i].X, made[i].X) << i;
        EXPECT_EQ(read[i].Y, made[i].Y) << i;
        EXPECT_EQ(read[i].Z, made[i].Z) << i;
    }
    // The fiducials are in the file but are not sensors.
    EXPECT_EQ(DemoFiducials().size(), 3u);
}

TEST(DemoPositions, SpreadOverTheUpperHead)
{
    const auto s = DemoSensorPositions();
    std::vector<std::string> names;
    for (const auto& p : s)
        names.push_back(p.Label);
    const auto d = ChannelDirections(s, names);
    double closest = 2, sumX = 0, sumY = 0;
    int front = 0, left = 0;
    for (std::size_t i = 0; i < d.size(); ++i) {
        ASSERT_TRUE(d[i]);
        EXPECT_GT(d[i]->Z, -0.35) << s[i].Label; // at most 20 degrees below the ears' level
        sumX += d[i]->X;
        sumY += d[i]->Y;
        front += d[i]->Y > 0;
        left += d[i]->X < 0;
        for (std::size_t j = 0; j < i; ++j) {
            const double dx = d[i]->X - d[j]->X, dy = d[i]->Y - d[j]->Y, dz = d[i]->Z - d[j]->Z;
            closest = std::min(closest, std::sqrt(dx * dx + dy * dy + dz * dz));
        }
    }
    // Roughly even: no two sensors much closer than the spacing of 64 points on the cap,
    // and as many on each side.
    EXPECT_GT(closest, 0.2);
    EXPECT_NEAR(sumX / 64, 0, 0.05);
    EXPECT_NEAR(sumY / 64, 0, 0.05);
    EXPECT_NEAR(front, 32, 4);
    EXPECT_NEAR(left, 32, 4);
}

} // namespace
} // namespace orva::test
