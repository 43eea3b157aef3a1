#pragma once
// The figure of a cluster test as a paper shows it: the t value at every tested channel and
// sample (blue negative, white 0, red positive, one symmetric scale), points outside the
// significant clusters faded, each significant cluster outlined; beside it one scalp map per
// significant cluster, the mean t over its time range with its channels marked.
#include "tools/ClusterTest.h"
#include "plot/ScalpMapGeometry.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <vector>

class QPainter;

namespace orva::plot {

struct TClusterPictureScene {
    TClusterTestResult Result;
    /// One direction per tested channel, in the result's order; empty: no maps.
    std::vector<TPoint3> Directions;
    /// Clusters with p below this are significant: outlined, mapped, not faded.
    double Alpha = 0.05;
};

/// The indices (into Result.Clusters) of the significant clusters, in the result's order.
std::vector<int> SignificantClusters(const TClusterPictureScene& scene);

/// For each point of the result ([channel][sample]), whether it lies in a significant cluster.
std::vector<bool> SignificantPoints(const TClusterPictureScene& scene);

/// The colour of each point ([channel][sample]): DivergingColour of t on the scale
/// +-range, blended three quarters towards white outside the significant clusters.
std::vector<TMapColour> PointColours(const TClusterPictureScene& scene, double range);

/// The mean t of every tested channel over the samples from the cluster's first to its last,
/// and which channels the cluster holds.
struct TClusterMap {
    std::vector<double> MeanT;
    std::vector<bool> Marked;
    double StartMs = 0, EndMs = 0;
};
TClusterMap ClusterMap(const TClusterTestResult& result, int cluster);

/// The pieces of a cluster's outline on the matrix, in cells (column = sample, row =
/// channel): the sides of its points that border a point outside it or the matrix's edge.
struct TGridEdge {
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};
std::vector<TGridEdge> ClusterOutline(const TClusterTestResult& result, int cluster);

/// One cluster's scalp map as the picture draws it beside the matrix (significant or not):
/// the mean t over its time range on the picture's colour scale, its channels marked,
/// titled by its times and p. A panel of ClusterMapSize(); the scene needs its directions.
QSize ClusterMapSize();
QImage RenderClusterMap(const TClusterPictureScene& scene, int cluster);

QSize ClusterPictureSize(const TClusterPictureScene& scene);
void PaintClusterPicture(QPainter& painter, const TClusterPictureScene& scene);
QImage RenderClusterPicture(const TClusterPictureScene& scene);
/// Writes the picture as PNG or SVG, by the extension, through the safe write.
void SaveClusterPicture(const QString& path, const TClusterPictureScene& scene);

} // namespace orva::plot
