#pragma once
// The cell graph's mapping from samples and microvolts to pixels, kept free of any window
// code so that every coordinate can be checked without drawing.
#include <cstddef>
#include <optional>
#include <vector>

namespace orva::plot {

/// What the plot is drawn from.
struct TPlotInput {
    int Width = 0;            ///< W: plot width in pixels
    int Height = 0;           ///< H: plot height in pixels
    int Samples = 0;          ///< S: samples per observation of the cell
    int SamplesPerSecond = 0; ///< R: 0 means the time axis cannot be scaled
    int XGrid = 0;            ///< vertical grid spacing in ms (0: no vertical grid)
    int YGrid = 0;            ///< horizontal grid spacing in uV (0: no horizontal grid)
    /// The trace in microvolts, one per sample; empty when it cannot be calibrated.
    std::vector<float> Voltages;
    /// Average files only: the baseline marker's position in ms.
    std::optional<int> BaselineDuration;
    /// The full height spans this many microvolts around the axis (900: +-450 uV).
    int RangeUv = 900;
    /// Negative voltages above the axis (the common ERP convention).
    bool NegativeUp = false;
};

struct TPlotPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPlotPoint&) const = default;
};

/// Every coordinate of the plot. Scale factors are single precision, coordinates truncated
/// toward zero, as the plot has always been drawn.
struct TPlotGeometry {
    std::optional<float> MsPerSample;   ///< 1000 / R; none when R is 0
    std::optional<float> PxPerMs;       ///< W / ((S + 2) * MsPerSample)
    float PxPerUv = 0;                  ///< H / RangeUv (900: the height spans +-450 uV)
    std::vector<int> VerticalGridX;     ///< x of each vertical grid line (0 .. H)
    std::vector<int> HorizontalGridY;   ///< y of each horizontal grid line, above then below the axis
    int AxisY = 0;                      ///< H div 2
    std::optional<int> MarkerX;         ///< the baseline marker (average files with a time scale)
    std::vector<TPlotPoint> Trace;      ///< start point, then one point per further sample
};

/// The points of one trace: the start point, then one point per further sample. The time
/// scale is the plot's (pxPerMs); msPerSample is the trace's own, so that traces of cells
/// with other sampling rates stand at their true times.
std::vector<TPlotPoint> ComputeTrace(const std::vector<float>& voltages, float msPerSample, float pxPerMs,
                                     float pxPerUv, int height, bool negativeUp);

/// The samples of a trace that lie outside a plot of the given height, by their x.
struct TClipping {
    std::vector<int> AboveX; ///< drawn above the top edge
    std::vector<int> BelowX; ///< drawn below the bottom edge
    std::size_t Count() const { return AboveX.size() + BelowX.size(); }
};
TClipping FindClipping(const std::vector<TPlotPoint>& trace, int height);

/// The length of an observation in whole milliseconds, the upper limit of the x grid;
/// none when R is 0.
std::optional<int> XGridMaximum(int samples, int samplesPerSecond);

/// All coordinates of the plot for the given input.
TPlotGeometry ComputePlotGeometry(const TPlotInput& input);

} // namespace orva::plot
