#include "tools/ClusterStatistics.h"

#include "model/ORVAError.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>

namespace orva {
namespace {

[[noreturn]] void RefuseEndlessTfce(const std::string& what, double top, double dh)
{
    char text[200];
    std::snprintf(text, sizeof text,
                  "TFCE would need more than %.0f steps of %g (|t| reaches %g): the values are nearly equal "
                  "across subjects; use a larger TFCE step or a threshold",
                  kTfceMostSteps, dh, top);
    throw EORVAError(what, text);
}

} // namespace

TClusterScorer::TClusterScorer(int channels, int samples, const TChannelNeighbours& neighbours,
                               const TScoreRule& rule)
    : rule_(rule), points_(channels * samples), finder_(channels, samples, neighbours),
      sign_(static_cast<std::size_t>(points_), 0)
{
    if (rule_.Tfce)
        scores_.resize(static_cast<std::size_t>(points_));
}

double TClusterScorer::Largest(const double* t)
{
    const bool positive = rule_.Tail != TClusterTail::Negative;
    const bool negative = rule_.Tail != TClusterTail::Positive;
    const std::vector<double>* values = &finder_.Mass;
    if (rule_.Tfce) {
        Score(t);
        values = &scores_;
    } else {
        const double h = rule_.Threshold;
        for (int p = 0; p < points_; ++p)
            sign_[static_cast<std::size_t>(p)] = positive && t[p] > h ? 1 : negative && t[p] < -h ? -1 : 0;
        finder_.Find(t, sign_.data());
    }
    double largest = 0;
    for (double v : *values) {
        if (rule_.Tail == TClusterTail::Both)
            largest = std::max(largest, std::fabs(v));
        else if (rule_.Tail == TClusterTail::Positive)
            largest = std::max(largest, v);
        else
            largest = std::min(largest, v);
    }
    return largest;
}

void TClusterScorer::Score(const double* t)
{
    std::fill(scores_.begin(), scores_.end(), 0.0);
    const double dh = rule_.TfceStep;
    for (int s : {1, -1}) {
        if ((s > 0 && rule_.Tail == TClusterTail::Negative) || (s < 0 && rule_.Tail == TClusterTail::Positive))
            continue;
        double top = 0;
        for (int p = 0; p < points_; ++p)
            top = std::max(top, s * t[p]);
        if (top / dh > kTfceMostSteps)
            RefuseEndlessTfce(rule_.What, top, dh);
        // Heights dh, 2 dh, ... up to the largest value; a point takes part at every height
        // up to its own.
        for (long step = 1;; ++step) {
            const double h = static_cast<double>(step) * dh;
            if (h > top)
                break;
            for (int p = 0; p < points_; ++p)
                sign_[static_cast<std::size_t>(p)] = s * t[p] >= h ? static_cast<signed char>(s) : 0;
            finder_.Find(t, sign_.data());
            const double weight = std::pow(h, kTfceHeight) * dh;
            for (int p = 0; p < points_; ++p) {
                const int c = finder_.Label[static_cast<std::size_t>(p)];
                if (c >= 0)
                    scores_[static_cast<std::size_t>(p)] +=
                        s * std::pow(static_cast<double>(finder_.Size[static_cast<std::size_t>(c)]), kTfceExtent) *
                        weight;
            }
        }
    }
}

TNullCounter::TNullCounter(const std::vector<double>& null, TClusterTail tail) : sorted_(null), tail_(tail)
{
    if (tail_ == TClusterTail::Both)
        for (double& v : sorted_)
            v = std::fabs(v);
    std::sort(sorted_.begin(), sorted_.end());
}

double TNullCounter::P(double value) const
{
    std::size_t count = 0;
    if (tail_ == TClusterTail::Negative)
        count = static_cast<std::size_t>(std::upper_bound(sorted_.begin(), sorted_.end(), value) - sorted_.begin());
    else {
        const double v = tail_ == TClusterTail::Both ? std::fabs(value) : value;
        count = static_cast<std::size_t>(sorted_.end() - std::lower_bound(sorted_.begin(), sorted_.end(), v));
    }
    return static_cast<double>(count) / static_cast<double>(sorted_.size());
}

std::vector<double> FdrCorrection(const std::vector<double>& p)
{
    const std::size_t n = p.size();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return p[a] < p[b]; });
    std::vector<double> adjusted(n);
    double smallest = 1.0;
    for (std::size_t k = n; k-- > 0;) {
        const double rank = static_cast<double>(k + 1) / static_cast<double>(n);
        smallest = std::min(smallest, p[order[k]] / rank);
        adjusted[order[k]] = smallest;
    }
    return adjusted;
}

std::vector<double> BonferroniCorrection(const std::vector<double>& p)
{
    std::vector<double> adjusted(p.size());
    for (std::size_t i = 0; i < p.size(); ++i)
        adjusted[i] = std::min(1.0, p[i] * static_cast<double>(p.size()));
    return adjusted;
}

} // namespace orva
