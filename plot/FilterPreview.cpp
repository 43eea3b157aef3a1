#include "plot/FilterPreview.h"

#include <algorithm>

namespace orva::plot {

std::vector<double> FilteredTrace(const TORVAFile& file, int cell, int observation, int channel,
                                  const TBandFilterOptions& filter)
{
    const TORVACell& c = file.Cells[static_cast<std::size_t>(cell)];
    std::vector<double> values(static_cast<std::size_t>(std::max(0, c.SamplesPerObservation)));
    for (std::size_t k = 0; k < values.size(); ++k)
        values[k] = CalibratedValue(file, c.Data(observation, static_cast<int>(k), channel), channel);
    BandFilterTrace(values.data(), static_cast<int>(values.size()), c.SamplesPerSecond, filter);
    return values;
}

TPlotScene BeforeAfterScene(const TORVAFile& file, int cell, int observation, int channel,
                            const std::optional<std::vector<float>>& after, const TPlotOptions& options)
{
    TPlotOptions single = options;
    single.Overlay = TOverlay::None;
    TPlotScene scene = BuildPlotScene(file, cell, observation, channel, single);
    TPlotSeries& before = scene.Series.front();
    before.Colour = kUnfilteredColour;
    before.Label = "before";
    before.Highlight = !after;
    if (after) {
        TPlotSeries filtered{*after, before.SamplesPerSecond, kTraceColour, true, "after", 2};
        scene.Series.push_back(std::move(filtered));
    }
    scene.Legend = true;
    return scene;
}

} // namespace orva::plot
