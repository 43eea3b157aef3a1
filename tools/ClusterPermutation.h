#pragma once
// The pieces of the permutation test every permutation runs: a random generator that gives
// the same numbers on every platform, the permutations themselves (sign patterns, group
// splits) by their index alone, and the connected components of supra-threshold points.
#include "tools/ClusterTest.h"
#include "tools/PortableRandom.h"

#include <cstdint>
#include <vector>

namespace orva {

/// xoshiro256** seeded through splitmix64: the same sequence on every platform and compiler.
class TPortableRandom {
public:
    /// The generator of permutation `index` of the run seeded with seed: permutations draw
    /// from their own streams, so no permutation depends on another or on the threads.
    TPortableRandom(std::uint64_t seed, std::uint64_t index);
    std::uint64_t Next();
    /// Uniform in 0 .. bound - 1 (bound >= 1), by rejection.
    std::uint64_t Below(std::uint64_t bound);

private:
    TXoshiro256 generator_;
};

/// A count that saturates: larger than any null a run may ask for.
constexpr std::uint64_t kManyPermutations = std::uint64_t{1} << 62;

/// The distinct sign patterns of n subjects: 2^(n-1) up to the global flip for two tails
/// (a flip of all signs negates every mass, which |mass| does not see), 2^n for one tail;
/// kManyPermutations when larger.
std::uint64_t DistinctSignPatterns(int n, bool twoTails);
/// The splits of n1 + n2 values into groups of n1 and n2: C(n1 + n2, n1), saturated.
std::uint64_t DistinctSplits(int n1, int n2);

/// Exact pattern `index` (0 .. DistinctSignPatterns - 1, 0 the observed): subject i is
/// flipped when bit i of index is set. Fills signs (+1 or -1) of n subjects.
void ExactSignPattern(std::uint64_t index, int n, double* signs);
/// A random pattern: n fair bits of the generator.
void RandomSignPattern(TPortableRandom& random, int n, double* signs);

/// Exact split `index` in lexicographic order of the first group's members (0 the observed:
/// the first n1 values); inGroup1[i] is 1 for members. binomial: SplitBinomials(n1 + n2, n1).
std::vector<std::uint64_t> SplitBinomials(int n, int k);
void ExactSplit(std::uint64_t index, int n1, int n2, const std::vector<std::uint64_t>& binomial,
                unsigned char* inGroup1);
/// A random split: the first n1 of a Fisher-Yates shuffle. order is work space of n1 + n2.
void RandomSplit(TPortableRandom& random, int n1, int n2, std::vector<int>& order, unsigned char* inGroup1);

/// Connected components of the points (channel * samples + sample) whose sign is not 0:
/// two points are joined when they have the same sign and are one channel at adjacent
/// samples or neighbouring channels at one sample. The buffers are kept between calls.
class TClusterFinder {
public:
    TClusterFinder(int channels, int samples, const TChannelNeighbours& neighbours);
    /// Labels every point (Label: -1 outside every cluster), in order of each cluster's first
    /// point; Mass is the sum of t over each cluster, Size its points, Sign its sign.
    void Find(const double* t, const signed char* sign);

    std::vector<int> Label;
    std::vector<double> Mass;
    std::vector<int> Size;
    std::vector<int> Sign;

private:
    int channels_, samples_;
    TChannelNeighbours neighbours_;
    std::vector<int> stack_;
};

} // namespace orva
