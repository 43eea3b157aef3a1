#pragma once
// The waves behind a cluster: the mean over the observations (subjects or trials) of each
// tested cell at one channel, drawn as the cell graph draws traces, with the cluster's time
// range shaded, so that the user sees where and how the cells differ.
#include "model/ORVAFile.h"
#include "plot/PlotScene.h"

#include <QImage>
#include <QSize>

#include <optional>
#include <vector>

namespace orva::plot {

/// The mean of the calibrated traces (uV) of every observation of the cell at the channel;
/// the caller has checked TraceProblem for its first observation.
std::vector<float> MeanTrace(const TORVAFile& file, int cell, int channel);

/// One series per cell, in the given order, each in the colour of its cell (CellColour)
/// and named "<cell name> mean", on the first cell's time scale, with axes, a legend and
/// the range fitted to the traces. The caller has checked TraceProblem for every cell.
TPlotScene MeanTraceScene(const TORVAFile& file, const std::vector<int>& cells, int channel);

/// The shaded samples (zero-based, of the scene's cell, inclusive) and the cluster's sign.
struct TSampleRange {
    int First = 0;
    int Last = 0;
    int Sign = 1;
};

/// Where the band over the samples lies in a plot area of the given size: from the first
/// sample's x to the last one's, on the mapping of the drawn trace (at least a pixel wide).
struct TSampleBand {
    int Left = 0;
    int Right = 0;
};
TSampleBand ComputeSampleBand(const TPlotScene& scene, QSize area, const TSampleRange& range);

/// The scene painted at the given size, the range (when given) shaded translucent red for
/// a positive cluster, blue for a negative one.
QImage ShadedTracePicture(const TPlotScene& scene, const std::optional<TSampleRange>& range, QSize size);

} // namespace orva::plot
