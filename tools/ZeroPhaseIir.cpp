// The forward and backward passes of TZeroPhaseIir. The rows of an observation (one sample
// of every channel) go through the sections kWidth channels at a time in vector lanes,
// the channels padded with zero lanes to a whole number of vectors; every lane does the
// operations of the transposed direct form in the same order, whatever the build.
#include "tools/IirFilter.h"

#include "tools/LaneTargets.h"

#include <algorithm>

namespace orva {

namespace {

using lanes::kWidth;
using lanes::TDoubles;

struct TPassWork {
    const TSecondOrderSection* Sections;
    std::size_t NumSections;
    const double* Steady;   // 2 per section
    double* State;          // [section][2][lanes]
    double* Forward;        // (n + pad) rows of lanes
    double* Row;            // one row of lanes
    double* Values;         // n rows of channels
    std::size_t N, Channels, Lanes;
};

// Row of lanes through every section, in place.
ORVA_LANE_INLINE void Step(const TPassWork& w, double* row)
{
    for (std::size_t g = 0; g < w.Lanes; g += kWidth) {
        TDoubles x;
        lanes::LoadDoubles(x, row + g);
        double* state = w.State + g;
        for (std::size_t k = 0; k < w.NumSections; ++k, state += 2 * w.Lanes) {
            const TSecondOrderSection& s = w.Sections[k];
            TDoubles z0, z1, b0, b1, b2, a1, a2;
            lanes::LoadDoubles(z0, state);
            lanes::LoadDoubles(z1, state + w.Lanes);
            lanes::Splat(b0, s.B0), lanes::Splat(b1, s.B1), lanes::Splat(b2, s.B2);
            lanes::Splat(a1, s.A1), lanes::Splat(a2, s.A2);
            const TDoubles y = b0 * x + z0;
            lanes::StoreDoubles(state, b1 * x - a1 * y + z1);
            lanes::StoreDoubles(state + w.Lanes, b2 * x - a2 * y);
            x = y;
        }
        lanes::StoreDoubles(row + g, x);
    }
}

// The states of every section scaled by a first row (SciPy's zi times the first input).
ORVA_LANE_INLINE void StartStates(const TPassWork& w, const double* first)
{
    for (std::size_t k = 0; k < 2 * w.NumSections; ++k)
        for (std::size_t g = 0; g < w.Lanes; g += kWidth) {
            TDoubles steady, x;
            lanes::Splat(steady, w.Steady[k]);
            lanes::LoadDoubles(x, first + g);
            lanes::StoreDoubles(w.State + k * w.Lanes + g, steady * x);
        }
}

// Reflected row 2 x about - x of the channels into lanes, zero lanes beyond.
ORVA_LANE_INLINE void Reflect(const TPassWork& w, const double* about, const double* x, double* out)
{
    for (std::size_t h = 0; h < w.Channels; ++h)
        out[h] = 2 * about[h] - x[h];
}

ORVA_LANE_INLINE void Passes(const TPassWork& w)
{
    const std::size_t n = w.N, pad = n - 1, c = w.Channels, lanes = w.Lanes;
    const auto at = [&](std::size_t i) { return w.Values + i * c; };
    const double* first = at(0);
    const double* last = at(n - 1);
    std::fill(w.Row, w.Row + lanes, 0.0);
    // The forward pass over the odd extension: the left reflection only warms the states.
    if (pad > 0)
        Reflect(w, first, at(pad), w.Row);
    else
        std::copy(first, first + c, w.Row);
    StartStates(w, w.Row);
    for (std::size_t i = 0; i < pad; ++i) {
        Reflect(w, first, at(pad - i), w.Row);
        Step(w, w.Row);
    }
    for (std::size_t i = 0; i < n; ++i) {
        double* out = w.Forward + i * lanes;
        std::copy(at(i), at(i) + c, out);
        std::fill(out + c, out + lanes, 0.0);
        Step(w, out);
    }
    for (std::size_t j = 0; j < pad; ++j) {
        double* out = w.Forward + (n + j) * lanes;
        Reflect(w, last, at(n - 2 - j), out);
        std::fill(out + c, out + lanes, 0.0);
        Step(w, out);
    }
    // The backward pass, from the end of the extension; it stops at the epoch's first
    // sample, since only the epoch's own rows are kept.
    StartStates(w, w.Forward + (n + pad - 1) * lanes);
    for (std::size_t r = n + pad; r-- > n;)
        Step(w, w.Forward + r * lanes);
    for (std::size_t r = n; r-- > 0;) {
        double* row = w.Forward + r * lanes;
        Step(w, row);
        std::copy(row, row + c, at(r));
    }
}

ORVA_LANE_BUILDS(Passes, (const TPassWork& w), (w))

} // namespace

TZeroPhaseIir::TZeroPhaseIir(std::vector<TSecondOrderSection> sections)
    : sections_(std::move(sections)), steady_(SectionSteadyStates(sections_))
{
}

void TZeroPhaseIir::Apply(double* values, std::size_t samples, std::size_t channels)
{
    if (samples == 0 || channels == 0)
        return;
    const std::size_t lanes = (channels + kWidth - 1) / kWidth * kWidth;
    const std::size_t n = samples, pad = n - 1;
    state_.resize(steady_.size() * lanes);
    row_.resize(lanes);
    forward_.resize((n + pad) * lanes);
    const auto run = ORVA_PICK_LANE_BUILD(Passes);
    run({sections_.data(), sections_.size(), steady_.data(), state_.data(), forward_.data(), row_.data(), values, n,
         channels, lanes});
}

} // namespace orva
