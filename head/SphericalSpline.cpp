#include "head/SphericalSpline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

namespace orva {

namespace {

// (2n+1) / (n^4 (n+1)^4 4pi) for n = 0..50 (the n = 0 term is not part of the series).
std::array<double, kSplineTerms + 1> KernelFactors()
{
    std::array<double, kSplineTerms + 1> f{};
    for (int n = 1; n <= kSplineTerms; ++n) {
        const double a = n, b = n + 1.0;
        f[static_cast<std::size_t>(n)] = (2 * a + 1) / (std::pow(a, kSplineOrder) * std::pow(b, kSplineOrder) * 4 * std::numbers::pi);
    }
    return f;
}

double Dot(TPoint3 a, TPoint3 b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

std::vector<double> SystemMatrix(const std::vector<TPoint3>& s)
{
    const std::size_t n = s.size(), m = n + 1;
    std::vector<double> a(m * m, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i; j < n; ++j) {
            const double g = SplineKernel(std::clamp(Dot(s[i], s[j]), -1.0, 1.0));
            a[i * m + j] = g;
            a[j * m + i] = g;
        }
        a[i * m + i] += kSplineRegularisation;
        a[i * m + n] = 1;
        a[n * m + i] = 1;
    }
    return a;
}

} // namespace

double SplineKernel(double cosAngle)
{
    static const std::array<double, kSplineTerms + 1> factors = KernelFactors();
    // P_n by the three-term recurrence (n+1) P_{n+1} = (2n+1) x P_n - n P_{n-1}.
    double previous = 1, current = cosAngle, sum = 0;
    for (int n = 1; n <= kSplineTerms; ++n) {
        sum += factors[static_cast<std::size_t>(n)] * current;
        const double next = ((2 * n + 1) * cosAngle * current - n * previous) / (n + 1);
        previous = std::exchange(current, next);
    }
    return sum;
}

TPoint3 UnitVector(TPoint3 p)
{
    // hypot, as the channel directions are found: the same vector to the last bit, and no
    // overflow of the squares for coordinates of any finite size.
    const double r = std::hypot(p.X, p.Y, p.Z);
    return r > 0 ? TPoint3{p.X / r, p.Y / r, p.Z / r} : p;
}

TSphericalSpline::TSphericalSpline(std::vector<TPoint3> sensors)
    : sensors_(std::move(sensors)), lu_(SystemMatrix(sensors_), sensors_.size() + 1, "spherical spline")
{
}

double TSphericalSpline::CosAngle(std::size_t sensor, TPoint3 unitPoint) const
{
    return std::clamp(Dot(sensors_[sensor], unitPoint), -1.0, 1.0);
}

std::vector<double> TSphericalSpline::InterpolationMatrix(const std::vector<TPoint3>& points) const
{
    // W = [g_p 1] C^-1 restricted to the value columns; C is symmetric, so each row is
    // the solution of C y = [g_p; 1].
    const std::size_t n = sensors_.size();
    std::vector<double> w(points.size() * n);
    std::vector<double> y(n + 1);
    for (std::size_t p = 0; p < points.size(); ++p) {
        const TPoint3 u = UnitVector(points[p]);
        const bool zero = u.X == 0 && u.Y == 0 && u.Z == 0;
        for (std::size_t i = 0; i < n; ++i)
            y[i] = zero ? 0 : SplineKernel(CosAngle(i, u));
        y[n] = 1;
        lu_.Solve(y.data());
        std::copy(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n), w.begin() + static_cast<std::ptrdiff_t>(p * n));
    }
    return w;
}

std::vector<double> TSphericalSpline::Coefficients(const std::vector<double>& values) const
{
    std::vector<double> c(values);
    c.resize(sensors_.size() + 1, 0.0);
    c[sensors_.size()] = 0;
    lu_.Solve(c.data());
    return c;
}

double TSphericalSpline::Evaluate(const std::vector<double>& coefficients, TPoint3 point) const
{
    const TPoint3 u = UnitVector(point);
    const std::size_t n = sensors_.size();
    double sum = coefficients[n];
    if (u.X == 0 && u.Y == 0 && u.Z == 0)
        return sum;
    for (std::size_t i = 0; i < n; ++i)
        sum += coefficients[i] * SplineKernel(CosAngle(i, u));
    return sum;
}

} // namespace orva
