#include "head/LinearSolve.h"
#include "head/SphericalSpline.h"

#include "model/ORVAError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace orva::test {
namespace {

// Sensors spread over the upper head (a spiral), as unit vectors.
std::vector<TPoint3> Cap(int count, double lowestPolarDegrees = 110)
{
    std::vector<TPoint3> p;
    const double lowest = std::cos(lowestPolarDegrees * std::numbers::pi / 180);
    for (int i = 0; i < count; ++i) {
        const double z = 1 - (1 - lowest) * (i + 0.5) / count;
        const double r = std::sqrt(1 - z * z), a = 2.39996 * i;
        p.push_back({r * std::cos(a), r * std::sin(a), z});
    }
    return p;
}

double Dot(TPoint3 a, TPoint3 b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

TPoint3 RotateAboutX(TPoint3 p, double angle)
{
    const double c = std::cos(angle), s = std::sin(angle);
    return {p.X, c * p.Y - s * p.Z, s * p.Y + c * p.Z};
}

TEST(SplineKernelTest, IsTheSeriesOfLegendrePolynomials)
{
    for (double x : {-1.0, -0.73, -0.2, 0.0, 0.31, 0.5, 0.9, 0.999, 1.0}) {
        double direct = 0;
        for (unsigned n = 1; n <= 50; ++n)
            direct += (2.0 * n + 1) / (std::pow(n, 4.0) * std::pow(n + 1.0, 4.0)) * std::legendre(n, x);
        direct /= 4 * std::numbers::pi;
        EXPECT_NEAR(SplineKernel(x), direct, 1e-15) << x;
    }
    // Largest where the points coincide, smallest where they are opposite.
    EXPECT_GT(SplineKernel(1), SplineKernel(0.5));
    EXPECT_LT(SplineKernel(-1), SplineKernel(0));
}

TEST(LinearSolveTest, PivotsAndRefusesSingularSystems)
{
    // A zero first pivot needs a row exchange.
    const std::vector<double> a = {0, 2, 1, 1, 1, 0, 3, 0, 4};
    TLuFactors lu(a, 3, "test");
    const double b[3] = {5, 2, 11};
    double x[3] = {b[0], b[1], b[2]};
    lu.Solve(x);
    for (std::size_t r = 0; r < 3; ++r)
        EXPECT_NEAR(a[r * 3] * x[0] + a[r * 3 + 1] * x[1] + a[r * 3 + 2] * x[2], b[r], 1e-12);
    EXPECT_THROW(TLuFactors({1, 2, 2, 4}, 2, "test"), EORVAError);
}

TEST(SphericalSplineTest, CoefficientsSolveTheSystemOfPerrin)
{
    const auto s = Cap(20);
    const TSphericalSpline spline(s);
    std::vector<double> v;
    for (std::size_t i = 0; i < s.size(); ++i)
        v.push_back(std::sin(3.0 * i) * 10);
    const auto c = spline.Coefficients(v);
    ASSERT_EQ(c.size(), s.size() + 1);
    double sumC = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        double row = c[s.size()];
        for (std::size_t j = 0; j < s.size(); ++j)
            row += (SplineKernel(Dot(s[i], s[j])) + (i == j ? 1e-5 : 0)) * c[j];
        EXPECT_NEAR(row, v[i], 1e-9);
        sumC += c[i];
    }
    EXPECT_NEAR(sumC, 0, 1e-9);

    // The matrix gives the same values as the coefficients, anywhere on the sphere.
    const std::vector<TPoint3> points = {{0.3, 0.2, 0.9}, {-1, 0, 0}, {0, 0, -2}};
    const auto w = spline.InterpolationMatrix(points);
    for (std::size_t p = 0; p < points.size(); ++p) {
        double value = 0;
        for (std::size_t i = 0; i < s.size(); ++i)
            value += w[p * s.size() + i] * v[i];
        EXPECT_NEAR(value, spline.Evaluate(c, points[p]), 1e-9);
    }
}

TEST(SphericalSplineTest, ReproducesConstantsAndNearlyLinearFields)
{
    const auto s = Cap(64);
    const TSphericalSpline spline(s);
    const auto between = Cap(37, 95); // points that are not sensors, inside the cap
    const auto w = spline.InterpolationMatrix(between);
    const std::size_t n = s.size();
    for (std::size_t p = 0; p < between.size(); ++p) {
        double sum = 0, linear = 0;
        for (std::size_t i = 0; i < n; ++i) {
            sum += w[p * n + i];
            linear += w[p * n + i] * (2 * s[i].X - s[i].Y + 0.5 * s[i].Z);
        }
        EXPECT_NEAR(sum, 1, 1e-9);
        EXPECT_NEAR(linear, 2 * between[p].X - between[p].Y + 0.5 * between[p].Z, 0.02) << p;
    }
    // At the sensors themselves the regularisation moves each value by 1e-5 times its
    // coefficient (the system's rows say G c + 1e-5 c + c0 = v).
    std::vector<double> v;
    for (std::size_t i = 0; i < n; ++i)
        v.push_back(std::cos(5.0 * i) * 20);
    const auto c = spline.Coefficients(v);
    const auto self = spline.InterpolationMatrix(s);
    for (std::size_t p = 0; p < n; ++p) {
        double value = 0;
        for (std::size_t i = 0; i < n; ++i)
            value += self[p * n + i] * v[i];
        EXPECT_NEAR(value, v[p] - 1e-5 * c[p], 1e-8) << p;
    }
}

TEST(SphericalSplineTest, DependsOnlyOnAnglesAndDirections)
{
    const auto s = Cap(20);
    std::vector<TPoint3> turned, scaled, reversed(s.rbegin(), s.rend());
    for (const auto& p : s) {
        turned.push_back(RotateAboutX(p, 0.7));
        scaled.push_back(p); // sensors must be unit vectors; points may have any length
    }
    const std::vector<TPoint3> points = {{0.1, -0.4, 0.8}, {0.9, 0.1, 0.1}};
    std::vector<TPoint3> turnedPoints, longPoints;
    for (const auto& p : points) {
        turnedPoints.push_back(RotateAboutX(p, 0.7));
        longPoints.push_back({p.X * 9, p.Y * 9, p.Z * 9});
    }
    const auto w = TSphericalSpline(s).InterpolationMatrix(points);
    const auto wTurned = TSphericalSpline(turned).InterpolationMatrix(turnedPoints);
    const auto wLong = TSphericalSpline(scaled).InterpolationMatrix(longPoints);
    const auto wReversed = TSphericalSpline(reversed).InterpolationMatrix(points);
    const std::size_t n = s.size();
    for (std::size_t p = 0; p < points.size(); ++p)
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_NEAR(wTurned[p * n + i], w[p * n + i], 1e-9);
            EXPECT_NEAR(wLong[p * n + i], w[p * n + i], 1e-12);
            EXPECT_NEAR(wReversed[p * n + (n - 1 - i)], w[p * n + i], 1e-9);
        }
}

TEST(SphericalSplineTest, NoSensorsIsRefused)
{
    EXPECT_THROW(TSphericalSpline({}), EORVAError);
}

} // namespace
} // namespace orva::test
