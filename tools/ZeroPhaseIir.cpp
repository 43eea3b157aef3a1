// The forward and backward passes of TZeroPhaseIir. The rows of an observation (one sample
// of every channel) go through the sections kWidth channels at a time in vector lanes,
// the channels padded with zero lanes to a whole number of vectors; every lane does the
// operations of the transposed direct form in the same order, whatever the build.
#include "tools/IirFilter.h"

#include "tools/LaneTargets.h"

#include <algorithm>
#include <cstring>

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
    double* Values;         // n rows of channels
    std::size_t N, Channels, Lanes;
};

// The channels g .. g + kWidth - 1 of a row of `channels` values, zeros beyond its end.
// Whole vectors are loaded in place: a vector read from smaller stores just made would
// wait for them to reach the cache.
ORVA_LANE_INLINE void LoadChannels(TDoubles& v, const double* row, std::size_t g, std::size_t channels)
{
    if (g + kWidth <= channels) {
        lanes::LoadDoubles(v, row + g);
        return;
    }
    double part[kWidth] = {};
    std::memcpy(part, row + g, (channels - g) * sizeof(double));
    lanes::LoadDoubles(v, part);
}

ORVA_LANE_INLINE void StoreChannels(double* row, std::size_t g, std::size_t channels, const TDoubles& v)
{
    if (g + kWidth <= channels) {
        lanes::StoreDoubles(row + g, v);
        return;
    }
    double part[kWidth];
    lanes::StoreDoubles(part, v);
    std::memcpy(row + g, part, (channels - g) * sizeof(double));
}

// One group of lanes of a row through every section (transposed direct form II).
ORVA_LANE_INLINE void Sections(const TPassWork& w, std::size_t g, TDoubles& x)
{
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
}

// The states of every section of group g scaled by its first input (SciPy's zi times it).
ORVA_LANE_INLINE void StartStates(const TPassWork& w, std::size_t g, const TDoubles& first)
{
    for (std::size_t k = 0; k < 2 * w.NumSections; ++k) {
        TDoubles steady;
        lanes::Splat(steady, w.Steady[k]);
        lanes::StoreDoubles(w.State + k * w.Lanes + g, steady * first);
    }
}

// 2 about - x, the odd reflection of x about the end value `about`.
ORVA_LANE_INLINE void Reflect(TDoubles& v, const double* about, const double* x, std::size_t g, std::size_t channels)
{
    TDoubles a, b, two;
    LoadChannels(a, about, g, channels);
    LoadChannels(b, x, g, channels);
    lanes::Splat(two, 2.0);
    v = two * a - b;
}

ORVA_LANE_INLINE void Passes(const TPassWork& w)
{
    const std::size_t n = w.N, pad = n - 1, c = w.Channels, lanes = w.Lanes;
    const auto at = [&](std::size_t i) { return w.Values + i * c; };
    const double* first = at(0);
    const double* last = at(n - 1);
    // The forward pass over the odd extension: the left reflection only warms the states.
    for (std::size_t g = 0; g < lanes; g += kWidth) {
        TDoubles x;
        if (pad > 0)
            Reflect(x, first, at(pad), g, c);
        else
            LoadChannels(x, first, g, c);
        StartStates(w, g, x);
    }
    for (std::size_t i = 0; i < pad; ++i)
        for (std::size_t g = 0; g < lanes; g += kWidth) {
            TDoubles x;
            Reflect(x, first, at(pad - i), g, c);
            Sections(w, g, x);
        }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t g = 0; g < lanes; g += kWidth) {
            TDoubles x;
            LoadChannels(x, at(i), g, c);
            Sections(w, g, x);
            lanes::StoreDoubles(w.Forward + i * lanes + g, x);
        }
    for (std::size_t j = 0; j < pad; ++j)
        for (std::size_t g = 0; g < lanes; g += kWidth) {
            TDoubles x;
            Reflect(x, last, at(n - 2 - j), g, c);
            Sections(w, g, x);
            lanes::StoreDoubles(w.Forward + (n + j) * lanes + g, x);
        }
    // The backward pass, from the end of the extension; it stops at the epoch's first
    // sample, and only the epoch's own outputs are stored.
    for (std::size_t g = 0; g < lanes; g += kWidth) {
        TDoubles x;
        lanes::LoadDoubles(x, w.Forward + (n + pad - 1) * lanes + g);
        StartStates(w, g, x);
    }
    for (std::size_t r = n + pad; r-- > n;)
        for (std::size_t g = 0; g < lanes; g += kWidth) {
            TDoubles x;
            lanes::LoadDoubles(x, w.Forward + r * lanes + g);
            Sections(w, g, x);
        }
    for (std::size_t r = n; r-- > 0;)
        for (std::size_t g = 0; g < lanes; g += kWidth) {
            TDoubles x;
            lanes::LoadDoubles(x, w.Forward + r * lanes + g);
            Sections(w, g, x);
            StoreChannels(at(r), g, c, x);
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
    forward_.resize((n + pad) * lanes);
    const auto run = ORVA_PICK_LANE_BUILD(Passes);
    run({sections_.data(), sections_.size(), steady_.data(), state_.data(), forward_.data(), values, n,
         channels, lanes});
}

} // namespace orva
