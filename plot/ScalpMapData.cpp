#include "plot/ScalpMapData.h"

#include "select/Selection.h"
#include "export/MeasureExport.h"
#include "select/NumberFormat.h"
#include "select/TimeWindow.h"
#include "model/ORVAError.h"
#include "model/PathText.h"

#include <algorithm>
#include <cmath>

namespace orva::plot {

namespace {

// Up to three decimals, trailing zeros dropped, '.' whatever the locale.
std::string Millis(double ms)
{
    char text[kMaxFormattedLength];
    std::string s(text, FormatFixed(text, ms, 0, 3, '.'));
    while (s.find('.') != std::string::npos && (s.back() == '0' || s.back() == '.'))
        s.pop_back();
    return s == "-0" ? "0" : s;
}

const TORVACell& Cell(const TORVAFile& file, int c) { return file.Cells[static_cast<std::size_t>(c)]; }

} // namespace

TMapChannels PlaceChannels(const std::vector<TSensorPosition>& sensors, const std::vector<std::string>& channelNames,
                           TPoint3 origin, const std::filesystem::path& positionsFile)
{
    TMapChannels placed;
    const std::vector<std::optional<TPoint3>> directions = ChannelDirections(sensors, channelNames, origin);
    for (std::size_t h = 0; h < channelNames.size(); ++h) {
        if (directions[h]) {
            placed.Channels.push_back(static_cast<int>(h));
            placed.Labels.push_back(channelNames[h]);
            placed.Directions.push_back(*directions[h]);
        } else {
            placed.Unplaced.push_back(channelNames[h]);
        }
    }
    if (placed.Channels.size() < 3)
        throw EORVAError(PathText(positionsFile), "A map needs at least 3 channels with a position; " +
                                                      std::to_string(placed.Channels.size()) + " of the " +
                                                      std::to_string(channelNames.size()) +
                                                      " channels have one (names as E1 ... En or --channel-names)");
    return placed;
}

void CheckMapTrace(const TORVAFile& file, int c, int o)
{
    if (c < 0 || c >= static_cast<int>(file.Cells.size()))
        RefuseExport(file, "There is no cell " + std::to_string(c + 1) + "; the file has " +
                               std::to_string(file.Cells.size()));
    const TORVACell& cell = Cell(file, c);
    if (o < 0 || o >= cell.NumObservations)
        RefuseExport(file, "Cell " + std::to_string(c + 1) + " has no observation " + std::to_string(o + 1) +
                               "; it has " + std::to_string(cell.NumObservations));
    if (cell.SamplesPerObservation < 1 || cell.SamplesPerSecond < 1)
        RefuseExport(file, "Cell " + std::to_string(c + 1) + " has no samples with a time");
}

int NearestSample(const TORVAFile& file, int c, double ms)
{
    const TORVACell& cell = Cell(file, c);
    const int last = cell.SamplesPerObservation - 1;
    const double first = MeasureSampleTime(file, cell, 0);
    if (!std::isfinite(ms) || ms < first || ms > MeasureSampleTime(file, cell, last))
        RefuseExport(file, "Cell " + std::to_string(c + 1) + " has no sample at " + Millis(ms) +
                               " ms: " + CellTimeRangeText(file, cell));
    // Half way between two samples counts as the earlier one.
    const double x = (ms - first) * cell.SamplesPerSecond / 1000.0;
    return std::clamp(static_cast<int>(std::ceil(x - 0.5)), 0, last);
}

std::vector<double> SampleValues(const TORVAFile& file, int c, int o, int s, const std::vector<int>& channels)
{
    const TORVACell& cell = Cell(file, c);
    std::vector<double> values;
    values.reserve(channels.size());
    for (int h : channels)
        values.push_back(CalibratedValue(file, cell.Data(o, s, h), h));
    return values;
}

std::vector<double> WindowMeanValues(const TORVAFile& file, int c, int o, double start, double end,
                                     const std::vector<int>& channels)
{
    const TORVACell& cell = Cell(file, c);
    if (!std::isfinite(start) || !std::isfinite(end) || start > end)
        RefuseExport(file, "The window " + Millis(start) + " to " + Millis(end) + " ms is empty");
    const std::optional<TSampleRange> window = WindowSamples(file, cell, start, end);
    if (!window)
        RefuseExport(file, NoSampleInWindowText(file, c, start, end));
    std::vector<double> values;
    values.reserve(channels.size());
    for (int h : channels)
        values.push_back(WindowMean(CalibratedTrace(file, cell, o, h), *window));
    return values;
}

std::string SampleTitle(double ms) { return Millis(ms) + " ms"; }

std::string WindowTitle(double start, double end) { return Millis(start) + " to " + Millis(end) + " ms"; }

} // namespace orva::plot
