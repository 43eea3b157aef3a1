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

ORVA_LANE_INLINE void PassesInMemory(const TPassWork& w)
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

struct TSectionLanes {
    TDoubles B0, B1, B2, A1, A2;
};
struct TStateLanes {
    TDoubles Z0, Z1;
};

// Unit: B0 = B2 = 1 (every section but the first of SciPy's Butterworth), whose products
// by 1 are left out; 1 x is x to the bit, so the result is the same.
template <bool Unit>
ORVA_LANE_INLINE void SectionStep(const TSectionLanes& c, TStateLanes& z, TDoubles& x)
{
    if constexpr (Unit) {
        const TDoubles y = x + z.Z0;
        z.Z0 = c.B1 * x - c.A1 * y + z.Z1;
        z.Z1 = x - c.A2 * y;
        x = y;
    } else {
        const TDoubles y = c.B0 * x + z.Z0;
        z.Z0 = c.B1 * x - c.A1 * y + z.Z1;
        z.Z1 = c.B2 * x - c.A2 * y;
        x = y;
    }
}

ORVA_LANE_INLINE void SectionLanes(TSectionLanes& c, const TSecondOrderSection& s)
{
    lanes::Splat(c.B0, s.B0), lanes::Splat(c.B1, s.B1), lanes::Splat(c.B2, s.B2);
    lanes::Splat(c.A1, s.A1), lanes::Splat(c.A2, s.A2);
}

ORVA_LANE_INLINE void StartLanes(TStateLanes& z, const double* steady, const TDoubles& x)
{
    TDoubles s0, s1;
    lanes::Splat(s0, steady[0]);
    lanes::Splat(s1, steady[1]);
    z.Z0 = s0 * x;
    z.Z1 = s1 * x;
}

// The passes of K (1 or 2) sections over G (1 or 2) groups of lanes from group G0 on, the
// states and coefficients in named registers (not arrays, which the compiler keeps in
// memory) and the rows of those groups one after another: each lane does the operations
// of PassesInMemory in the same order, without a trip of its states through memory.
template <std::size_t K, bool Unit, std::size_t G>
struct TRegisterPasses {
    const TPassWork& W;
    std::size_t G0, G1, Stride;
    TSectionLanes C0, C1;
    TStateLanes Z00, Z01, Z10, Z11; // group, section
    TDoubles X0, X1;

    ORVA_LANE_INLINE TRegisterPasses(const TPassWork& w, std::size_t g0)
        : W(w), G0(g0), G1(g0 + kWidth), Stride(G * kWidth)
    {
        SectionLanes(C0, w.Sections[0]);
        if constexpr (K == 2)
            SectionLanes(C1, w.Sections[1]);
    }
    ORVA_LANE_INLINE const double* At(std::size_t i) const { return W.Values + i * W.Channels; }
    ORVA_LANE_INLINE void Start()
    {
        StartLanes(Z00, W.Steady, X0);
        if constexpr (K == 2)
            StartLanes(Z01, W.Steady + 2, X0);
        if constexpr (G == 2) {
            StartLanes(Z10, W.Steady, X1);
            if constexpr (K == 2)
                StartLanes(Z11, W.Steady + 2, X1);
        }
    }
    ORVA_LANE_INLINE void Step()
    {
        SectionStep<false>(C0, Z00, X0);
        if constexpr (G == 2)
            SectionStep<false>(C0, Z10, X1);
        if constexpr (K == 2) {
            SectionStep<Unit>(C1, Z01, X0);
            if constexpr (G == 2)
                SectionStep<Unit>(C1, Z11, X1);
        }
    }
    // 2 about - x for the row x, with 2 about (exact, the same every row) in twice0, twice1.
    ORVA_LANE_INLINE void ReflectRow(const TDoubles& twice0, const TDoubles& twice1, const double* x)
    {
        TDoubles v;
        LoadChannels(v, x, G0, W.Channels);
        X0 = twice0 - v;
        if constexpr (G == 2) {
            LoadChannels(v, x, G1, W.Channels);
            X1 = twice1 - v;
        }
    }
    ORVA_LANE_INLINE void Twice(TDoubles& twice0, TDoubles& twice1, const double* about)
    {
        TDoubles two, v;
        lanes::Splat(two, 2.0);
        LoadChannels(v, about, G0, W.Channels);
        twice0 = two * v;
        twice1 = twice0;
        if constexpr (G == 2) {
            LoadChannels(v, about, G1, W.Channels);
            twice1 = two * v;
        }
    }
    ORVA_LANE_INLINE void LoadRow(const double* row)
    {
        LoadChannels(X0, row, G0, W.Channels);
        if constexpr (G == 2)
            LoadChannels(X1, row, G1, W.Channels);
    }
    ORVA_LANE_INLINE void StoreRow(double* row)
    {
        StoreChannels(row, G0, W.Channels, X0);
        if constexpr (G == 2)
            StoreChannels(row, G1, W.Channels, X1);
    }
    ORVA_LANE_INLINE void Keep(std::size_t r)
    {
        lanes::StoreDoubles(W.Forward + r * Stride, X0);
        if constexpr (G == 2)
            lanes::StoreDoubles(W.Forward + r * Stride + kWidth, X1);
    }
    ORVA_LANE_INLINE void Kept(std::size_t r)
    {
        lanes::LoadDoubles(X0, W.Forward + r * Stride);
        if constexpr (G == 2)
            lanes::LoadDoubles(X1, W.Forward + r * Stride + kWidth);
    }

    ORVA_LANE_INLINE void Run()
    {
        const std::size_t n = W.N, pad = n - 1;
        TDoubles first0, first1, last0, last1;
        Twice(first0, first1, At(0));
        Twice(last0, last1, At(n - 1));
        if (pad > 0)
            ReflectRow(first0, first1, At(pad));
        else
            LoadRow(At(0));
        Start();
        for (std::size_t i = 0; i < pad; ++i) {
            ReflectRow(first0, first1, At(pad - i));
            Step();
        }
        for (std::size_t i = 0; i < n; ++i) {
            LoadRow(At(i));
            Step();
            Keep(i);
        }
        for (std::size_t j = 0; j < pad; ++j) {
            ReflectRow(last0, last1, At(n - 2 - j));
            Step();
            Keep(n + j);
        }
        Kept(n + pad - 1);
        Start();
        for (std::size_t r = n + pad; r-- > n;) {
            Kept(r);
            Step();
        }
        for (std::size_t r = n; r-- > 0;) {
            Kept(r);
            Step();
            StoreRow(W.Values + r * W.Channels);
        }
    }
};

template <std::size_t K, bool Unit>
ORVA_LANE_INLINE void PassesInRegisters(const TPassWork& w)
{
    for (std::size_t g0 = 0; g0 < w.Lanes; g0 += 2 * kWidth) {
        if (g0 + kWidth < w.Lanes)
            TRegisterPasses<K, Unit, 2>(w, g0).Run();
        else
            TRegisterPasses<K, Unit, 1>(w, g0).Run();
    }
}

ORVA_LANE_INLINE void Passes(const TPassWork& w)
{
    if (w.NumSections == 1)
        PassesInRegisters<1, false>(w);
    else if (w.NumSections == 2 && w.Sections[1].B0 == 1 && w.Sections[1].B2 == 1)
        PassesInRegisters<2, true>(w);
    else if (w.NumSections == 2)
        PassesInRegisters<2, false>(w);
    else
        PassesInMemory(w);
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
