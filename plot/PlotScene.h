#pragma once
// What a cell graph picture shows, gathered from the document without any window code:
// the chosen trace, the traces laid over it, the time scale and the viewing options. The
// window, its saved pictures and the batch tool's "plot" command all draw from a scene.
#include "model/ORVAFile.h"
#include "plot/PlotScale.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orva::plot {

/// What is laid over the chosen trace.
enum class TOverlay {
    None,     ///< the chosen trace alone
    Cells,    ///< the chosen channel and observation in every cell, one colour per cell
    Channels, ///< every channel of the chosen observation (butterfly), the chosen one highlighted
};

struct TRgb {
    std::uint8_t R = 0, G = 0, B = 0;
    bool operator==(const TRgb&) const = default;
};

/// The viewing options; the defaults draw the plot as it has always been drawn.
struct TPlotOptions {
    int XGrid = 100;                 ///< ms, 0: no vertical grid
    int YGrid = 40;                  ///< uV, 0: no horizontal grid
    int RangeUv = kDefaultRangeUv;   ///< the full height in uV
    bool NegativeUp = false;
    bool Axes = false;               ///< labelled time (ms) and voltage (uV) axes around the plot
    bool MarkClipped = false;        ///< red marks at the edge where samples lie beyond the range
    TOverlay Overlay = TOverlay::None;
};

/// One trace to draw.
struct TPlotSeries {
    std::vector<float> Voltages;
    int SamplesPerSecond = 0;
    TRgb Colour;
    bool Highlight = false;  ///< the chosen trace: drawn after all others
    std::string Label;       ///< its legend entry; empty: none
    int PenWidth = 1;
};

struct TPlotScene {
    int Samples = 0;          ///< S of the chosen cell: the time scale
    int SamplesPerSecond = 0; ///< R of the chosen cell; 0: no time axis
    std::optional<int> BaselineDuration; ///< average files: the stimulus onset in ms
    TPlotOptions Options;
    std::vector<TPlotSeries> Series; ///< in legend order; the highlighted one is drawn last
    bool Legend = false;
};

/// The trace colour of the plot (blue), which cell 1 keeps in the cell overlay.
inline constexpr TRgb kTraceColour{0, 0, 255};
/// The colour of cell index i in the cell overlay.
TRgb CellColour(int cell);

/// Why the trace (zero-based cell, observation, channel) cannot be drawn, as the user is
/// told it; none when it can.
std::optional<std::string> TraceProblem(const TORVAFile& file, int cell, int observation, int channel);

/// The calibrated trace in uV, single precision; the caller has checked TraceProblem.
std::vector<float> TraceVoltages(const TORVAFile& file, int cell, int observation, int channel);

/// The scene of a trace that TraceProblem accepts, with the overlay the options ask for.
/// The traces of the overlay that cannot be drawn (a cell without that observation, a
/// channel without calibration) are left out.
TPlotScene BuildPlotScene(const TORVAFile& file, int cell, int observation, int channel, const TPlotOptions& options);

/// The scene of a cell whose trace cannot be drawn: the grid, axis and marker on the cell's
/// time scale (none without a cell), no trace.
TPlotScene TraceFreeScene(const TORVAFile& file, const TORVACell* cell, const TPlotOptions& options);

/// The voltages of every trace of the scene, for fitting the range.
std::vector<std::vector<float>> SceneVoltages(const TPlotScene& scene);

} // namespace orva::plot
