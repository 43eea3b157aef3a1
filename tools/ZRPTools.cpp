// The reference transforms: one-based, in place, single-precision data with
// double-precision twiddle factors. The fast batched path (LaneFFT.h) must give
// the same bits as these for every lane.
#include "tools/ZRPTools.h"

#include "tools/TwiddleRecurrence.h"

#include <utility>

namespace orva {

void ComplexFFT(float* data, int n, int sign)
{
    const int m2 = 2 * n;
    // Bit-reversal reordering of the complex pairs.
    int j = 1;
    for (int i = 1; i < m2; i += 2) {
        if (j > i) {
            std::swap(data[j], data[i]);
            std::swap(data[j + 1], data[i + 1]);
        }
        int m = m2 / 2;
        while (m >= 2 && j > m) {
            j -= m;
            m /= 2;
        }
        j += m;
    }
    // Danielson-Lanczos butterflies.
    for (int mmax = 2; m2 > mmax; mmax *= 2) {
        const int istep = 2 * mmax;
        auto w = TTwiddleRecurrence::ForAngle(StageAngle(sign, mmax), 1.0, 0.0);
        for (int m = 1; m < mmax; m += 2) {
            for (int i = m; i <= m2; i += istep) {
                const int k = i + mmax;
                const auto tempr = static_cast<float>(w.wr * data[k] - w.wi * data[k + 1]);
                const auto tempi = static_cast<float>(w.wr * data[k + 1] + w.wi * data[k]);
                // A float sum is the double sum rounded to float, so these stay in float.
                data[k] = data[i] - tempr;
                data[k + 1] = data[i + 1] - tempi;
                data[i] = data[i] + tempr;
                data[i + 1] = data[i + 1] + tempi;
            }
            w.Advance();
        }
    }
}

void RealFFT(float* data, int n, int sign)
{
    if (n < 1)
        return; // no transform of fewer than two values; callers refuse such traces first
    double theta = SplitAngle(n);
    const double c1 = 0.5;
    double c2 = 0.5;
    if (sign == 1) {
        c2 = -0.5;
        ComplexFFT(data, n, 1);
    } else {
        theta = -theta;
    }
    auto w = TTwiddleRecurrence::ForAngle(theta, 0.0, 0.0);
    w.wr = 1.0 + w.wpr;
    w.wi = w.wpi;
    const int n2p3 = 2 * n + 3;
    for (int i = 2; i <= n / 2; ++i) {
        const int i1 = 2 * i - 1;
        const int i2 = 2 * i;
        const int i3 = n2p3 - i2;
        const int i4 = i3 + 1;
        const auto h1r = static_cast<float>(c1 * (static_cast<double>(data[i1]) + data[i3]));
        const auto h1i = static_cast<float>(c1 * (static_cast<double>(data[i2]) - data[i4]));
        const auto h2r = static_cast<float>(-c2 * (static_cast<double>(data[i2]) + data[i4]));
        const auto h2i = static_cast<float>(c2 * (static_cast<double>(data[i1]) - data[i3]));
        data[i1] = static_cast<float>(h1r + w.wr * h2r - w.wi * h2i);
        data[i2] = static_cast<float>(h1i + w.wr * h2i + w.wi * h2r);
        data[i3] = static_cast<float>(h1r - w.wr * h2r + w.wi * h2i);
        data[i4] = static_cast<float>(-h1i + w.wr * h2i + w.wi * h2r);
        w.Advance();
    }
    const float h1r = data[1];
    if (sign == 1) {
        data[1] = h1r + data[2];
        data[2] = h1r - data[2];
    } else {
        data[1] = static_cast<float>(c1 * (static_cast<double>(h1r) + data[2]));
        data[2] = static_cast<float>(c1 * (static_cast<double>(h1r) - data[2]));
        ComplexFFT(data, n, -1);
    }
}

} // namespace orva
