#include "head/DiscProjection.h"

#include <cmath>

namespace orva {

TDiscPoint ProjectToDisc(const TPoint3& d)
{
    const double horizontal = std::hypot(d.X, d.Y);
    if (horizontal == 0)
        return d.Z < 0 ? TDiscPoint{0, -std::acos(-1.0)} : TDiscPoint{};
    const double angle = std::atan2(horizontal, d.Z);
    return {angle * d.X / horizontal, angle * d.Y / horizontal};
}

TPoint3 DiscToSphere(TDiscPoint p)
{
    const double angle = std::hypot(p.X, p.Y);
    if (angle == 0)
        return {0, 0, 1};
    const double s = std::sin(angle) / angle;
    return {p.X * s, p.Y * s, std::cos(angle)};
}

} // namespace orva
