#pragma once
// The picture of a band filter's effect on one trace: the trace as it is in grey under the
// trace as the filter leaves it, on one set of the cell graph's scales.
#include "plot/PlotScene.h"
#include "tools/BandFilter.h"

#include <optional>
#include <vector>

namespace orva::plot {

/// The grey of the trace before filtering.
inline constexpr TRgb kUnfilteredColour{160, 160, 160};

/// The trace (zero-based cell, observation, channel) in uV, filtered by BandFilterTrace at
/// its cell's rate from its calibrated values in double, as BandFilter filters that trace.
/// The caller has checked TraceProblem and CheckBandFilterFor.
std::vector<double> FilteredTrace(const TORVAFile& file, int cell, int observation, int channel,
                                  const TBandFilterOptions& filter);

/// The scene of a trace that TraceProblem accepts: the trace as it is ("before", grey) and,
/// when given, after filtering ("after", the trace colour, wider, drawn on top), with a
/// legend. The overlay of options is not used; everything else is the cell graph's.
TPlotScene BeforeAfterScene(const TORVAFile& file, int cell, int observation, int channel,
                            const std::optional<std::vector<float>>& after, const TPlotOptions& options);

} // namespace orva::plot
