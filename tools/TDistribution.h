#pragma once
// Student's t distribution (Boost.Math), for the cluster-forming threshold and the
// parametric p values of the point-wise tests.

namespace orva {

/// The t below which a share p of the distribution with df degrees of freedom lies
/// (0 < p < 1, df >= 1).
double StudentTQuantile(double p, int df);

/// The share of the distribution above t (the survival function).
double StudentTSurvival(double t, int df);

} // namespace orva
