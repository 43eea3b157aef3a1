#pragma once
// Zero-phase Butterworth and notch filters as the field's reference (SciPy's butter with
// output="sos", iirnotch, sosfiltfilt and filtfilt with an odd extension of the whole epoch
// less one sample) designs and runs them, so a lab's numbers agree with ours.
#include <cstddef>
#include <vector>

namespace orva {

/// One second-order section, a0 = 1: (B0 + B1 z^-1 + B2 z^-2) / (1 + A1 z^-1 + A2 z^-2).
struct TSecondOrderSection {
    double B0 = 1, B1 = 0, B2 = 0, A1 = 0, A2 = 0;
};

enum class EButterworthKind { LowPass, HighPass, BandPass };

/// The digital Butterworth filter of `order` (1 or more) as second-order sections, in the
/// order SciPy's butter(order, Wn, btype, output="sos", fs=rate) gives them: the analog
/// prototype's poles, the bilinear transform prewarped at the edges, poles paired with
/// their nearest zeros, the sections nearest the unit circle last. lowHz is the edge of a
/// high-pass, highHz of a low-pass, both of a band-pass; each must lie in (0, rate / 2).
std::vector<TSecondOrderSection> DesignButterworth(int order, EButterworthKind kind, double lowHz, double highHz,
                                                   double rate);

/// The second-order notch at f0 Hz with quality factor q, as SciPy's iirnotch(f0, q, fs=rate).
TSecondOrderSection DesignNotch(double f0, double q, double rate);

/// The initial states of the sections' step response at 1 (SciPy's sosfilt_zi): a filter
/// started from them on a constant input gives that constant's steady output at once.
std::vector<double> SectionSteadyStates(const std::vector<TSecondOrderSection>& sections);

/// Runs a cascade of sections forward and backward over traces in place. The traces of one
/// observation are filtered together (samples x channels, channels adjacent), each on its
/// own: extended at both ends by its odd reflection of n - 1 samples, each pass started from
/// the steady states scaled by its first input. One object keeps its work buffers between
/// calls, so filtering many observations allocates only when they grow; not thread-safe.
class TZeroPhaseIir {
public:
    explicit TZeroPhaseIir(std::vector<TSecondOrderSection> sections);

    /// Filters `channels` interleaved traces of `samples` values each.
    void Apply(double* values, std::size_t samples, std::size_t channels);

    const std::vector<TSecondOrderSection>& Sections() const { return sections_; }

private:
    std::vector<TSecondOrderSection> sections_;
    std::vector<double> steady_;  // 2 per section
    std::vector<double> state_;   // [section][2][channel]
    std::vector<double> forward_; // the forward pass from the first real sample on, rows of lanes
};

} // namespace orva
