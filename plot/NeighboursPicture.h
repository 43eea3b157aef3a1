#pragma once
// The channel neighbours drawn on the head seen from above: each sensor a dot with its
// label, a line between every two neighbours, so a person can review the adjacency that
// the cluster tests grow their clusters along.
#include "head/ChannelNeighbours.h"
#include "plot/ScalpMapGeometry.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <string>
#include <vector>

class QPainter;

namespace orva::plot {

struct TNeighboursScene {
    std::vector<TPoint3> Directions;  ///< one per channel, from the centre of the head
    std::vector<std::string> Labels;  ///< one per channel
    TChannelNeighbours Neighbours;    ///< indices into Directions
};

/// One line between two neighbours, in the picture's pixels; First < Second.
struct TNeighbourLine {
    int First = 0, Second = 0;
    TPixelPoint From, To;
};

/// Every pair of neighbours once, in ascending order of (First, Second), placed in a picture
/// of the given size by the scalp maps' frame.
std::vector<TNeighbourLine> NeighbourLines(QSize size, const TNeighboursScene& scene);

void PaintNeighbours(QPainter& painter, QSize size, const TNeighboursScene& scene);
QImage RenderNeighbours(QSize size, const TNeighboursScene& scene);
/// Writes the picture as PNG or SVG, by the extension, through the safe write.
void SaveNeighboursPicture(const QString& path, QSize size, const TNeighboursScene& scene);

} // namespace orva::plot
