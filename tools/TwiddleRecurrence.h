#pragma once
#include <cmath>

namespace orva {

/// The trigonometric recurrence that advances the twiddle factor of the transforms:
/// w starts at (wr, wi) and is multiplied by (1 + wpr, wpi) in double precision at each
/// step. The reference routines and the precomputed tables both run this one code,
/// so the tables hold the very bits the recurrence gives.
struct TTwiddleRecurrence {
    double wpr;
    double wpi;
    double wr;
    double wi;

    /// Increments for the angle theta: wpr = -2 sin^2(theta/2), wpi = sin(theta).
    static TTwiddleRecurrence ForAngle(double theta, double wr, double wi)
    {
        const double s = std::sin(theta / 2.0);
        return {-2.0 * s * s, std::sin(theta), wr, wi};
    }

    /// One step; both lines use the old wr.
    void Advance()
    {
        const double oldWr = wr;
        wr = (wr * wpr - wi * wpi) + wr;
        wi = (wi * wpr + oldWr * wpi) + wi;
    }
};

/// The angle of the butterfly stage whose half size is mmax (literal constant on purpose:
/// it is not 2 pi to full precision, and the results depend on it to the last bit).
inline double StageAngle(int sign, int mmax) { return 6.28318530717959 / static_cast<double>(sign * mmax); }

/// The angle step of the real-data split for n complex points.
inline double SplitAngle(int n) { return 3.141592653589793 / static_cast<double>(n); }

} // namespace orva
