#include "tools/ClusterTest.h"

#include "model/ORVAError.h"
#include "tools/ClusterPermutation.h"
#include "tools/ClusterStatistics.h"
#include "tools/ClusterTValues.h"
#include "tools/TDistribution.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <functional>
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

// What one worker thread owns: the t maps of a chunk of permutations, their patterns
// ([subject][permutation]) and the clustering buffers.
struct TWork {
    std::vector<double> T, Signs, PatternSigns;
    std::vector<unsigned char> Group, PatternGroups;
    std::vector<int> Order;
    TClusterScorer Scorer;
    TWork(const TClusterData& d, const TScoreRule& rule)
        : T(static_cast<std::size_t>(kTBlock) * static_cast<std::size_t>(d.Channels) *
            static_cast<std::size_t>(d.Samples)),
          Signs(static_cast<std::size_t>(d.N1 + d.N2)),
          PatternSigns(static_cast<std::size_t>(kTBlock) * static_cast<std::size_t>(d.N1 + d.N2), 1.0),
          Group(static_cast<std::size_t>(d.N1 + d.N2)),
          PatternGroups(static_cast<std::size_t>(kTBlock) * static_cast<std::size_t>(d.N1 + d.N2), 1),
          Scorer(d.Channels, d.Samples, d.Neighbours, rule)
    {
    }
};

// Chunks of permutations are taken in turn by the threads, their maps computed together; a
// chunk's permutations are fixed by their indices and a permutation's value depends on its
// index alone, so the null is the same whichever thread computes it.
constexpr std::int64_t kChunk = kTBlock;

// alongside: what the calling thread does once the workers have started, before it takes
// permutations itself (work of the observed map that the permutations do not need).
void RunPermutations(const TClusterData& data, const TPointValues& values, const TScoreRule& rule, bool exact,
                     std::uint64_t seed, int jobs, std::vector<double>& null, TProgressDisplay* progress,
                     const std::function<void()>& alongside)
{
    const auto size = static_cast<std::int64_t>(null.size());
    const bool flips = data.Design != TClusterDesign::Independent;
    const std::vector<std::uint64_t> binomial =
        flips || !exact ? std::vector<std::uint64_t>{} : SplitBinomials(data.N1 + data.N2, data.N1);
    std::atomic<std::int64_t> next{1};
    // Permutations finished by every thread; the calling thread reports them.
    std::atomic<std::int64_t> finished{0};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;
    std::mutex failureLock;

    const int n = data.N1 + data.N2;
    const auto points = static_cast<std::size_t>(data.Channels) * static_cast<std::size_t>(data.Samples);
    // Pattern k of the chunk into column k of the work's patterns; the columns of a short last
    // chunk keep what they held and their maps are not used.
    auto pattern = [&](TWork& w, std::int64_t index, int k) {
        const auto u = static_cast<std::uint64_t>(index);
        if (flips) {
            if (exact) {
                ExactSignPattern(u, data.N1, w.Signs.data());
            } else {
                TPortableRandom random(seed, u);
                RandomSignPattern(random, data.N1, w.Signs.data());
            }
            for (int i = 0; i < data.N1; ++i)
                w.PatternSigns[static_cast<std::size_t>(i * kTBlock + k)] = w.Signs[static_cast<std::size_t>(i)];
        } else {
            if (exact) {
                ExactSplit(u, data.N1, data.N2, binomial, w.Group.data());
            } else {
                TPortableRandom random(seed, u);
                RandomSplit(random, data.N1, data.N2, w.Order, w.Group.data());
            }
            for (int i = 0; i < n; ++i)
                w.PatternGroups[static_cast<std::size_t>(i * kTBlock + k)] = w.Group[static_cast<std::size_t>(i)];
        }
    };
    auto permute = [&](TWork& w, std::int64_t first, std::int64_t last) {
        for (std::int64_t k = first; k < last; ++k)
            pattern(w, k, static_cast<int>(k - first));
        if (flips)
            FlippedTBlock(values, w.PatternSigns.data(), w.T.data());
        else
            SplitTBlock(values, w.PatternGroups.data(), w.T.data());
        for (std::int64_t k = first; k < last; ++k)
            null[static_cast<std::size_t>(k)] = w.Scorer.Largest(&w.T[static_cast<std::size_t>(k - first) * points]);
    };
    // Returns the permutations done in the chunk taken, 0 when none is left.
    auto chunk = [&](TWork& w) -> std::int64_t {
        if (stop.load())
            return 0;
        const std::int64_t first = next.fetch_add(kChunk);
        if (first >= size)
            return 0;
        const std::int64_t last = std::min(size, first + kChunk);
        permute(w, first, last);
        finished.fetch_add(last - first);
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
    std::int64_t reported = 0;
    auto report = [&] {
        const std::int64_t now = finished.load();
        if (progress && now > reported) {
            const std::int64_t count = now - reported;
            reported = now;
            progress->Advance(count);
        }
        if (progress)
            progress->ProcessPendingEvents();
    };
    std::vector<std::thread> threads;
    auto joinAll = [&] {
        for (auto& thread : threads)
            thread.join();
        threads.clear();
    };
    const std::int64_t wanted = std::min<std::int64_t>(std::max(jobs, 1), (size + kChunk - 1) / kChunk);
    try {
        for (std::int64_t j = 1; j < wanted; ++j)
            threads.emplace_back(worker);
        alongside();
        TWork w(data, rule);
        while (chunk(w) > 0)
            report();
    } catch (...) {
        stop = true;
        joinAll();
        throw;
    }
    joinAll();
    if (failure)
        std::rethrow_exception(failure);
    // The workers' last chunks, finished while the calling thread had none left to take.
    report();
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
    // The parametric p of every point, slow beside a permutation, are computed while the
    // permutations run.
    auto uncorrected = [&] {
        r.PUncorrected.resize(static_cast<std::size_t>(points));
        for (int p = 0; p < points; ++p)
            r.PUncorrected[static_cast<std::size_t>(p)] = UncorrectedP(r.T[static_cast<std::size_t>(p)], o.Tail, r.Df);
    };
    r.ClusterOf.assign(static_cast<std::size_t>(points), -1);
    r.PCorrected.assign(static_cast<std::size_t>(points), std::numeric_limits<double>::quiet_NaN());
    r.Threshold = std::numeric_limits<double>::quiet_NaN();

    if (o.Correction != TPointCorrection::None) {
        uncorrected();
        r.PCorrected = o.Correction == TPointCorrection::Fdr ? FdrCorrection(r.PUncorrected)
                                                              : BonferroniCorrection(r.PUncorrected);
        return r;
    }

    TScoreRule rule;
    rule.Tail = o.Tail;
    rule.Tfce = r.Tfce;
    rule.TfceStep = o.TfceStep;
    rule.What = what;
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
    const TProgressScope scope(progress, "Permutations");
    if (progress)
        progress->AddToMaximum(size - 1); // the observed map is not waited for
    // The observed map's value is the null's first, which no permutation writes.
    RunPermutations(data, values, rule, r.Exact, o.Seed, o.Jobs, r.Null, progress, [&] {
        r.Null[0] = observed.Largest(r.T.data());
        uncorrected();
    });

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
