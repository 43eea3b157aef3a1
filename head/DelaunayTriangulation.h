#pragma once
// The Delaunay triangulation of points of the plane, built by a sweep (a valid triangulation
// of the convex hull) and then edge flips until every edge is locally Delaunay (Lawson),
// both on exact predicates, so the result does not hang on rounding.
#include "head/DiscProjection.h"

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace orva {

struct TTriangulation {
    /// Counter-clockwise triangles of point indices. With four or more points on one empty
    /// circle, one of the valid choices.
    std::vector<std::array<int, 3>> Triangles;
    /// Set instead when two points coincide (the lower indices of one such pair).
    std::optional<std::pair<int, int>> Coincident;
    /// Set instead when there are three or more points and all lie on one line.
    bool Collinear = false;
};

TTriangulation DelaunayTriangulation(const std::vector<TDiscPoint>& points);

} // namespace orva
