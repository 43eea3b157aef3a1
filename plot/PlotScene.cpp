#include "plot/PlotScene.h"

namespace orva::plot {

namespace {

const TRgb kOtherChannelColour{150, 150, 150};

bool InRange(int value, std::size_t count)
{
    return value >= 0 && static_cast<std::size_t>(value) < count;
}

std::string CellName(const TORVAFile& file, int cell)
{
    const std::string& name = file.Cells[static_cast<std::size_t>(cell)].Name;
    return name.empty() ? "Cell " + std::to_string(cell + 1) : name;
}

TPlotSeries Trace(const TORVAFile& file, int cell, int observation, int channel, TRgb colour, std::string label)
{
    return {TraceVoltages(file, cell, observation, channel),
            file.Cells[static_cast<std::size_t>(cell)].SamplesPerSecond, colour, false, std::move(label)};
}

// Every cell in its own colour, in cell order; cells that cannot show the trace are left out.
void AddCells(TPlotScene& scene, const TORVAFile& file, int chosenCell, int observation, int channel)
{
    for (int c = 0; c < static_cast<int>(file.Cells.size()); ++c) {
        if (c != chosenCell && TraceProblem(file, c, observation, channel))
            continue;
        scene.Series.push_back(Trace(file, c, observation, channel, CellColour(c), CellName(file, c)));
        scene.Series.back().Highlight = c == chosenCell;
    }
}

// The chosen channel, wider and in the trace colour, above every other channel in grey.
void AddChannels(TPlotScene& scene, const TORVAFile& file, int cell, int observation, int chosenChannel)
{
    scene.Series.push_back(Trace(file, cell, observation, chosenChannel, kTraceColour,
                                 "Chan. " + std::to_string(chosenChannel + 1)));
    scene.Series.back().Highlight = true;
    scene.Series.back().PenWidth = 2;
    bool labelled = false;
    for (int ch = 0; ch < file.NumChannels(); ++ch) {
        if (ch == chosenChannel || TraceProblem(file, cell, observation, ch))
            continue;
        scene.Series.push_back(
            Trace(file, cell, observation, ch, kOtherChannelColour, labelled ? std::string() : "other channels"));
        labelled = true;
    }
}

} // namespace

TRgb CellColour(int cell)
{
    static const TRgb palette[] = {kTraceColour,   {220, 0, 0},    {0, 140, 0},   {230, 120, 0}, {190, 0, 190},
                                   {0, 150, 160},  {130, 80, 20},  {110, 60, 180}, {120, 120, 0}, {240, 80, 140}};
    constexpr int n = static_cast<int>(sizeof(palette) / sizeof(palette[0]));
    return palette[((cell % n) + n) % n];
}

std::optional<std::string> TraceProblem(const TORVAFile& file, int cell, int observation, int channel)
{
    if (!InRange(cell, file.Cells.size()))
        return "there is no cell " + std::to_string(cell + 1) + " (the file has " + std::to_string(file.Cells.size()) +
               ")";
    const TORVACell& c = file.Cells[static_cast<std::size_t>(cell)];
    if (channel < 0 || channel >= file.NumChannels())
        return "there is no channel " + std::to_string(channel + 1) + " (the file has " +
               std::to_string(std::max(0, file.NumChannels())) + ")";
    if (observation < 0 || observation >= c.NumObservations)
        return CellName(file, cell) + " has no observation " + std::to_string(observation + 1) + " (it has " +
               std::to_string(std::max(0, c.NumObservations)) + ")";
    if (observation >= c.Data.Observations() || channel >= c.Data.Channels() ||
        c.SamplesPerObservation > c.Data.Samples() || !InRange(channel, file.DataDescription.Zeros.size()) ||
        !InRange(channel, file.DataDescription.Gains.size()))
        return CellName(file, cell) + ": the samples do not match the cell's counts";
    if (auto calibration = CalibrationProblem(file, channel))
        return calibration;
    if (c.SamplesPerSecond <= 0)
        return CellName(file, cell) + " has " + std::to_string(c.SamplesPerSecond) +
               " samples per second, so it has no time axis";
    return std::nullopt;
}

std::vector<float> TraceVoltages(const TORVAFile& file, int cell, int observation, int channel)
{
    const TORVACell& c = file.Cells[static_cast<std::size_t>(cell)];
    std::vector<float> v(static_cast<std::size_t>(std::max(0, c.SamplesPerObservation)));
    for (std::size_t k = 0; k < v.size(); ++k)
        v[k] = static_cast<float>(CalibratedValue(file, c.Data(observation, static_cast<int>(k), channel), channel));
    return v;
}

TPlotScene BuildPlotScene(const TORVAFile& file, int cell, int observation, int channel, const TPlotOptions& options)
{
    TPlotScene scene = TraceFreeScene(file, &file.Cells[static_cast<std::size_t>(cell)], options);
    switch (options.Overlay) {
    case TOverlay::Cells:
        AddCells(scene, file, cell, observation, channel);
        break;
    case TOverlay::Channels:
        AddChannels(scene, file, cell, observation, channel);
        break;
    case TOverlay::None:
        scene.Series.push_back(Trace(file, cell, observation, channel, kTraceColour, {}));
        scene.Series.back().Highlight = true;
        break;
    }
    scene.Legend = options.Overlay != TOverlay::None;
    return scene;
}

TPlotScene TraceFreeScene(const TORVAFile& file, const TORVACell* cell, const TPlotOptions& options)
{
    TPlotScene scene;
    scene.Samples = cell ? cell->SamplesPerObservation : 0;
    scene.SamplesPerSecond = cell ? cell->SamplesPerSecond : 0;
    if (file.IsAverageFile())
        scene.BaselineDuration = file.GeneralInformation.BaselineDuration;
    scene.Options = options;
    return scene;
}

std::vector<std::vector<float>> SceneVoltages(const TPlotScene& scene)
{
    std::vector<std::vector<float>> all;
    for (const auto& s : scene.Series)
        all.push_back(s.Voltages);
    return all;
}

} // namespace orva::plot
