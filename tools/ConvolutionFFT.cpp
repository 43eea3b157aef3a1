// Twiddle factors and kernel spectra of the convolution FFT. The sines and cosines come
// from their Taylor series in nested form, not from the C library, whose last bits differ
// between platforms; only the angles up to pi / 4 are computed, the others follow from
// them exactly by symmetry.
#include "tools/ConvolutionFFT.h"

#include "model/ORVAError.h"

#include <string>

namespace orva {

void PortableSineCosine(double x, double& sine, double& cosine)
{
    // sin x = x (1 - x^2 / (2 3) (1 - x^2 / (4 5) (1 - ...))), cos x = 1 - x^2 / (1 2) (1 - x^2 / (3 4) (...));
    // at x = pi / 4 the 13th factor changes the result by less than 1e-30.
    const double x2 = x * x;
    double s = 1, c = 1;
    for (int k = 13; k >= 1; --k) {
        s = 1.0 - x2 / static_cast<double>((2 * k) * (2 * k + 1)) * s;
        c = 1.0 - x2 / static_cast<double>((2 * k - 1) * (2 * k)) * c;
    }
    sine = x * s;
    cosine = c;
}

TConvolutionTwiddles::TConvolutionTwiddles(int length) : Length(length)
{
    if (length < 2 || (length & (length - 1)) != 0)
        throw EORVAError("FFT", "a transform of " + std::to_string(length) + " points (a power of two from 2 is needed)");
    const int quarter = length / 4, eighth = length / 8;
    // cos and sin of 2 pi j / length for j = 0 .. length / 8 (at most pi / 4)
    std::vector<double> c(static_cast<std::size_t>(eighth) + 1), s(c.size());
    const double step = 6.283185307179586 / static_cast<double>(length);
    for (int j = 0; j <= eighth; ++j)
        PortableSineCosine(static_cast<double>(j) * step, s[static_cast<std::size_t>(j)], c[static_cast<std::size_t>(j)]);
    const auto cosSin = [&](int j, double& cj, double& sj) {
        // j in 0 .. length / 4
        if (j <= eighth) {
            cj = c[static_cast<std::size_t>(j)];
            sj = s[static_cast<std::size_t>(j)];
        } else {
            cj = s[static_cast<std::size_t>(quarter - j)];
            sj = c[static_cast<std::size_t>(quarter - j)];
        }
    };
    Re.resize(static_cast<std::size_t>(length / 2));
    Im.resize(Re.size());
    for (int j = 0; j < length / 2; ++j) {
        double cj = 1, sj = 0;
        if (j <= quarter)
            cosSin(j, cj, sj);
        else {
            // the angle less a quarter turn: cos = -sin(rest), sin = cos(rest)
            double cr = 1, sr = 0;
            cosSin(j - quarter, cr, sr);
            cj = -sr;
            sj = cr;
        }
        Re[static_cast<std::size_t>(j)] = cj;
        Im[static_cast<std::size_t>(j)] = -sj;
    }
}

TKernelSpectrum::TKernelSpectrum(const TConvolutionTwiddles& w, const double* kernel, int count)
{
    const int n = w.Length;
    if (count > n)
        throw EORVAError("FFT", "a kernel of " + std::to_string(count) + " values for a transform of " +
                                    std::to_string(n) + " points");
    Re.assign(static_cast<std::size_t>(n), 0.0);
    Im.assign(static_cast<std::size_t>(n), 0.0);
    for (int k = 0; k < count; ++k)
        Re[static_cast<std::size_t>(k)] = kernel[k];
    // The lane transform's butterflies on one value: the same order, so the same bin order.
    for (int half = n / 2, step = 1; half >= 1; half /= 2, step *= 2)
        for (int start = 0; start < n; start += 2 * half)
            for (int j = 0; j < half; ++j) {
                const auto ia = static_cast<std::size_t>(start + j), ib = ia + static_cast<std::size_t>(half);
                const double ar = Re[ia], ai = Im[ia], br = Re[ib], bi = Im[ib];
                Re[ia] = ar + br;
                Im[ia] = ai + bi;
                const double dr = ar - br, di = ai - bi;
                const double wr = w.Re[static_cast<std::size_t>(j * step)], wi = w.Im[static_cast<std::size_t>(j * step)];
                Re[ib] = j == 0 ? dr : dr * wr - di * wi;
                Im[ib] = j == 0 ? di : dr * wi + di * wr;
            }
    const double scale = 1.0 / static_cast<double>(n); // a power of two: exact
    for (std::size_t m = 0; m < Re.size(); ++m) {
        Re[m] *= scale;
        Im[m] *= scale;
    }
}

} // namespace orva
