#include "tools/ClusterPermutation.h"

#include <algorithm>
#include <utility>

namespace orva {

namespace {

std::uint64_t SaturatedAdd(std::uint64_t a, std::uint64_t b)
{
    return a >= kManyPermutations - b ? kManyPermutations : a + b;
}

} // namespace

// The index goes through its own mix, so that neighbouring seeds and indices do not give
// overlapping streams.
TPortableRandom::TPortableRandom(std::uint64_t seed, std::uint64_t index) : generator_(seed ^ SplitMix64(index)) {}

std::uint64_t TPortableRandom::Next() { return generator_.Next(); }

std::uint64_t TPortableRandom::Below(std::uint64_t bound)
{
    // Values below 2^64 mod bound would make the small remainders likelier.
    const std::uint64_t reject = (0 - bound) % bound;
    for (;;) {
        const std::uint64_t r = Next();
        if (r >= reject)
            return r % bound;
    }
}

std::uint64_t DistinctSignPatterns(int n, bool twoTails)
{
    const int bits = twoTails ? n - 1 : n;
    return bits >= 62 ? kManyPermutations : std::uint64_t{1} << bits;
}

std::vector<std::uint64_t> SplitBinomials(int n, int k)
{
    // Row-major (n + 1) x (k + 1) table of C(a, b), saturated.
    const auto width = static_cast<std::size_t>(k + 1);
    std::vector<std::uint64_t> c(static_cast<std::size_t>(n + 1) * width, 0);
    for (int a = 0; a <= n; ++a) {
        c[static_cast<std::size_t>(a) * width] = 1;
        for (int b = 1; b <= k && b <= a; ++b)
            c[static_cast<std::size_t>(a) * width + static_cast<std::size_t>(b)] =
                SaturatedAdd(c[static_cast<std::size_t>(a - 1) * width + static_cast<std::size_t>(b - 1)],
                             c[static_cast<std::size_t>(a - 1) * width + static_cast<std::size_t>(b)]);
    }
    return c;
}

std::uint64_t DistinctSplits(int n1, int n2)
{
    const int k = std::min(n1, n2);
    return SplitBinomials(n1 + n2, k).back();
}

void ExactSignPattern(std::uint64_t index, int n, double* signs)
{
    for (int i = 0; i < n; ++i)
        signs[i] = i < 64 && ((index >> i) & 1u) ? -1.0 : 1.0;
}

void RandomSignPattern(TPortableRandom& random, int n, double* signs)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < n; ++i) {
        if (i % 64 == 0)
            bits = random.Next();
        signs[i] = (bits >> (i % 64)) & 1u ? -1.0 : 1.0;
    }
}

void ExactSplit(std::uint64_t index, int n1, int n2, const std::vector<std::uint64_t>& binomial,
                unsigned char* inGroup1)
{
    const int n = n1 + n2;
    const auto width = static_cast<std::size_t>(n1 + 1);
    int left = n1;
    for (int i = 0; i < n; ++i) {
        inGroup1[i] = 0;
        if (left == 0)
            continue;
        // The splits that take value i come first: C(n - i - 1, left - 1) of them.
        const std::uint64_t with =
            binomial[static_cast<std::size_t>(n - i - 1) * width + static_cast<std::size_t>(left - 1)];
        if (index < with) {
            inGroup1[i] = 1;
            --left;
        } else {
            index -= with;
        }
    }
}

void RandomSplit(TPortableRandom& random, int n1, int n2, std::vector<int>& order, unsigned char* inGroup1)
{
    const int n = n1 + n2;
    order.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        order[static_cast<std::size_t>(i)] = i;
    for (int i = n - 1; i > 0; --i) {
        const auto j = static_cast<std::size_t>(random.Below(static_cast<std::uint64_t>(i) + 1));
        std::swap(order[static_cast<std::size_t>(i)], order[j]);
    }
    for (int i = 0; i < n; ++i)
        inGroup1[i] = 0;
    for (int i = 0; i < n1; ++i)
        inGroup1[order[static_cast<std::size_t>(i)]] = 1;
}

TClusterFinder::TClusterFinder(int channels, int samples, const TChannelNeighbours& neighbours)
    : Label(static_cast<std::size_t>(channels) * static_cast<std::size_t>(samples), -1), channels_(channels),
      samples_(samples), neighbours_(neighbours)
{
    stack_.reserve(Label.size());
}

void TClusterFinder::Find(const double* t, const signed char* sign)
{
    std::fill(Label.begin(), Label.end(), -1);
    Mass.clear();
    Size.clear();
    Sign.clear();
    const int points = channels_ * samples_;
    for (int start = 0; start < points; ++start) {
        const signed char s = sign[start];
        if (s == 0 || Label[static_cast<std::size_t>(start)] >= 0)
            continue;
        const int cluster = static_cast<int>(Mass.size());
        double mass = 0;
        int size = 0;
        stack_.clear();
        stack_.push_back(start);
        Label[static_cast<std::size_t>(start)] = cluster;
        auto visit = [&](int q) {
            if (sign[q] == s && Label[static_cast<std::size_t>(q)] < 0) {
                Label[static_cast<std::size_t>(q)] = cluster;
                stack_.push_back(q);
            }
        };
        while (!stack_.empty()) {
            const int p = stack_.back();
            stack_.pop_back();
            mass += t[p];
            ++size;
            const int channel = p / samples_;
            const int sample = p - channel * samples_;
            if (sample > 0)
                visit(p - 1);
            if (sample + 1 < samples_)
                visit(p + 1);
            for (int other : neighbours_[static_cast<std::size_t>(channel)])
                visit(other * samples_ + sample);
        }
        Mass.push_back(mass);
        Size.push_back(size);
        Sign.push_back(s);
    }
}

} // namespace orva
