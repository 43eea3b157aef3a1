#pragma once
// The two questions a triangulation asks of the plane, answered with the sign the exact real
// numbers give for the double coordinates passed: a fast estimate where its error bound
// settles the sign, exact expansion arithmetic where it does not.
#include "head/DiscProjection.h"

namespace orva {

/// +1 when a, b, c turn counter-clockwise, -1 clockwise, 0 on one line.
int Orientation(TDiscPoint a, TDiscPoint b, TDiscPoint c);

/// For a, b, c counter-clockwise: +1 when d lies strictly inside their circle, -1 outside,
/// 0 on it (the sign flips for a clockwise a, b, c).
int InCircle(TDiscPoint a, TDiscPoint b, TDiscPoint c, TDiscPoint d);

} // namespace orva
