// The cluster test's statistics on data made here, where every value can be worked out
// directly: t, clusters, the exact nulls, p values, the threads, TFCE and the corrections.
#include "tools/ClusterPermutation.h"
#include "tools/ClusterStatistics.h"
#include "tools/ClusterTest.h"
#include "tools/TDistribution.h"
#include "model/ORVAError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace orva {
namespace {

// Channels in a row, each the neighbour of the next.
TChannelNeighbours Chain(int channels)
{
    TChannelNeighbours n(static_cast<std::size_t>(channels));
    for (int c = 0; c + 1 < channels; ++c) {
        n[static_cast<std::size_t>(c)].push_back(c + 1);
        n[static_cast<std::size_t>(c + 1)].push_back(c);
    }
    return n;
}

// Values that look like data: a smooth effect at chosen points plus noise from a fixed LCG.
TClusterData Noisy(TClusterDesign design, int n1, int n2, int channels, int samples, double effect,
                   std::uint64_t seed = 7)
{
    TClusterData d;
    d.Design = design;
    d.Channels = channels;
    d.Samples = samples;
    d.N1 = n1;
    d.N2 = n2;
    d.Neighbours = Chain(channels);
    std::uint64_t state = seed;
    auto noise = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
    };
    auto fill = [&](std::vector<double>& v, int n, double shift) {
        for (int i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                for (int s = 0; s < samples; ++s) {
                    const bool inside = c < channels / 2 && s >= samples / 4 && s < samples / 2;
                    v.push_back((inside ? shift : 0.0) + noise());
                }
    };
    fill(d.First, n1, effect);
    if (design == TClusterDesign::Independent)
        fill(d.Second, n2, 0.0);
    return d;
}

double DirectOneSampleT(const std::vector<double>& x)
{
    const double n = static_cast<double>(x.size());
    double mean = 0;
    for (double v : x)
        mean += v / n;
    double ss = 0;
    for (double v : x)
        ss += (v - mean) * (v - mean);
    return mean / std::sqrt(ss / (n - 1) / n);
}

TEST(ClusterTest, TValuesAreTheDirectFormulasAndZeroVarianceCountsAsZero)
{
    TClusterData d = Noisy(TClusterDesign::OneSample, 6, 0, 3, 5, 0.3);
    for (int i = 0; i < 6; ++i)
        d.First[static_cast<std::size_t>(i * 15 + 4)] = 2.5; // point 4 of every subject: no spread
    TClusterTestOptions o;
    o.Correction = TPointCorrection::Bonferroni;
    const TClusterTestResult r = RunClusterTest(d, o, "data");
    EXPECT_EQ(r.ZeroVariance, 1);
    EXPECT_EQ(r.Df, 5);
    for (int p = 0; p < 15; ++p) {
        std::vector<double> x;
        for (int i = 0; i < 6; ++i)
            x.push_back(d.First[static_cast<std::size_t>(i * 15 + p)]);
        const double expected = p == 4 ? 0.0 : DirectOneSampleT(x);
        EXPECT_NEAR(r.T[static_cast<std::size_t>(p)], expected, 1e-12 * std::fabs(expected)) << p;
        EXPECT_NEAR(r.PUncorrected[static_cast<std::size_t>(p)], 2 * StudentTSurvival(std::fabs(expected), 5), 1e-15);
    }

    TClusterData g = Noisy(TClusterDesign::Independent, 4, 5, 2, 3, 0.4);
    const TClusterTestResult ri = RunClusterTest(g, o, "data");
    EXPECT_EQ(ri.Df, 7);
    for (int p = 0; p < 6; ++p) {
        double s1 = 0, s2 = 0, q = 0;
        for (int i = 0; i < 4; ++i)
            s1 += g.First[static_cast<std::size_t>(i * 6 + p)];
        for (int i = 0; i < 5; ++i)
            s2 += g.Second[static_cast<std::size_t>(i * 6 + p)];
        for (int i = 0; i < 4; ++i)
            q += std::pow(g.First[static_cast<std::size_t>(i * 6 + p)] - s1 / 4, 2);
        for (int i = 0; i < 5; ++i)
            q += std::pow(g.Second[static_cast<std::size_t>(i * 6 + p)] - s2 / 5, 2);
        const double t = (s1 / 4 - s2 / 5) / std::sqrt(q / 7 * (1.0 / 4 + 1.0 / 5));
        EXPECT_NEAR(ri.T[static_cast<std::size_t>(p)], t, 1e-12 * std::fabs(t)) << p;
    }
}

// Clusters of a map given point by point: the finder alone.
TEST(ClusterTest, ClustersAreComponentsOfOneSignOverNeighboursAndAdjacentSamples)
{
    // 3 channels in a chain (0-1, 1-2; 0 and 2 not neighbours) x 4 samples.
    const TChannelNeighbours n = Chain(3);
    const std::vector<double> t = {
        3, 3, 0, -3, // channel 0
        0, 0, 0, -3, // channel 1: the negative run joins channel 0's by the neighbour
        3, 0, 3, 3,  // channel 2: 3 at sample 0 is not next to channel 0 (not neighbours)
    };
    TScoreRule rule;
    rule.Threshold = 3; // strictly beyond: nothing at exactly 3
    TClusterScorer exact(3, 4, n, rule);
    EXPECT_EQ(exact.Largest(t.data()), 0.0);
    EXPECT_TRUE(exact.Finder().Mass.empty());

    rule.Threshold = 2.5;
    TClusterScorer scorer(3, 4, n, rule);
    EXPECT_EQ(scorer.Largest(t.data()), 6.0);
    const TClusterFinder& f = scorer.Finder();
    ASSERT_EQ(f.Mass.size(), 4u);
    EXPECT_EQ(f.Mass, (std::vector<double>{6, -6, 3, 6}));
    EXPECT_EQ(f.Size, (std::vector<int>{2, 2, 1, 2}));
    EXPECT_EQ(f.Sign, (std::vector<int>{1, -1, 1, 1}));
    EXPECT_EQ(f.Label, (std::vector<int>{0, 0, -1, 1, -1, -1, -1, 1, 2, -1, 3, 3}));

    rule.Tail = TClusterTail::Negative;
    TClusterScorer negative(3, 4, n, rule);
    EXPECT_EQ(negative.Largest(t.data()), -6.0);
    EXPECT_EQ(negative.Finder().Mass, (std::vector<double>{-6}));
    rule.Tail = TClusterTail::Positive;
    TClusterScorer positive(3, 4, n, rule);
    EXPECT_EQ(positive.Largest(t.data()), 6.0);
    EXPECT_EQ(positive.Finder().Mass.size(), 3u);
}

// The null of every sign pattern by brute force over the patterns as written out here.
std::vector<double> BruteForceNull(const TClusterData& d, double threshold, TClusterTail tail, bool everyPattern)
{
    const int n = d.N1, points = d.Channels * d.Samples;
    TScoreRule rule;
    rule.Threshold = threshold;
    rule.Tail = tail;
    TClusterScorer scorer(d.Channels, d.Samples, d.Neighbours, rule);
    std::vector<double> null;
    const int patterns = everyPattern ? 1 << n : 1 << (n - 1);
    for (int k = 0; k < patterns; ++k) {
        std::vector<double> t(static_cast<std::size_t>(points));
        for (int p = 0; p < points; ++p) {
            std::vector<double> x;
            for (int i = 0; i < n; ++i)
                x.push_back(((k >> i) & 1 ? -1 : 1) * d.First[static_cast<std::size_t>(i * points + p)]);
            t[static_cast<std::size_t>(p)] = DirectOneSampleT(x);
        }
        null.push_back(scorer.Largest(t.data()));
    }
    return null;
}

TEST(ClusterTest, ExactSignFlipsEnumerateEveryPatternOnceAndGiveTheCountedP)
{
    const TClusterData d = Noisy(TClusterDesign::OneSample, 7, 0, 4, 10, 0.45);
    for (TClusterTail tail : {TClusterTail::Both, TClusterTail::Positive, TClusterTail::Negative}) {
        TClusterTestOptions o;
        o.Threshold = 2.0;
        o.Tail = tail;
        o.Permutations = tail == TClusterTail::Both ? 64 : 128; // exactly the distinct patterns
        const TClusterTestResult r = RunClusterTest(d, o, "data");
        ASSERT_TRUE(r.Exact);
        ASSERT_EQ(r.Null.size(), tail == TClusterTail::Both ? 64u : 128u);
        std::vector<double> expected = BruteForceNull(d, 2.0, tail, tail != TClusterTail::Both);
        std::vector<double> got = r.Null;
        std::sort(expected.begin(), expected.end());
        std::sort(got.begin(), got.end());
        for (std::size_t k = 0; k < got.size(); ++k)
            EXPECT_NEAR(got[k], expected[k], 1e-9 * std::fabs(expected[k]));
        ASSERT_FALSE(r.Clusters.empty());
        for (const TCluster& c : r.Clusters) {
            std::size_t extreme = 0;
            for (double v : r.Null)
                extreme += tail == TClusterTail::Both       ? std::fabs(v) >= std::fabs(c.Mass)
                           : tail == TClusterTail::Positive ? v >= c.Mass
                                                            : v <= c.Mass;
            EXPECT_EQ(c.P, static_cast<double>(extreme) / static_cast<double>(r.Null.size()));
        }
        for (std::size_t c = 1; c < r.Clusters.size(); ++c)
            EXPECT_LE(r.Clusters[c - 1].P, r.Clusters[c].P);
    }
    // One permutation fewer than the patterns: random, of the size asked.
    TClusterTestOptions o;
    o.Threshold = 2.0;
    o.Permutations = 63;
    const TClusterTestResult r = RunClusterTest(d, o, "data");
    EXPECT_FALSE(r.Exact);
    EXPECT_EQ(r.Null.size(), 63u);
}

TEST(ClusterTest, ExactSplitsAreEveryChoiceOfTheFirstGroupOnce)
{
    EXPECT_EQ(DistinctSplits(4, 5), 126u);
    EXPECT_EQ(DistinctSplits(30, 30), 118264581564861424u);
    EXPECT_EQ(DistinctSplits(40, 40), kManyPermutations);
    EXPECT_EQ(DistinctSignPatterns(12, true), 2048u);
    EXPECT_EQ(DistinctSignPatterns(12, false), 4096u);
    const std::vector<std::uint64_t> binomial = SplitBinomials(9, 4);
    std::set<std::vector<unsigned char>> seen;
    for (std::uint64_t k = 0; k < 126; ++k) {
        std::vector<unsigned char> g(9);
        ExactSplit(k, 4, 5, binomial, g.data());
        EXPECT_EQ(std::count(g.begin(), g.end(), 1), 4);
        seen.insert(g);
        if (k == 0) {
            EXPECT_EQ(g, (std::vector<unsigned char>{1, 1, 1, 1, 0, 0, 0, 0, 0}));
        }
    }
    EXPECT_EQ(seen.size(), 126u);

    const TClusterData d = Noisy(TClusterDesign::Independent, 4, 5, 3, 8, 0.6);
    TClusterTestOptions o;
    o.Threshold = 1.5;
    o.Permutations = 126;
    const TClusterTestResult r = RunClusterTest(d, o, "data");
    EXPECT_TRUE(r.Exact);
    EXPECT_EQ(r.Null.size(), 126u);
    o.Permutations = 125;
    EXPECT_FALSE(RunClusterTest(d, o, "data").Exact);
}

TEST(ClusterTest, TheSameSeedGivesTheSameNullWithAnyNumberOfThreads)
{
    const TClusterData d = Noisy(TClusterDesign::OneSample, 14, 0, 5, 20, 0.3);
    TClusterTestOptions o;
    o.Permutations = 301;
    o.Seed = 42;
    const TClusterTestResult one = RunClusterTest(d, o, "data");
    EXPECT_FALSE(one.Exact);
    for (int jobs : {2, 3, 7}) {
        o.Jobs = jobs;
        const TClusterTestResult many = RunClusterTest(d, o, "data");
        EXPECT_EQ(many.Null, one.Null) << jobs; // bit for bit
    }
    o.Seed = 43;
    EXPECT_NE(RunClusterTest(d, o, "data").Null, one.Null);

    // Random group reassignments draw their own streams too.
    const TClusterData g = Noisy(TClusterDesign::Independent, 9, 8, 3, 10, 0.5);
    TClusterTestOptions og;
    og.Permutations = 200;
    const TClusterTestResult g1 = RunClusterTest(g, og, "data");
    og.Jobs = 2;
    EXPECT_EQ(RunClusterTest(g, og, "data").Null, g1.Null);
}

TEST(ClusterTest, PortableRandomGivesTheFixedSequence)
{
    // The streams are part of the results (a seed names a null on every platform): these
    // numbers must never change.
    TPortableRandom r(1, 0);
    const std::uint64_t a = r.Next(), b = r.Next();
    TPortableRandom again(1, 0);
    EXPECT_EQ(again.Next(), a);
    EXPECT_EQ(again.Next(), b);
    TPortableRandom other(1, 1);
    EXPECT_NE(other.Next(), a);
    for (std::uint64_t bound : {1ull, 2ull, 3ull, 1000000007ull})
        for (int i = 0; i < 100; ++i)
            EXPECT_LT(r.Below(bound), bound);
}

TEST(ClusterTest, TfceSumsExtentAndHeightOverTheSteps)
{
    // One channel, samples t = 1, 2, 1 and a lone 0.5: with steps of 0.5 the middle point
    // lies in a cluster of 3 at h = 0.5, 1 and of 1 at h = 1.5, 2.
    const std::vector<double> t = {1, 2, 1, 0, 0.5};
    TScoreRule rule;
    rule.Tfce = true;
    rule.TfceStep = 0.5;
    TClusterScorer scorer(1, 5, TChannelNeighbours(1), rule);
    const double largest = scorer.Largest(t.data());
    const double r3 = std::sqrt(3.0);
    const double middle = 0.5 * (r3 * 0.25 + r3 * 1.0 + 1 * 2.25 + 1 * 4.0);
    const double side = 0.5 * (r3 * 0.25 + r3 * 1.0);
    const std::vector<double>& s = scorer.Scores();
    EXPECT_NEAR(s[1], middle, 1e-14);
    EXPECT_NEAR(s[0], side, 1e-14);
    EXPECT_NEAR(s[2], side, 1e-14);
    EXPECT_EQ(s[3], 0.0);
    EXPECT_NEAR(s[4], 0.5 * 1 * 0.25, 1e-15);
    EXPECT_EQ(largest, s[1]);

    const std::vector<double> negative = {-1, -2, -1, 0, 0.5};
    TClusterScorer both(1, 5, TChannelNeighbours(1), rule);
    both.Largest(negative.data());
    EXPECT_NEAR(both.Scores()[1], -middle, 1e-14);
    EXPECT_NEAR(both.Scores()[4], 0.125, 1e-15);
}

TEST(ClusterTest, FdrAndBonferroniAsTheStepUpRule)
{
    const std::vector<double> p = {0.01, 0.04, 0.03, 0.5, 0.02};
    // Sorted 0.01 0.02 0.03 0.04 0.5 times 5/rank: 0.05 0.05 0.05 0.05 0.5, then the running
    // minimum from the top.
    const std::vector<double> fdr = FdrCorrection(p);
    const std::vector<double> expected = {0.05, 0.05, 0.05, 0.5, 0.05};
    for (std::size_t i = 0; i < p.size(); ++i)
        EXPECT_NEAR(fdr[i], expected[i], 1e-15) << i;
    EXPECT_EQ(FdrCorrection({0.9, 0.8}), (std::vector<double>{0.9, 0.9}));
    EXPECT_EQ(BonferroniCorrection({0.1, 0.3, 0.2}), (std::vector<double>{0.1 * 3, 0.3 * 3, 0.2 * 3}));
    EXPECT_EQ(BonferroniCorrection({0.5, 0.1}), (std::vector<double>{1.0, 0.2}));
}

TEST(ClusterTest, TheThresholdIsTheTQuantile)
{
    const TClusterData d = Noisy(TClusterDesign::OneSample, 12, 0, 2, 4, 0.2);
    TClusterTestOptions o;
    o.Permutations = 10;
    TClusterTestResult r = RunClusterTest(d, o, "data");
    // The roots of the regularized incomplete beta function to 40 digits (mpmath).
    EXPECT_NEAR(r.Threshold, 2.2009851600916398679, 1e-15); // t(11) at 0.975
    o.Tail = TClusterTail::Positive;
    o.PThreshold = 0.01;
    r = RunClusterTest(d, o, "data");
    EXPECT_NEAR(r.Threshold, 2.7180791838138623972, 1e-15);
    EXPECT_NEAR(StudentTSurvival(r.Threshold, 11), 0.01, 1e-16);
}

TEST(ClusterTest, RefusesWhatCannotBeTested)
{
    auto refused = [](TClusterData d, TClusterTestOptions o, const std::string& cause) {
        try {
            RunClusterTest(d, o, "study.ave");
            ADD_FAILURE() << "not refused: " << cause;
        } catch (const EORVAError& e) {
            EXPECT_EQ(e.Path(), "study.ave");
            EXPECT_NE(e.Cause().find(cause), std::string::npos) << e.Cause();
        }
    };
    const TClusterData d = Noisy(TClusterDesign::OneSample, 3, 0, 2, 3, 0.1);
    TClusterTestOptions o;
    refused(Noisy(TClusterDesign::OneSample, 1, 0, 2, 3, 0.1), o, "at least 2 subjects");
    refused(Noisy(TClusterDesign::Independent, 1, 3, 2, 3, 0.1), o, "at least 2 each");
    o.Threshold = 0;
    refused(d, o, "positive finite");
    o.Threshold = std::nan("");
    refused(d, o, "positive finite");
    o.Threshold.reset();
    o.Permutations = 0;
    refused(d, o, "at least 1 permutation");
    o.Permutations = 10;
    TClusterData bad = d;
    bad.Neighbours[0].push_back(5);
    refused(bad, o, "not a tested channel");
}

} // namespace
} // namespace orva
