#pragma once
// The t maps of the cluster test: the observed one by the two-pass formulas, and those of
// the permutations, several permutations per pass over the values so that each subject's
// value is read once for all of them.
#include "tools/ClusterTest.h"

#include <cstdint>
#include <vector>

namespace orva {

/// The permutations whose maps are computed in one pass over the values.
constexpr int kTBlock = 8;

/// The values of every point side by side ([point][subject], the second group after the
/// first), so that one point's t reads one run of memory, with the sums every permutation
/// needs.
struct TPointValues {
    int N1 = 0, N2 = 0, Points = 0;
    std::vector<double> X;
    /// One sample: the sum of x^2 of each point (unchanged by sign flips).
    std::vector<double> SumSquares;

    explicit TPointValues(const TClusterData& data);
    const double* Of(int p) const
    {
        return &X[static_cast<std::size_t>(p) * static_cast<std::size_t>(N1 + N2)];
    }
};

/// The observed t by the two-pass formulas (mean first, then the squared deviations); 0
/// where the variance is 0. Returns the number of such points.
std::int64_t ObservedT(const TPointValues& values, std::vector<double>& t);

/// The t maps of kTBlock sign patterns at once: signs[i * kTBlock + k] is subject i's sign
/// (+1 or -1) in pattern k; map k goes to t + k * Points. Each map equals the one computed
/// alone: the sums run over the subjects in the same order.
void FlippedTBlock(const TPointValues& values, const double* signs, double* t);

/// The same for kTBlock group splits: inGroup1[i * kTBlock + k] is 1 when value i is in the
/// first group of split k.
void SplitTBlock(const TPointValues& values, const unsigned char* inGroup1, double* t);

} // namespace orva
