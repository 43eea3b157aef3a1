#include "tools/ClusterTest.h"

#include "model/ORVAError.h"
#include "tools/ClusterPermutation.h"
#include "tools/ClusterStatistics.h"
#include "tools/TDistribution.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <thread>

namespace orva {

namespace {

void Refuse(const std::string& what, const std::string& cause) { throw EORVAError(what, cause); }

void CheckArguments(const TClusterData& data, const TClusterTestOptions& o, const std::string& what)
{
    const bool independent = data.Design == TClusterDesign::Independent;
    if (!independent && data.N1 < 2)
        Refuse(what, "the test needs at least 2 subjects, not " + std::to_string(data.N1));
    if (independent && (data.N1 < 2 || data.N2 < 2))
        Refuse(what, "two groups need at least 2 each, not " + std::to_string(data.N1) + " and " +
                         std::to_string(data.N2));
    if (data.Channels < 1 || data.Samples < 1)
        Refuse(what, "no point is tested");
    const auto points = static_cast<std::size_t>(data.Channels) * static_cast<std::size_t>(data.Samples);
    if (data.First.size() != points * static_cast<std::size_t>(data.N1) ||
        data.Second.size() != (independent ? points * static_cast<std::size_t>(data.N2) : 0))
        Refuse(what, "the values do not fill the subjects' maps");
    if (o.Threshold && !(std::isfinite(*o.Threshold) && *o.Threshold > 0))
        Refuse(what, "the threshold must be a positive finite t value");
    if (!(o.PThreshold > 0 && o.PThreshold < 1))
        Refuse(what, "the p threshold must lie between 0 and 1");
    if (o.Permutations < 1)
        Refuse(what, "the test needs at least 1 permutation");
    if (o.Tfce && !(std::isfinite(o.TfceStep) && o.TfceStep > 0))
        Refuse(what, "the TFCE step must be a positive finite t value");
    if (data.Neighbours.size() != static_cast<std::size_t>(data.Channels))
        Refuse(what, "the neighbours are not one list per tested channel");
    for (const auto& list : data.Neighbours)
        for (int c : list)
            if (c < 0 || c >= data.Channels)
                Refuse(what, "a neighbour is not a tested channel");
}

// The values of every point side by side ([point][subject]), so that one point's t reads one
// run of memory, with the sums every permutation needs.
struct TPointValues {
    int N1 = 0, N2 = 0, Points = 0;
    std::vector<double> X; // [point][subject], the second group after the first
    std::vector<double> SumSquares; // one sample: sum of x^2 (unchanged by sign flips)

    TPointValues(const TClusterData& d) : N1(d.N1), N2(d.N2), Points(d.Channels * d.Samples)
    {
        const int n = N1 + N2;
        X.resize(static_cast<std::size_t>(Points) * static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const double* from = i < N1 ? &d.First[static_cast<std::size_t>(i) * static_cast<std::size_t>(Points)]
                                        : &d.Second[static_cast<std::size_t>(i - N1) * static_cast<std::size_t>(Points)];
            for (int p = 0; p < Points; ++p)
                X[static_cast<std::size_t>(p) * static_cast<std::size_t>(n) + static_cast<std::size_t>(i)] = from[p];
        }
        if (N2 == 0) {
            SumSquares.resize(static_cast<std::size_t>(Points));
            for (int p = 0; p < Points; ++p) {
                double s = 0;
                for (int i = 0; i < N1; ++i) {
                    const double x = X[static_cast<std::size_t>(p) * static_cast<std::size_t>(N1) + static_cast<std::size_t>(i)];
                    s += x * x;
                }
                SumSquares[static_cast<std::size_t>(p)] = s;
            }
        }
    }
    const double* Of(int p) const { return &X[static_cast<std::size_t>(p) * static_cast<std::size_t>(N1 + N2)]; }
};

// The observed t by the two-pass formulas (mean first, then the squared deviations).
std::int64_t ObservedT(const TPointValues& v, std::vector<double>& t)
{
    std::int64_t zero = 0;
    t.assign(static_cast<std::size_t>(v.Points), 0.0);
    for (int p = 0; p < v.Points; ++p) {
        const double* x = v.Of(p);
        double value = 0, variance = 0;
        if (v.N2 == 0) {
            const int n = v.N1;
            double sum = 0;
            for (int i = 0; i < n; ++i)
                sum += x[i];
            const double mean = sum / n;
            double ss = 0;
            for (int i = 0; i < n; ++i)
                ss += (x[i] - mean) * (x[i] - mean);
            variance = ss / (n - 1);
            value = mean / std::sqrt(variance / n);
        } else {
            double s1 = 0, s2 = 0;
            for (int i = 0; i < v.N1; ++i)
                s1 += x[i];
            for (int i = v.N1; i < v.N1 + v.N2; ++i)
                s2 += x[i];
            const double m1 = s1 / v.N1, m2 = s2 / v.N2;
            double ss = 0;
            for (int i = 0; i < v.N1; ++i)
                ss += (x[i] - m1) * (x[i] - m1);
            for (int i = v.N1; i < v.N1 + v.N2; ++i)
                ss += (x[i] - m2) * (x[i] - m2);
            variance = ss / (v.N1 + v.N2 - 2);
            value = (m1 - m2) / std::sqrt(variance * (1.0 / v.N1 + 1.0 / v.N2));
        }
        if (variance == 0) {
            ++zero;
            value = 0;
        }
        t[static_cast<std::size_t>(p)] = value;
    }
    return zero;
}

// Below this share of the sum of squares the one-pass variance is rounding, not spread
// (a point whose values are all equal).
constexpr double kRoundingVariance = 1e-13;

// t of the sign-flipped values: the sum of squares is that of the data, so only the
// signed sum is computed.
void FlippedT(const TPointValues& v, const double* signs, double* t)
{
    const int n = v.N1;
    for (int p = 0; p < v.Points; ++p) {
        const double* x = v.Of(p);
        double sum = 0;
        for (int i = 0; i < n; ++i)
            sum += signs[i] * x[i];
        const double mean = sum / n;
        const double squares = v.SumSquares[static_cast<std::size_t>(p)];
        const double variance = (squares - sum * mean) / (n - 1);
        t[p] = variance > kRoundingVariance * squares ? mean / std::sqrt(variance / n) : 0.0;
    }
}

void SplitT(const TPointValues& v, const unsigned char* inGroup1, double* t)
{
    const int n = v.N1 + v.N2;
    const double scale = 1.0 / v.N1 + 1.0 / v.N2;
    for (int p = 0; p < v.Points; ++p) {
        const double* x = v.Of(p);
        double s1 = 0, q1 = 0, s2 = 0, q2 = 0;
        for (int i = 0; i < n; ++i) {
            const double xi = x[i];
            if (inGroup1[i]) {
                s1 += xi;
                q1 += xi * xi;
            } else {
                s2 += xi;
                q2 += xi * xi;
            }
        }
        const double m1 = s1 / v.N1, m2 = s2 / v.N2;
        const double ss = (q1 - s1 * m1) + (q2 - s2 * m2);
        const double variance = ss / (n - 2);
        t[p] = variance > kRoundingVariance * (q1 + q2) ? (m1 - m2) / std::sqrt(variance * scale) : 0.0;
    }
}

// What one worker thread owns: the t map of its permutation and the clustering buffers.
struct TWork {
    std::vector<double> T, Signs;
    std::vector<unsigned char> Group;
    std::vector<int> Order;
    TClusterScorer Scorer;
    TWork(const TClusterData& d, const TScoreRule& rule)
        : T(static_cast<std::size_t>(d.Channels) * static_cast<std::size_t>(d.Samples)),
          Signs(static_cast<std::size_t>(d.N1 + d.N2)), Group(static_cast<std::size_t>(d.N1 + d.N2)),
          Scorer(d.Channels, d.Samples, d.Neighbours, rule)
    {
    }
};

// Chunks of permutations are taken in turn by the threads; a permutation's value depends
// on its index alone, so the null is the same whichever thread computes it.
constexpr std::int64_t kChunk = 8;

void RunPermutations(const TClusterData& data, const TPointValues& values, const TScoreRule& rule, bool exact,
                     std::uint64_t seed, int jobs, std::vector<double>& null, TProgressDisplay* progress)
{
    const auto size = static_cast<std::int64_t>(null.size());
    const bool flips = data.Design != TClusterDesign::Independent;
    const std::vector<std::uint64_t> binomial =
        flips || !exact ? std::vector<std::uint64_t>{} : SplitBinomials(data.N1 + data.N2, data.N1);
    std::atomic<std::int64_t> next{1};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;
    std::mutex failureLock;

    auto permute = [&](TWork& w, std::int64_t k) {
        const auto index = static_cast<std::uint64_t>(k);
        if (flips) {
            if (exact) {
                ExactSignPattern(index, data.N1, w.Signs.data());
            } else {
                TPortableRandom random(seed, index);
                RandomSignPattern(random, data.N1, w.Signs.data());
            }
            FlippedT(values, w.Signs.data(), w.T.data());
        } else {
            if (exact) {
                ExactSplit(index, data.N1, data.N2, binomial, w.Group.data());
            } else {
                TPortableRandom random(seed, index);
                RandomSplit(random, data.N1, data.N2, w.Order, w.Group.data());
            }
            SplitT(values, w.Group.data(), w.T.data());
        }
        null[static_cast<std::size_t>(k)] = w.Scorer.Largest(w.T.data());
    };
    // Returns the permutations done in the chunk taken, 0 when none is left.
    auto chunk = [&](TWork& w) -> std::int64_t {
        if (stop.load())
            return 0;
        const std::int64_t first = next.fetch_add(kChunk);
        if (first >= size)
            return 0;
        const std::int64_t last = std::min(size, first + kChunk);
        for (std::int64_t k = first; k < last; ++k)
            permute(w, k);
        return last - first;
    };
    auto worker = [&] {
        try {
            TWork w(data, rule);
            while (chunk(w) > 0) {
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failureLock);
            if (!failure)
                failure = std::current_exception();
            stop = true;
        }
    };
    std::vector<std::thread> threads;
    const std::int64_t wanted = std::min<std::int64_t>(std::max(jobs, 1), (size + kChunk - 1) / kChunk);
    try {
        for (std::int64_t j = 1; j < wanted; ++j)
            threads.emplace_back(worker);
        TWork w(data, rule);
        for (;;) {
            const std::int64_t done = chunk(w);
            if (done == 0)
                break;
            if (progress) {
                progress->Advance(done);
                progress->ProcessPendingEvents();
            }
        }
    } catch (...) {
        stop = true;
        for (auto& thread : threads)
            thread.join();
        throw;
    }
    for (auto& thread : threads)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

double UncorrectedP(double t, TClusterTail tail, int df)
{
    switch (tail) {
    case TClusterTail::Positive:
        return StudentTSurvival(t, df);
    case TClusterTail::Negative:
        return StudentTSurvival(-t, df);
    case TClusterTail::Both:
        break;
    }
    return std::min(1.0, 2 * StudentTSurvival(std::fabs(t), df));
}

} // namespace

TClusterTestResult RunClusterTest(const TClusterData& data, const TClusterTestOptions& o, const std::string& what,
                                  TProgressDisplay* progress)
{
    CheckArguments(data, o, what);
    const bool independent = data.Design == TClusterDesign::Independent;
    TClusterTestResult r;
    r.Design = data.Design;
    r.Tail = o.Tail;
    r.Alpha = o.Alpha;
    r.Correction = o.Correction;
    r.Tfce = o.Tfce && o.Correction == TPointCorrection::None;
    r.N1 = data.N1;
    r.N2 = independent ? data.N2 : 0;
    r.Df = independent ? data.N1 + data.N2 - 2 : data.N1 - 1;
    const int points = data.Channels * data.Samples;

    const TPointValues values(data);
    r.ZeroVariance = ObservedT(values, r.T);
    r.PUncorrected.resize(static_cast<std::size_t>(points));
    for (int p = 0; p < points; ++p)
        r.PUncorrected[static_cast<std::size_t>(p)] = UncorrectedP(r.T[static_cast<std::size_t>(p)], o.Tail, r.Df);
    r.ClusterOf.assign(static_cast<std::size_t>(points), -1);
    r.PCorrected.assign(static_cast<std::size_t>(points), std::numeric_limits<double>::quiet_NaN());
    r.Threshold = std::numeric_limits<double>::quiet_NaN();

    if (o.Correction != TPointCorrection::None) {
        r.PCorrected = o.Correction == TPointCorrection::Fdr ? FdrCorrection(r.PUncorrected)
                                                              : BonferroniCorrection(r.PUncorrected);
        return r;
    }

    TScoreRule rule;
    rule.Tail = o.Tail;
    rule.Tfce = r.Tfce;
    rule.TfceStep = o.TfceStep;
    if (!r.Tfce) {
        if (o.Threshold) {
            r.Threshold = *o.Threshold;
        } else {
            r.ThresholdP = o.PThreshold;
            r.Threshold = StudentTQuantile(o.Tail == TClusterTail::Both ? 1 - o.PThreshold / 2 : 1 - o.PThreshold, r.Df);
        }
        rule.Threshold = r.Threshold;
    }

    const std::uint64_t distinct = independent ? DistinctSplits(data.N1, data.N2)
                                               : DistinctSignPatterns(data.N1, o.Tail == TClusterTail::Both);
    r.Exact = distinct <= static_cast<std::uint64_t>(o.Permutations);
    const auto size = r.Exact ? static_cast<std::int64_t>(distinct) : o.Permutations;
    r.Null.assign(static_cast<std::size_t>(size), 0.0);

    TClusterScorer observed(data.Channels, data.Samples, data.Neighbours, rule);
    r.Null[0] = observed.Largest(r.T.data());
    const TProgressScope scope(progress, "Permutations");
    if (progress)
        progress->AddToMaximum(size);
    RunPermutations(data, values, rule, r.Exact, o.Seed, o.Jobs, r.Null, progress);

    const TNullCounter counter(r.Null, o.Tail);
    if (r.Tfce) {
        r.TfceScore = observed.Scores();
        for (int p = 0; p < points; ++p)
            r.PCorrected[static_cast<std::size_t>(p)] = counter.P(r.TfceScore[static_cast<std::size_t>(p)]);
        return r;
    }
    const TClusterFinder& found = observed.Finder();
    std::vector<TCluster> clusters(found.Mass.size());
    for (std::size_t c = 0; c < clusters.size(); ++c) {
        clusters[c].Sign = found.Sign[c];
        clusters[c].Mass = found.Mass[c];
        clusters[c].P = counter.P(found.Mass[c]);
    }
    for (int p = 0; p < points; ++p)
        if (found.Label[static_cast<std::size_t>(p)] >= 0)
            clusters[static_cast<std::size_t>(found.Label[static_cast<std::size_t>(p)])].Points.push_back(p);
    // Clusters are found in order of their first point, which breaks the ties of the sort.
    std::stable_sort(clusters.begin(), clusters.end(), [](const TCluster& a, const TCluster& b) {
        if (a.P != b.P)
            return a.P < b.P;
        return std::fabs(a.Mass) > std::fabs(b.Mass);
    });
    for (std::size_t c = 0; c < clusters.size(); ++c)
        for (int p : clusters[c].Points) {
            r.ClusterOf[static_cast<std::size_t>(p)] = static_cast<int>(c);
            r.PCorrected[static_cast<std::size_t>(p)] = clusters[c].P;
        }
    r.Clusters = std::move(clusters);
    return r;
}

} // namespace orva
