// The demo study that orva cluster-test is shown on: its structure as written and read back,
// and that its data hold what the demo promises (a parietal P3 larger for Target between
// 300 and 600 ms, nothing at the front early, subjects of different noise).
#include "data/DemoData.h"

#include "head/ChannelNeighbours.h"
#include "model/ORVAFile.h"
#include "tools/ClusterInput.h"
#include "tools/ClusterTest.h"
#include "model/PathText.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace orva::test {
namespace {

// The sensor nearest the direction polar degrees from the top towards the nose (negative:
// towards the back).
int NearestSensor(double polar)
{
    const auto sensors = DemoSensorPositions();
    const double a = polar * 3.141592653589793 / 180;
    int best = 0;
    double bestCos = -2;
    for (std::size_t i = 0; i < sensors.size(); ++i) {
        const auto& s = sensors[i];
        const double c = (s.Y * std::sin(a) + s.Z * std::cos(a)) / std::sqrt(s.X * s.X + s.Y * s.Y + s.Z * s.Z);
        if (c > bestCos)
            bestCos = c, best = static_cast<int>(i);
    }
    return best;
}

// The paired t of Target - Standard at one channel, averaged over the samples of a window.
double PairedT(const TORVAFile& f, int channel, double fromMs, double toMs)
{
    const auto& standard = f.Cells[0];
    const auto& target = f.Cells[1];
    std::vector<double> differences;
    for (int s = 0; s < standard.NumObservations; ++s) {
        double sum = 0;
        int count = 0;
        for (int t = 0; t < standard.SamplesPerObservation; ++t) {
            const double ms = t * 1000.0 / standard.SamplesPerSecond - f.GeneralInformation.BaselineDuration;
            if (ms < fromMs || ms > toMs)
                continue;
            sum += CalibratedValue(f, target.Data(s, t, channel), channel) -
                   CalibratedValue(f, standard.Data(s, t, channel), channel);
            ++count;
        }
        differences.push_back(sum / count);
    }
    double mean = 0, var = 0;
    for (double d : differences)
        mean += d / differences.size();
    for (double d : differences)
        var += (d - mean) * (d - mean) / (differences.size() - 1);
    return mean / std::sqrt(var / differences.size());
}

TEST(DemoStudy, WrittenBesideTheDemoAsAStudyOfTwelvePairedSubjects)
{
    TTempDir dir;
    const auto written = WriteDemoFiles(PathFromText(dir.Root()));
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(PathText(written[3]), dir.Path("demo-study.ave"));
    TORVAFile f;
    f.LoadFromFile(written[3]);
    ASSERT_EQ(f.Cells.size(), 2u);
    EXPECT_EQ(f.Cells[0].Name, "Standard");
    EXPECT_EQ(f.Cells[1].Name, "Target");
    EXPECT_EQ(f.DataDescription.NumChannels, 64);
    EXPECT_EQ(f.GeneralInformation.LastSubjectDone, 12);
    EXPECT_EQ(f.GeneralInformation.BaselineDuration, 200);
    for (const auto& cell : f.Cells) {
        EXPECT_EQ(cell.NumObservations, 12);
        EXPECT_EQ(cell.SamplesPerObservation, 250);
        EXPECT_EQ(cell.SamplesPerSecond, 250);
        // Each observation is a subject, numbered as combine numbers them.
        for (int s = 0; s < 12; ++s)
            EXPECT_EQ(cell.TrialSpecifics(s, 1), s + 1);
    }
    // The same bits on every run (and so on every machine).
    const TORVAFile again = MakeDemoStudyFile();
    for (int c = 0; c < 2; ++c)
        EXPECT_TRUE(std::equal(f.Cells[c].Data.data(), f.Cells[c].Data.data() + f.Cells[c].Data.size(),
                               again.Cells[c].Data.data()));
}

TEST(DemoStudy, TheTargetsP3IsLargerAtTheBackLateAndNothingDiffersAtTheFrontEarly)
{
    const TORVAFile f = MakeDemoStudyFile();
    const int parietal = NearestSensor(-40), frontal = NearestSensor(50);
    EXPECT_GT(PairedT(f, parietal, 350, 550), 6);
    EXPECT_LT(std::abs(PairedT(f, parietal, -200, 100)), 3);
    EXPECT_LT(std::abs(PairedT(f, frontal, -200, 100)), 3);
    EXPECT_LT(std::abs(PairedT(f, frontal, 0, 100)), 3);

    // Subjects recorded with different noise: the spread of the baseline differs.
    double quietest = 1e9, noisiest = 0;
    for (int s = 0; s < 12; ++s) {
        double sum = 0, squares = 0;
        int n = 0;
        for (int t = 0; t < 50; ++t) {
            const double v = CalibratedValue(f, f.Cells[0].Data(s, t, frontal), frontal);
            sum += v, squares += v * v, ++n;
        }
        const double sd = std::sqrt(squares / n - (sum / n) * (sum / n));
        quietest = std::min(quietest, sd), noisiest = std::max(noisiest, sd);
    }
    EXPECT_GT(noisiest / quietest, 1.8);
}

// What the demo is for: the paired cluster test of Target against Standard, with the
// triangulation's neighbours of the demo positions and the exact null of 2^11 sign patterns.
TEST(DemoStudy, TheClusterTestFindsTheParietalP3AndNothingFrontalEarly)
{
    const TORVAFile f = MakeDemoStudyFile();
    TClusterInputOptions input;
    input.Cells = {1, 0};
    TClusterInput in = ClusterInputFromFiles(f, nullptr, input);
    const auto sensors = DemoSensorPositions();
    std::vector<TPoint3> directions;
    for (int c : in.Channels)
        directions.push_back({sensors[c].X, sensors[c].Y, sensors[c].Z});
    in.Data.Neighbours = TriangulationNeighbours(directions);
    TClusterTestOptions options;
    options.Permutations = 2048;
    options.Jobs = 2;
    const TClusterTestResult r = RunClusterTest(in.Data, options, "demo-study.ave");
    EXPECT_TRUE(r.Exact);
    ASSERT_FALSE(r.Clusters.empty());
    const TCluster& p3 = r.Clusters[0];
    EXPECT_EQ(p3.Sign, 1);
    EXPECT_LT(p3.P, 0.01);
    const int samples = static_cast<int>(in.TimesMs.size());
    double first = 1e9, last = -1e9, backward = 0;
    for (int p : p3.Points) {
        first = std::min(first, in.TimesMs[static_cast<std::size_t>(p % samples)]);
        last = std::max(last, in.TimesMs[static_cast<std::size_t>(p % samples)]);
        backward += sensors[static_cast<std::size_t>(in.Channels[static_cast<std::size_t>(p / samples)])].Y;
    }
    EXPECT_LE(first, 350) << first << " to " << last;
    EXPECT_GE(first, 200);
    EXPECT_GE(last, 550);
    EXPECT_LE(last, 700);
    EXPECT_LT(backward / p3.Points.size(), -1) << "the cluster's points lie mostly towards the back";
    for (std::size_t k = 0; k < r.Clusters.size(); ++k) {
        if (r.Clusters[k].P >= 0.05)
            continue;
        for (int p : r.Clusters[k].Points) {
            const auto& s = sensors[static_cast<std::size_t>(in.Channels[static_cast<std::size_t>(p / samples)])];
            EXPECT_FALSE(s.Y > 3 && in.TimesMs[static_cast<std::size_t>(p % samples)] < 100)
                << "significant cluster " << k << " at the front before 100 ms";
        }
    }
}

} // namespace
} // namespace orva::test
