#pragma once
#include <optional>
#include <span>
#include <vector>

namespace orva {

/// What a FIR design passes and stops.
enum class EFirKind { LowPass, HighPass, BandPass, BandStop };

/// A zero-phase FIR filter as MNE-Python 1.3's filter_data / notch_filter design it with their defaults.
/// Taps has an odd length and is symmetric: the filter's delay of (length - 1) / 2 samples is
/// taken out when it is applied, so it shifts nothing.
struct TFirDesign {
    std::vector<double> Taps;
    double Rate = 0; ///< samples per second the design is for
    EFirKind Kind = EFirKind::LowPass;
    /// The band edges asked for: the high-pass edge (pass band above it; for a band-stop the
    /// lower edge of the stop band) and the low-pass edge (pass band below it; for a band-stop
    /// the upper edge of the stop band). The -6 dB points lie half a transition band beyond them.
    std::optional<double> LowHz, HighHz;
    /// The width of the transition band at LowHz and at HighHz (present where the edge is).
    std::optional<double> LowTransitionHz, HighTransitionHz;

    /// The filter's length in samples (odd).
    int Length() const { return static_cast<int>(Taps.size()); }
    /// The filter's length in seconds: Length() / Rate.
    double LengthSeconds() const { return static_cast<double>(Taps.size()) / Rate; }
};

/// lowHz = high-pass edge (l_freq), highHz = low-pass edge (h_freq); either may be absent, not both.
/// Both present: a band-pass (lowHz < highHz). Transition bands, cut-offs and the length follow
/// MNE-Python's "auto" rules with the Hamming window and the "firwin" design. Throws EORVAError
/// for a rate or an edge that is not positive and finite, an edge at or above the Nyquist
/// frequency, no edge at all, or lowHz >= highHz.
TFirDesign DesignFir(double rate, std::optional<double> lowHz, std::optional<double> highHz);

/// A band-stop around f0 as MNE-Python's notch_filter designs it by default ("fir" method):
/// a stop band widthHz wide (default f0 / 200) widened by half a hertz on either side, with
/// transition bands of half a hertz.
/// Throws EORVAError where the band does not fit between 0 and the Nyquist frequency.
TFirDesign DesignFirNotch(double rate, double f0, std::optional<double> widthHz);

/// Filters one trace in place as MNE applies the design (pad "reflect_limited", zero phase).
/// The trace is padded at either end by the filter's length less one sample (at most the
/// trace's length less one) with the trace reflected about its end value, zeros beyond; the
/// filtered values keep their samples' times. Scratch space is kept per thread, so filtering
/// many traces of one length allocates only for the first.
void ApplyFir(const TFirDesign& design, std::span<double> trace);

} // namespace orva
