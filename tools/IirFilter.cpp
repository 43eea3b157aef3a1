#include "tools/IirFilter.h"

#include "model/ORVAError.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <numeric>

namespace orva {

namespace {

using TComplex = std::complex<double>;
using TRoots = std::vector<TComplex>;

[[noreturn]] void RefuseDesign(const std::string& cause)
{
    throw EORVAError("IIR filter design", cause);
}

TComplex Product(const TRoots& roots, double shift, double sign)
{
    // prod(shift + sign * r), in the roots' order
    TComplex p = 1.0;
    for (const TComplex& r : roots)
        p *= shift + sign * r;
    return p;
}

// The complex roots (one of each conjugate pair, the one above the axis) sorted by real part
// then by size of imaginary part, then the real roots sorted: the order the pairing walks.
TRoots ConjugatesThenReals(const TRoots& roots)
{
    const double tolerance = 100 * std::numeric_limits<double>::epsilon();
    TRoots upper, lower;
    std::vector<double> reals;
    for (const TComplex& r : roots) {
        if (std::abs(r.imag()) <= tolerance * std::abs(r))
            reals.push_back(r.real());
        else
            (r.imag() > 0 ? upper : lower).push_back(r);
    }
    if (upper.size() != lower.size())
        RefuseDesign("complex roots without their conjugates");
    const auto byRealThenImag = [](const TComplex& a, const TComplex& b) {
        if (a.real() != b.real())
            return a.real() < b.real();
        return std::abs(a.imag()) < std::abs(b.imag());
    };
    std::stable_sort(upper.begin(), upper.end(), byRealThenImag);
    std::stable_sort(lower.begin(), lower.end(), byRealThenImag);
    std::stable_sort(reals.begin(), reals.end());
    TRoots ordered;
    for (std::size_t i = 0; i < upper.size(); ++i)
        ordered.push_back((upper[i] + std::conj(lower[i])) / 2.0);
    for (double r : reals)
        ordered.emplace_back(r, 0.0);
    return ordered;
}

bool IsReal(const TComplex& r) { return r.imag() == 0; }

std::size_t ArgMin(const TRoots& roots, const auto& key)
{
    std::size_t best = 0;
    for (std::size_t i = 1; i < roots.size(); ++i)
        if (key(roots[i]) < key(roots[best]))
            best = i;
    return best;
}

// The index of the root of `from` nearest `to` that is real (wantReal) or complex.
std::size_t NearestOfKind(const TRoots& from, TComplex to, bool wantReal)
{
    std::vector<std::size_t> order(from.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return std::abs(from[a] - to) < std::abs(from[b] - to); });
    for (std::size_t i : order)
        if (IsReal(from[i]) == wantReal)
            return i;
    RefuseDesign("no root of the kind the pairing needs");
}

TComplex Take(TRoots& roots, std::size_t i)
{
    const TComplex r = roots[i];
    roots.erase(roots.begin() + static_cast<std::ptrdiff_t>(i));
    return r;
}

// Zeros, poles and gain to second-order sections, each pole paired with its nearest zero,
// the poles farthest from the unit circle in the first section.
std::vector<TSecondOrderSection> ToSections(TRoots z, TRoots p, double k)
{
    if (z.empty() && p.empty())
        return {TSecondOrderSection{k, 0, 0, 0, 0}};
    while (p.size() < z.size())
        p.emplace_back(0.0);
    while (z.size() < p.size())
        z.emplace_back(0.0);
    const std::size_t sections = (p.size() + 1) / 2;
    if (p.size() % 2 == 1) {
        p.emplace_back(0.0);
        z.emplace_back(0.0);
    }
    z = ConjugatesThenReals(z);
    p = ConjugatesThenReals(p);
    std::vector<std::array<TComplex, 4>> chosen; // z1, z2, p1, p2
    for (std::size_t s = 0; s < sections; ++s) {
        const TComplex p1 = Take(p, ArgMin(p, [](const TComplex& r) { return std::abs(1 - std::abs(r)); }));
        const bool realLeft = std::any_of(p.begin(), p.end(), IsReal);
        TComplex z1, z2, p2;
        if (IsReal(p1) && !realLeft) {
            // the last real pole alone, with the nearest real zero
            z1 = Take(z, NearestOfKind(z, p1, true));
            z2 = p2 = 0.0;
        } else {
            const bool oneRealZero = std::count_if(z.begin(), z.end(), IsReal) == 1;
            if (!IsReal(p1) && oneRealZero)
                // keep the single real zero for a real pole
                z1 = Take(z, NearestOfKind(z, p1, false));
            else
                z1 = Take(z, ArgMin(z, [&](const TComplex& r) { return std::abs(p1 - r); }));
            if (!IsReal(p1)) {
                p2 = std::conj(p1);
                z2 = IsReal(z1) ? Take(z, NearestOfKind(z, p1, true)) : std::conj(z1);
            } else {
                std::size_t p2Index = 0;
                if (!IsReal(z1)) {
                    z2 = std::conj(z1);
                    p2Index = NearestOfKind(p, z1, true);
                } else {
                    double bestDistance = std::numeric_limits<double>::infinity();
                    for (std::size_t i = 0; i < p.size(); ++i)
                        if (IsReal(p[i]) && std::abs(std::abs(p[i]) - 1) < bestDistance) {
                            bestDistance = std::abs(std::abs(p[i]) - 1);
                            p2Index = i;
                        }
                }
                p2 = Take(p, p2Index);
                if (IsReal(z1))
                    z2 = Take(z, NearestOfKind(z, p2, true));
            }
        }
        chosen.push_back({z1, z2, p1, p2});
    }
    std::reverse(chosen.begin(), chosen.end());
    std::vector<TSecondOrderSection> result;
    for (std::size_t s = 0; s < chosen.size(); ++s) {
        const auto& [z1, z2, p1, p2] = chosen[s];
        const double gain = s == 0 ? k : 1.0;
        TSecondOrderSection section;
        section.B0 = gain;
        section.B1 = gain * (-(z1 + z2)).real();
        section.B2 = gain * (z1 * z2).real();
        section.A1 = (-(p1 + p2)).real();
        section.A2 = (p1 * p2).real();
        result.push_back(section);
    }
    return result;
}

void RequireEdge(double hz, double rate)
{
    if (!(hz > 0) || !(hz < rate / 2) || !std::isfinite(hz))
        RefuseDesign("an edge of " + std::to_string(hz) + " Hz is not between 0 Hz and the Nyquist frequency of " +
                     std::to_string(rate / 2) + " Hz");
}

} // namespace

std::vector<TSecondOrderSection> DesignButterworth(int order, EButterworthKind kind, double lowHz, double highHz,
                                                   double rate)
{
    if (order < 1 || order > 64)
        RefuseDesign("an order of " + std::to_string(order) + " (1 to 64 can be designed)");
    if (!(rate > 0) || !std::isfinite(rate))
        RefuseDesign("a sampling rate of " + std::to_string(rate) + " Hz");
    if (kind != EButterworthKind::LowPass)
        RequireEdge(lowHz, rate);
    if (kind != EButterworthKind::HighPass)
        RequireEdge(highHz, rate);
    if (kind == EButterworthKind::BandPass && !(lowHz < highHz))
        RefuseDesign("a band whose low edge is not below its high edge");

    // The analog prototype: poles on the left half of the unit circle.
    TRoots z, p;
    double k = 1;
    for (int m = -order + 1; m < order; m += 2) {
        const double angle = std::numbers::pi * m / (2.0 * order);
        p.push_back(-TComplex(std::cos(angle), std::sin(angle)));
    }
    // Edges normalised to Nyquist, prewarped for the bilinear transform at fs = 2.
    const auto warp = [&](double hz) { return 4.0 * std::tan(std::numbers::pi * (2 * hz / rate) / 2.0); };
    const int degree = order;
    if (kind == EButterworthKind::LowPass) {
        const double wo = warp(highHz);
        for (TComplex& r : p)
            r *= wo;
        k *= std::pow(wo, degree);
    } else if (kind == EButterworthKind::HighPass) {
        const double wo = warp(lowHz);
        k *= (1.0 / Product(p, 0.0, -1.0)).real();
        for (TComplex& r : p)
            r = wo / r;
        z.assign(static_cast<std::size_t>(degree), 0.0);
    } else {
        const double low = warp(lowHz), high = warp(highHz);
        const double bw = high - low, wo = std::sqrt(low * high);
        TRoots bp;
        for (const TComplex& r : p) {
            const TComplex scaled = r * bw / 2.0;
            bp.push_back(scaled + std::sqrt(scaled * scaled - wo * wo));
        }
        for (const TComplex& r : p) {
            const TComplex scaled = r * bw / 2.0;
            bp.push_back(scaled - std::sqrt(scaled * scaled - wo * wo));
        }
        p = bp;
        z.assign(static_cast<std::size_t>(degree), 0.0);
        k *= std::pow(bw, degree);
    }
    // The bilinear transform at fs = 2; zeros at infinity go to Nyquist.
    const double fs2 = 4.0;
    k *= (Product(z, fs2, -1.0) / Product(p, fs2, -1.0)).real();
    const std::size_t atInfinity = p.size() - z.size();
    for (TComplex& r : z)
        r = (fs2 + r) / (fs2 - r);
    for (TComplex& r : p)
        r = (fs2 + r) / (fs2 - r);
    z.insert(z.end(), atInfinity, -1.0);
    return ToSections(std::move(z), std::move(p), k);
}

TSecondOrderSection DesignNotch(double f0, double q, double rate)
{
    RequireEdge(f0, rate);
    if (!(q > 0) || !std::isfinite(q))
        RefuseDesign("a quality factor of " + std::to_string(q));
    const double w0 = 2 * f0 / rate;
    const double bw = w0 / q * std::numbers::pi;
    const double w = w0 * std::numbers::pi;
    // -3 dB band edges
    const double gb = 1 / std::sqrt(2.0);
    const double beta = (std::sqrt(1.0 - std::pow(gb, 2.0)) / gb) * std::tan(bw / 2.0);
    const double gain = 1.0 / (1.0 + beta);
    return TSecondOrderSection{gain, gain * (-2.0 * std::cos(w)), gain, -2.0 * gain * std::cos(w), 2.0 * gain - 1.0};
}

std::vector<double> SectionSteadyStates(const std::vector<TSecondOrderSection>& sections)
{
    std::vector<double> states;
    double scale = 1;
    for (const TSecondOrderSection& s : sections) {
        // (I - A^T) zi = b[1:] - a[1:] b0 for the transposed direct form's companion matrix
        // [[1 + a1, -1], [a2, 1]] zi = r, solved by elimination with the larger pivot as
        // LAPACK does: a high-pass section's steady state is ill-conditioned (1 + a1 + a2
        // near 0) and the usual order of operations keeps it close to SciPy's.
        double m00 = 1 + s.A1, m01 = -1, m10 = s.A2, m11 = 1;
        double r0 = s.B1 - s.A1 * s.B0, r1 = s.B2 - s.A2 * s.B0;
        const bool swapped = std::abs(m10) > std::abs(m00);
        if (swapped) {
            std::swap(m00, m10);
            std::swap(m01, m11);
            std::swap(r0, r1);
        }
        const double l = m10 * (1 / m00);
        const double z1 = (r1 - l * r0) / (m11 - l * m01);
        const double z0 = (r0 - z1 * m01) / m00;
        states.push_back(scale * z0);
        states.push_back(scale * z1);
        scale *= ((s.B0 + s.B1) + s.B2) / ((1.0 + s.A1) + s.A2);
    }
    return states;
}

} // namespace orva
