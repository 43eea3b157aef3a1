#pragma once
// The flat picture of the head seen from above (nose up, left ear on the left): the azimuthal
// equidistant projection from the top of the head. The scalp maps draw in it and the channel
// neighbours are triangulated in it, so both agree on which sensors are next to each other.
#include "head/SensorPositions.h"

namespace orva {

/// A point of the flat map, in radians of arc from the top of the head: X towards the right
/// ear, Y towards the nose.
struct TDiscPoint {
    double X = 0;
    double Y = 0;
};

/// The azimuthal equidistant projection from the top of the head (the z axis): the point's
/// distance from the centre is its angle from the top, its direction that of (x, y). The
/// direction need not be a unit vector; the zero vector lies at the centre.
TDiscPoint ProjectToDisc(const TPoint3& direction);
/// The unit vector that ProjectToDisc takes to p (distances beyond pi wrap round the back).
TPoint3 DiscToSphere(TDiscPoint p);

} // namespace orva
