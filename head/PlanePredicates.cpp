#include "head/PlanePredicates.h"

#include <cmath>
#include <vector>

namespace orva {

namespace {

// An expansion: a sum of doubles that do not overlap, smallest magnitude first, without
// zeros, so its sign is that of its last term. Sums and products of doubles are exact as
// expansions (Dekker's and Knuth's error-free transformations; no fused multiply-add is
// generated, so each rounding happens where it is written).
using TExpansion = std::vector<double>;

void TwoSum(double a, double b, double& sum, double& error)
{
    sum = a + b;
    const double bVirtual = sum - a;
    const double aVirtual = sum - bVirtual;
    error = (a - aVirtual) + (b - bVirtual);
}

void Split(double a, double& high, double& low)
{
    constexpr double kSplitter = 134217729.0; // 2^27 + 1
    const double c = kSplitter * a;
    high = c - (c - a);
    low = a - high;
}

void TwoProduct(double a, double b, double& product, double& error)
{
    product = a * b;
    double aHigh, aLow, bHigh, bLow;
    Split(a, aHigh, aLow);
    Split(b, bHigh, bLow);
    error = aLow * bLow - (((product - aHigh * bHigh) - aLow * bHigh) - aHigh * bLow);
}

TExpansion Difference(double a, double b)
{
    double sum, error;
    TwoSum(a, -b, sum, error);
    TExpansion e;
    if (error != 0)
        e.push_back(error);
    if (sum != 0)
        e.push_back(sum);
    return e;
}

// e + b (Shewchuk's grow-expansion with zeros dropped).
TExpansion Grow(const TExpansion& e, double b)
{
    TExpansion h;
    h.reserve(e.size() + 1);
    double q = b;
    for (double term : e) {
        double sum, error;
        TwoSum(q, term, sum, error);
        if (error != 0)
            h.push_back(error);
        q = sum;
    }
    if (q != 0)
        h.push_back(q);
    return h;
}

TExpansion Add(TExpansion e, const TExpansion& f)
{
    for (double term : f)
        e = Grow(e, term);
    return e;
}

TExpansion Negate(TExpansion e)
{
    for (double& term : e)
        term = -term;
    return e;
}

TExpansion Scale(const TExpansion& e, double b)
{
    TExpansion h;
    for (double term : e) {
        double product, error;
        TwoProduct(term, b, product, error);
        h = Grow(Grow(h, error), product);
    }
    return h;
}

TExpansion Multiply(const TExpansion& e, const TExpansion& f)
{
    TExpansion h;
    for (double term : f)
        h = Add(std::move(h), Scale(e, term));
    return h;
}

int Sign(const TExpansion& e)
{
    return e.empty() ? 0 : (e.back() > 0 ? 1 : -1);
}

int SignOf(double v)
{
    return (v > 0) - (v < 0);
}

// The relative error bounds of the estimates (Shewchuk 1997, bounds A) with a margin of 2.
constexpr double kEpsilon = 1.1102230246251565e-16; // 2^-53
constexpr double kOrientationBound = 2 * (3 + 16 * kEpsilon) * kEpsilon;
constexpr double kInCircleBound = 2 * (10 + 96 * kEpsilon) * kEpsilon;

} // namespace

int Orientation(TDiscPoint a, TDiscPoint b, TDiscPoint c)
{
    const double left = (a.X - c.X) * (b.Y - c.Y);
    const double right = (a.Y - c.Y) * (b.X - c.X);
    const double estimate = left - right;
    if (std::fabs(estimate) > kOrientationBound * (std::fabs(left) + std::fabs(right)))
        return SignOf(estimate);
    const TExpansion acx = Difference(a.X, c.X), acy = Difference(a.Y, c.Y);
    const TExpansion bcx = Difference(b.X, c.X), bcy = Difference(b.Y, c.Y);
    return Sign(Add(Multiply(acx, bcy), Negate(Multiply(acy, bcx))));
}

int InCircle(TDiscPoint a, TDiscPoint b, TDiscPoint c, TDiscPoint d)
{
    const double adx = a.X - d.X, ady = a.Y - d.Y;
    const double bdx = b.X - d.X, bdy = b.Y - d.Y;
    const double cdx = c.X - d.X, cdy = c.Y - d.Y;
    const double bc1 = bdx * cdy, bc2 = cdx * bdy;
    const double ca1 = cdx * ady, ca2 = adx * cdy;
    const double ab1 = adx * bdy, ab2 = bdx * ady;
    const double aLift = adx * adx + ady * ady;
    const double bLift = bdx * bdx + bdy * bdy;
    const double cLift = cdx * cdx + cdy * cdy;
    const double estimate = aLift * (bc1 - bc2) + bLift * (ca1 - ca2) + cLift * (ab1 - ab2);
    const double permanent = (std::fabs(bc1) + std::fabs(bc2)) * aLift + (std::fabs(ca1) + std::fabs(ca2)) * bLift +
                             (std::fabs(ab1) + std::fabs(ab2)) * cLift;
    if (std::fabs(estimate) > kInCircleBound * permanent)
        return SignOf(estimate);

    const TExpansion ax = Difference(a.X, d.X), ay = Difference(a.Y, d.Y);
    const TExpansion bx = Difference(b.X, d.X), by = Difference(b.Y, d.Y);
    const TExpansion cx = Difference(c.X, d.X), cy = Difference(c.Y, d.Y);
    const auto lift = [](const TExpansion& x, const TExpansion& y) { return Add(Multiply(x, x), Multiply(y, y)); };
    const auto cross = [](const TExpansion& x1, const TExpansion& y1, const TExpansion& x2, const TExpansion& y2) {
        return Add(Multiply(x1, y2), Negate(Multiply(y1, x2)));
    };
    TExpansion det = Multiply(lift(ax, ay), cross(bx, by, cx, cy));
    det = Add(std::move(det), Multiply(lift(bx, by), cross(cx, cy, ax, ay)));
    det = Add(std::move(det), Multiply(lift(cx, cy), cross(ax, ay, bx, by)));
    return Sign(det);
}

} // namespace orva
