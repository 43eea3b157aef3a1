// The permutation run over threads as the desktop window drives it: progress counts every
// permutation whichever thread computed it, and a cancel thrown by the progress display comes
// out of the call with every worker stopped, leaving nothing behind for the next run.
#include "tests/support/RecordingProgress.h"
#include "tools/ClusterTValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace orva {
namespace {

// 14 subjects (8192 sign patterns up to the global flip, so 3000 are drawn), 6 channels in
// a chain x 30 samples, an effect at half the channels over a quarter of the samples.
TClusterData Study()
{
    TClusterData d;
    d.Design = TClusterDesign::OneSample;
    d.Channels = 6;
    d.Samples = 30;
    d.N1 = 14;
    d.Neighbours.resize(6);
    for (int c = 0; c + 1 < 6; ++c) {
        d.Neighbours[static_cast<std::size_t>(c)].push_back(c + 1);
        d.Neighbours[static_cast<std::size_t>(c + 1)].push_back(c);
    }
    std::uint64_t state = 11;
    for (int i = 0; i < d.N1; ++i)
        for (int c = 0; c < d.Channels; ++c)
            for (int s = 0; s < d.Samples; ++s) {
                state = state * 6364136223846793005ull + 1442695040888963407ull;
                const double noise = static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
                d.First.push_back(noise + (c < 3 && s >= 8 && s < 16 ? 0.4 : 0.0));
            }
    return d;
}

TClusterTestOptions Options(int jobs, bool tfce)
{
    TClusterTestOptions o;
    o.Permutations = 3000;
    o.Seed = 5;
    o.Jobs = jobs;
    o.Tfce = tfce;
    o.TfceStep = 0.25;
    return o;
}

struct ECancelled : std::runtime_error {
    ECancelled() : std::runtime_error("cancelled") {}
};

// Throws from Advance once `after` permutations are reported, as the progress window's
// Cancel button does; counts what it is told, and what it is told afterwards.
class TCancellingProgress : public test::TRecordingProgress {
public:
    explicit TCancellingProgress(std::int64_t after = std::numeric_limits<std::int64_t>::max()) : after_(after) {}
    void Advance(std::int64_t count) override
    {
        if (Cancelled)
            ++CallsAfterCancel;
        TRecordingProgress::Advance(count);
        Advanced += count;
        if (Advanced >= after_ && !Cancelled) {
            Cancelled = true;
            throw ECancelled();
        }
    }
    std::int64_t Advanced = 0;
    bool Cancelled = false;
    int CallsAfterCancel = 0;

private:
    std::int64_t after_;
};

void ExpectSameResult(const TClusterTestResult& a, const TClusterTestResult& b)
{
    EXPECT_EQ(a.Null, b.Null); // bit for bit
    EXPECT_EQ(a.T, b.T);
    EXPECT_EQ(a.TfceScore, b.TfceScore);
    EXPECT_EQ(a.ClusterOf, b.ClusterOf);
    ASSERT_EQ(a.PCorrected.size(), b.PCorrected.size());
    for (std::size_t p = 0; p < a.PCorrected.size(); ++p) {
        if (!(std::isnan(a.PCorrected[p]) && std::isnan(b.PCorrected[p]))) {
            EXPECT_EQ(a.PCorrected[p], b.PCorrected[p]) << p;
        }
    }
    ASSERT_EQ(a.Clusters.size(), b.Clusters.size());
    for (std::size_t c = 0; c < a.Clusters.size(); ++c) {
        EXPECT_EQ(a.Clusters[c].Mass, b.Clusters[c].Mass);
        EXPECT_EQ(a.Clusters[c].P, b.Clusters[c].P);
        EXPECT_EQ(a.Clusters[c].Points, b.Clusters[c].Points);
    }
}

TEST(ClusterRun, ProgressCountsThePermutationsOfEveryThread)
{
    const TClusterData d = Study();
    for (int jobs : {1, 2, 3}) {
        TCancellingProgress progress;
        const TClusterTestResult r = RunClusterTest(d, Options(jobs, false), "study", &progress);
        // The observed map is not a permutation to wait for; every other one is reported once.
        EXPECT_EQ(progress.Calls, (std::vector<std::string>{"Begin Permutations", "End"})) << jobs;
        EXPECT_EQ(progress.Advanced, 2999) << jobs;
        EXPECT_EQ(progress.Maximum, 1 + 2999) << jobs;
        EXPECT_EQ(progress.Running, 0) << jobs;
        EXPECT_FALSE(progress.PositionReachedMaximumEarly) << jobs;
        EXPECT_GT(progress.EventTurns, 0) << jobs;
        EXPECT_EQ(r.Null.size(), 3000u);
    }
}

TEST(ClusterRun, ACancelStopsEveryWorkerAndTheNextRunIsWhole)
{
    const TClusterData d = Study();
    for (bool tfce : {false, true}) {
        const TClusterTestResult uncancelled = RunClusterTest(d, Options(1, tfce), "study");
        ASSERT_EQ(uncancelled.Null.size(), 3000u);
        ASSERT_TRUE(tfce || !uncancelled.Clusters.empty());
        for (int jobs : {1, 2}) {
            TCancellingProgress cancelling(200);
            EXPECT_THROW(RunClusterTest(d, Options(jobs, tfce), "study", &cancelling), ECancelled) << jobs;
            // The call came back (every worker joined), the display was closed, and nothing
            // reported progress once the cancel was thrown.
            EXPECT_TRUE(cancelling.Cancelled) << jobs;
            EXPECT_EQ(cancelling.Running, 0) << jobs;
            EXPECT_EQ(cancelling.Calls.back(), "End") << jobs;
            EXPECT_EQ(cancelling.CallsAfterCancel, 0) << jobs;
            EXPECT_LT(cancelling.Advanced, 2999) << jobs;

            // A following run, with the same display or another, is the full result.
            test::TRecordingProgress progress;
            const TClusterTestResult again = RunClusterTest(d, Options(jobs, tfce), "study", &progress);
            EXPECT_EQ(progress.Running, 0);
            ExpectSameResult(again, uncancelled);
        }
    }
}

// A cancel at the first report, while the workers have barely started, more workers than
// cores.
TEST(ClusterRun, ACancelAtTheFirstReportStillJoinsTheWorkers)
{
    const TClusterData d = Study();
    for (int jobs : {2, 4}) {
        TCancellingProgress cancelling(1);
        EXPECT_THROW(RunClusterTest(d, Options(jobs, false), "study", &cancelling), ECancelled) << jobs;
        EXPECT_EQ(cancelling.Running, 0);
        const TClusterTestResult again = RunClusterTest(d, Options(jobs, false), "study");
        ExpectSameResult(again, RunClusterTest(d, Options(1, false), "study"));
    }
}

// The maps of a block of permutations equal those computed one at a time by the one-pass
// formulas, bit for bit: each map's sums run over the subjects in order.
TEST(ClusterRun, BlockedMapsAreTheMapsOfEachPermutationAlone)
{
    const TClusterData one = Study();
    TClusterData two = one;
    two.Design = TClusterDesign::Independent;
    two.N1 = 5;
    two.N2 = 9;
    two.Second.assign(two.First.begin() + 5 * 180, two.First.end());
    two.First.resize(5 * 180);
    const TClusterData& split = two;
    const int points = 180;
    for (const TClusterData* data : {&one, &split}) {
        const TPointValues v(*data);
        const int n = data->N1 + data->N2;
        std::vector<double> signs(static_cast<std::size_t>(n * kTBlock));
        std::vector<unsigned char> groups(static_cast<std::size_t>(n * kTBlock));
        // Pattern k flips the subjects whose bit k of (i + 1) * 37 is set; split k puts values
        // k, k + 3, ... (modulo n) in the first group.
        for (int k = 0; k < kTBlock; ++k) {
            for (int i = 0; i < n; ++i)
                signs[static_cast<std::size_t>(i * kTBlock + k)] = (((i + 1) * 37) >> k) & 1 ? -1.0 : 1.0;
            for (int j = 0; j < data->N1; ++j)
                groups[static_cast<std::size_t>(((k + 3 * j) % n) * kTBlock + k)] = 1;
        }
        std::vector<double> t(static_cast<std::size_t>(kTBlock * points));
        const bool flips = data->Design == TClusterDesign::OneSample;
        if (flips)
            FlippedTBlock(v, signs.data(), t.data());
        else
            SplitTBlock(v, groups.data(), t.data());
        for (int k = 0; k < kTBlock; ++k)
            for (int p = 0; p < points; ++p) {
                const double* x = v.Of(p);
                double expected = 0;
                if (flips) {
                    double sum = 0, squares = 0;
                    for (int i = 0; i < n; ++i) {
                        sum += signs[static_cast<std::size_t>(i * kTBlock + k)] * x[i];
                        squares += x[i] * x[i];
                    }
                    const double mean = sum / n;
                    expected = mean / std::sqrt((squares - sum * mean) / (n - 1) / n);
                } else {
                    double s[2] = {}, q[2] = {};
                    for (int i = 0; i < n; ++i) {
                        const int g = groups[static_cast<std::size_t>(i * kTBlock + k)] ? 0 : 1;
                        s[g] += x[i];
                        q[g] += x[i] * x[i];
                    }
                    const double m1 = s[0] / data->N1, m2 = s[1] / data->N2;
                    const double variance = ((q[0] - s[0] * m1) + (q[1] - s[1] * m2)) / (n - 2);
                    expected = (m1 - m2) / std::sqrt(variance * (1.0 / data->N1 + 1.0 / data->N2));
                }
                EXPECT_EQ(t[static_cast<std::size_t>(k * points + p)], expected) << k << " " << p;
            }
    }
}

} // namespace
} // namespace orva
