#pragma once
// The statistic of one t map that a permutation keeps (its largest cluster mass or TFCE
// score), the p values read from the null, and the corrections of point-wise p values.
#include "tools/ClusterPermutation.h"

#include <string>
#include <vector>

namespace orva {

struct TScoreRule {
    TClusterTail Tail = TClusterTail::Both;
    /// Points beyond it (strictly) form the clusters; not used with TFCE.
    double Threshold = 0;
    bool Tfce = false;
    double TfceStep = 0.1;
    /// What the data are (a file's name), for the refusal of a TFCE that would not end.
    std::string What;
};

/// Threshold-free cluster enhancement: E = 0.5, H = 2.
constexpr double kTfceExtent = 0.5;
constexpr double kTfceHeight = 2.0;
/// The most heights one TFCE score climbs: |t| of 1000 in steps of 0.1. Far larger t come
/// from (nearly) equal values, where the steps would not end in any reasonable time.
constexpr double kTfceMostSteps = 10000;

class TClusterScorer {
public:
    TClusterScorer(int channels, int samples, const TChannelNeighbours& neighbours, const TScoreRule& rule);
    /// The map's value in the null: the largest |mass| (two tails), the largest mass
    /// (positive) or the smallest (negative), 0 without a cluster; with TFCE the same of
    /// the scores.
    double Largest(const double* t);
    /// After Largest: the clusters found (not with TFCE), and the TFCE scores (signed as t).
    const TClusterFinder& Finder() const { return finder_; }
    const std::vector<double>& Scores() const { return scores_; }

private:
    void Score(const double* t);
    TScoreRule rule_;
    int points_;
    TClusterFinder finder_;
    std::vector<signed char> sign_;
    std::vector<double> scores_;
};

/// p values of observed values against a null: the share of the null at least as extreme.
class TNullCounter {
public:
    TNullCounter(const std::vector<double>& null, TClusterTail tail);
    double P(double value) const;

private:
    std::vector<double> sorted_;
    TClusterTail tail_;
};

/// Benjamini-Hochberg adjusted p values (the step-up form, capped at 1), in the input order.
std::vector<double> FdrCorrection(const std::vector<double>& p);
/// p times the count, capped at 1.
std::vector<double> BonferroniCorrection(const std::vector<double>& p);

} // namespace orva
