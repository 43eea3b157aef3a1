// The windowed-sinc FIR filters of MNE-Python's defaults: transition bands of a quarter of
// the edge frequency (at least 2 Hz, limited by 0 Hz and the Nyquist frequency), a Hamming
// window of 3.3 / transition seconds, the -6 dB point in the middle of each transition band,
// and each edge designed as a low-pass of its own length whose impulse is added to or taken
// from a unit impulse. Applied once, its delay taken out, over the trace reflected about its
// end values.
#include "tools/FirFilter.h"

#include "model/ORVAError.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace orva {

namespace {

constexpr double kHammingLengthFactor = 3.3;

int MakeOdd(double n) { return static_cast<int>(n) + (static_cast<long long>(n) % 2 == 0 ? 1 : 0); }

std::string HzText(double hz)
{
    std::string s = std::to_string(hz);
    s.erase(s.find_last_not_of('0') + 1);
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s + " Hz";
}

void RequireEdge(double rate, double hz, const char* what)
{
    if (!std::isfinite(hz) || hz <= 0 || hz >= rate / 2)
        throw EORVAError("FIR filter design", "The " + std::string(what) + " of a FIR filter must lie between 0 Hz and the Nyquist frequency (" +
                         HzText(rate / 2) + "), not " + HzText(hz));
}

// A Hamming-windowed sinc low-pass of n taps (n odd) at cutoffHz, scaled to a gain of 1 at 0 Hz.
std::vector<double> WindowedSinc(int n, double cutoffHz, double rate)
{
    const double c = cutoffHz / (rate / 2);
    const double middle = (n - 1) / 2.0;
    std::vector<double> h(static_cast<std::size_t>(n));
    double sum = 0;
    for (int k = 0; k < n; ++k) {
        const double m = k - middle;
        const double x = std::numbers::pi * c * m;
        const double sinc = m == 0 ? 1.0 : std::sin(x) / x;
        const double window = n == 1 ? 1.0 : 0.54 - 0.46 * std::cos(2 * std::numbers::pi * k / (n - 1));
        h[static_cast<std::size_t>(k)] = c * sinc * window;
        sum += h[static_cast<std::size_t>(k)];
    }
    for (double& v : h)
        v /= sum;
    return h;
}

// One edge: a low-pass of the edge's own length at its -6 dB point, as (delta - low-pass)
// added with sign +1 where the gain rises with frequency and -1 where it falls.
void AddEdge(std::vector<double>& taps, double rate, double cutoffHz, double transitionHz, int sign)
{
    const int total = static_cast<int>(taps.size());
    const int n = std::min(MakeOdd(std::nearbyint(kHammingLengthFactor * rate / transitionHz)), total);
    const std::vector<double> lp = WindowedSinc(n, cutoffHz, rate);
    const int offset = (total - n) / 2;
    for (int k = 0; k < n; ++k) {
        const double delta = k == (n - 1) / 2 ? 1.0 : 0.0;
        taps[static_cast<std::size_t>(offset + k)] += sign * (delta - lp[static_cast<std::size_t>(k)]);
    }
}

int TotalLength(double rate, double smallestTransitionHz)
{
    return MakeOdd(std::ceil(kHammingLengthFactor / smallestTransitionHz * rate));
}

// The design from its edges and transition bands; a band-stop when lowHz > highHz.
TFirDesign Design(double rate, std::optional<double> lowHz, std::optional<double> highHz,
                  std::optional<double> lowTrans, std::optional<double> highTrans)
{
    TFirDesign d;
    d.Rate = rate;
    d.LowHz = lowHz;
    d.HighHz = highHz;
    d.LowTransitionHz = lowTrans;
    d.HighTransitionHz = highTrans;
    const bool stop = lowHz && highHz && *lowHz > *highHz;
    d.Kind = stop ? EFirKind::BandStop : lowHz && highHz ? EFirKind::BandPass : lowHz ? EFirKind::HighPass
                                                                                     : EFirKind::LowPass;
    double smallest = lowTrans ? *lowTrans : *highTrans;
    if (lowTrans && highTrans)
        smallest = std::min(*lowTrans, *highTrans);
    d.Taps.assign(static_cast<std::size_t>(TotalLength(rate, smallest)), 0.0);
    if (d.Kind == EFirKind::LowPass || d.Kind == EFirKind::BandStop)
        d.Taps[d.Taps.size() / 2] = 1.0;
    // The pass band begins above the high-pass edge, ends below the low-pass edge.
    if (lowHz)
        AddEdge(d.Taps, rate, *lowHz - *lowTrans / 2, *lowTrans, +1);
    if (highHz)
        AddEdge(d.Taps, rate, *highHz + *highTrans / 2, *highTrans, -1);
    return d;
}

void RequireRate(double rate)
{
    if (!std::isfinite(rate) || rate <= 0)
        throw EORVAError("FIR filter design", "A FIR filter needs a sampling rate above 0 Hz, not " + HzText(rate));
}

} // namespace

TFirDesign DesignFir(double rate, std::optional<double> lowHz, std::optional<double> highHz)
{
    RequireRate(rate);
    if (!lowHz && !highHz)
        throw EORVAError("FIR filter design", "A FIR filter needs a high-pass or a low-pass edge");
    std::optional<double> lowTrans, highTrans;
    if (lowHz) {
        RequireEdge(rate, *lowHz, "high-pass edge");
        lowTrans = std::min(std::max(*lowHz * 0.25, 2.0), *lowHz);
    }
    if (highHz) {
        RequireEdge(rate, *highHz, "low-pass edge");
        highTrans = std::min(std::max(*highHz * 0.25, 2.0), rate / 2 - *highHz);
    }
    if (lowHz && highHz && *lowHz >= *highHz)
        throw EORVAError("FIR filter design", "A band-pass needs its lower edge (" + HzText(*lowHz) + ") below its upper edge (" +
                         HzText(*highHz) + ")");
    return Design(rate, lowHz, highHz, lowTrans, highTrans);
}

TFirDesign DesignFirNotch(double rate, double f0, std::optional<double> widthHz)
{
    RequireRate(rate);
    RequireEdge(rate, f0, "notch frequency");
    const double width = widthHz.value_or(f0 / 200);
    if (!std::isfinite(width) || width <= 0)
        throw EORVAError("FIR filter design", "The width of a notch must be above 0 Hz, not " + HzText(width));
    // The stop band's edges lie half a hertz beyond the width; each transition band is half a
    // hertz wide, so the -6 dB points lie a quarter hertz inside those edges.
    const double below = f0 - width / 2 - 0.5;
    const double above = f0 + width / 2 + 0.5;
    if (below - 0.25 <= 0 || above + 0.25 >= rate / 2)
        throw EORVAError("FIR filter design", "A notch at " + HzText(f0) + " " + HzText(width) +
                         " wide does not fit between 0 Hz and the Nyquist frequency (" + HzText(rate / 2) + ")");
    return Design(rate, above, below, 0.5, 0.5);
}

void ApplyFir(const TFirDesign& design, std::span<double> trace)
{
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(trace.size());
    const std::ptrdiff_t length = design.Length();
    if (n == 0 || length == 0)
        return;
    const std::ptrdiff_t edge = std::min(length, n) - 1;
    thread_local std::vector<double> padded;
    padded.resize(static_cast<std::size_t>(n + 2 * edge));
    const double first = trace[0];
    const double last = trace[static_cast<std::size_t>(n - 1)];
    for (std::ptrdiff_t m = 0; m < edge; ++m) {
        padded[static_cast<std::size_t>(edge - 1 - m)] = 2 * first - trace[static_cast<std::size_t>(m + 1)];
        padded[static_cast<std::size_t>(edge + n + m)] = 2 * last - trace[static_cast<std::size_t>(n - 2 - m)];
    }
    std::copy(trace.begin(), trace.end(), padded.begin() + edge);
    // y[i] = sum over k of taps[k] x padded[i + edge + delay - k], where padded is zero
    // outside its ends.
    const std::ptrdiff_t delay = (length - 1) / 2;
    const std::ptrdiff_t size = n + 2 * edge;
    const double* taps = design.Taps.data();
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const std::ptrdiff_t centre = i + edge + delay;
        const std::ptrdiff_t kFirst = std::max<std::ptrdiff_t>(0, centre - (size - 1));
        const std::ptrdiff_t kLast = std::min<std::ptrdiff_t>(length - 1, centre);
        double sum = 0;
        for (std::ptrdiff_t k = kFirst; k <= kLast; ++k)
            sum += taps[k] * padded[static_cast<std::size_t>(centre - k)];
        trace[static_cast<std::size_t>(i)] = sum;
    }
}

} // namespace orva
