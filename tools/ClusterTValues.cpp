#include "tools/ClusterTValues.h"

#include <cmath>
#include <cstddef>

namespace orva {

TPointValues::TPointValues(const TClusterData& d) : N1(d.N1), N2(d.N2), Points(d.Channels * d.Samples)
{
    const int n = N1 + N2;
    const auto points = static_cast<std::size_t>(Points);
    X.resize(points * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double* from = i < N1 ? &d.First[static_cast<std::size_t>(i) * points]
                                    : &d.Second[static_cast<std::size_t>(i - N1) * points];
        for (std::size_t p = 0; p < points; ++p)
            X[p * static_cast<std::size_t>(n) + static_cast<std::size_t>(i)] = from[p];
    }
    if (N2 == 0) {
        SumSquares.resize(points);
        for (int p = 0; p < Points; ++p) {
            const double* x = Of(p);
            double s = 0;
            for (int i = 0; i < N1; ++i)
                s += x[i] * x[i];
            SumSquares[static_cast<std::size_t>(p)] = s;
        }
    }
}

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

namespace {

// Below this share of the sum of squares the one-pass variance is rounding, not spread
// (a point whose values are all equal).
constexpr double kRoundingVariance = 1e-13;

} // namespace

// The sum of squares is that of the data, so only the signed sums are computed; the
// patterns' sums are independent, which the inner loop over them lets the processor overlap.
void FlippedTBlock(const TPointValues& v, const double* signs, double* t)
{
    const int n = v.N1;
    const auto points = static_cast<std::size_t>(v.Points);
    for (int p = 0; p < v.Points; ++p) {
        const double* x = v.Of(p);
        double sum[kTBlock] = {};
        for (int i = 0; i < n; ++i) {
            const double xi = x[i];
            const double* s = signs + static_cast<std::ptrdiff_t>(i) * kTBlock;
            for (int k = 0; k < kTBlock; ++k)
                sum[k] += s[k] * xi;
        }
        const double squares = v.SumSquares[static_cast<std::size_t>(p)];
        const double limit = kRoundingVariance * squares;
        // Without branches, so that the patterns' divisions and roots run side by side (the
        // same operations as one at a time); a variance at the limit or below takes 1 in the
        // root and its t is 0.
        double mean[kTBlock], variance[kTBlock], value[kTBlock];
        for (int k = 0; k < kTBlock; ++k) {
            mean[k] = sum[k] / n;
            variance[k] = (squares - sum[k] * mean[k]) / (n - 1);
        }
        for (int k = 0; k < kTBlock; ++k) {
            const double root = std::sqrt((variance[k] > limit ? variance[k] : 1.0) / n);
            const double quotient = mean[k] / root;
            value[k] = variance[k] > limit ? quotient : 0.0;
        }
        for (int k = 0; k < kTBlock; ++k)
            t[static_cast<std::size_t>(k) * points + static_cast<std::size_t>(p)] = value[k];
    }
}

void SplitTBlock(const TPointValues& v, const unsigned char* inGroup1, double* t)
{
    const int n = v.N1 + v.N2;
    const auto points = static_cast<std::size_t>(v.Points);
    const double scale = 1.0 / v.N1 + 1.0 / v.N2;
    for (int p = 0; p < v.Points; ++p) {
        const double* x = v.Of(p);
        double s1[kTBlock] = {}, q1[kTBlock] = {}, s2[kTBlock] = {}, q2[kTBlock] = {};
        for (int i = 0; i < n; ++i) {
            const double xi = x[i], square = xi * xi;
            const unsigned char* g = inGroup1 + static_cast<std::ptrdiff_t>(i) * kTBlock;
            // Adding 0 leaves a sum as it is: each group's sums are those of its members.
            for (int k = 0; k < kTBlock; ++k) {
                s1[k] += g[k] ? xi : 0.0;
                q1[k] += g[k] ? square : 0.0;
                s2[k] += g[k] ? 0.0 : xi;
                q2[k] += g[k] ? 0.0 : square;
            }
        }
        // As for the sign flips, without branches.
        double value[kTBlock];
        for (int k = 0; k < kTBlock; ++k) {
            const double m1 = s1[k] / v.N1, m2 = s2[k] / v.N2;
            const double ss = (q1[k] - s1[k] * m1) + (q2[k] - s2[k] * m2);
            const double variance = ss / (n - 2);
            const bool spread = variance > kRoundingVariance * (q1[k] + q2[k]);
            const double quotient = (m1 - m2) / std::sqrt((spread ? variance : 1.0) * scale);
            value[k] = spread ? quotient : 0.0;
        }
        for (int k = 0; k < kTBlock; ++k)
            t[static_cast<std::size_t>(k) * points + static_cast<std::size_t>(p)] = value[k];
    }
}

} // namespace orva
