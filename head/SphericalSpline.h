#pragma once
// Spherical splines of Perrin, Pernier, Bertrand and Echallier (1989), "Spherical splines
// for scalp potential and current density mapping", Electroencephalography and Clinical
// Neurophysiology 72:184-187, with the constants MNE-Python and EEGLAB use: order m = 4,
// the Legendre series cut after 50 terms, 1e-5 added to the diagonal of G.
#include "head/LinearSolve.h"
#include "head/SensorPositions.h"

#include <vector>

namespace orva {

inline constexpr int kSplineOrder = 4;
inline constexpr int kSplineTerms = 50;
inline constexpr double kSplineRegularisation = 1e-5;

/// g(x) = (1/4pi) sum over n = 1..50 of (2n+1) / (n^4 (n+1)^4) P_n(x), x the cosine of the
/// angle between two points of the unit sphere.
double SplineKernel(double cosAngle);

/// The spline through values at fixed sensors, solved once for those sensors.
class TSphericalSpline {
public:
    /// Factors [G 1; 1^T 0] for these unit vectors (G_ii += 1e-5). Throws EORVAError when
    /// the sensors give a singular system (fewer than one sensor, or duplicates beyond what
    /// the regularisation keeps apart).
    explicit TSphericalSpline(std::vector<TPoint3> sensors);

    std::size_t SensorCount() const { return sensors_.size(); }

    /// Row-major (points x sensors): the value at point p is sum_i W[p * n + i] * v_i for
    /// the values v at the sensors. The points need not be unit vectors (only their
    /// directions count); a zero point gets the row of the constant term alone.
    std::vector<double> InterpolationMatrix(const std::vector<TPoint3>& points) const;

    /// The spline's weights for values at the sensors: c_1..c_n, then the constant c0.
    std::vector<double> Coefficients(const std::vector<double>& values) const;
    /// The value at point of the spline with these coefficients.
    double Evaluate(const std::vector<double>& coefficients, TPoint3 point) const;

private:
    double CosAngle(std::size_t sensor, TPoint3 unitPoint) const;

    std::vector<TPoint3> sensors_;
    TLuFactors lu_;
};

/// The unit vector in the direction of p (p itself when it is zero).
TPoint3 UnitVector(TPoint3 p);

} // namespace orva
