#include "select/TimeWindow.h"

#include "select/CsvText.h"

#include <cstdint>

namespace orva {

double TSampleTimes::At(int s) const
{
    // One exact fraction divided once, as the long table computes its time column.
    const std::int64_t numerator = std::int64_t{s} * 1000 - std::int64_t{BaselineMs} * SamplesPerSecond;
    return static_cast<double>(numerator) / SamplesPerSecond;
}

TSampleTimes CellSampleTimes(const TORVAFile& file, const TORVACell& cell)
{
    return TSampleTimes{cell.SamplesPerSecond, file.IsAverageFile() ? file.GeneralInformation.BaselineDuration : 0};
}

double MeasureSampleTime(const TORVAFile& file, const TORVACell& cell, int s)
{
    return CellSampleTimes(file, cell).At(s);
}

std::optional<TSampleRange> WindowSamples(const TORVAFile& file, const TORVACell& cell, double start, double end)
{
    TSampleRange range{0, -1};
    bool found = false;
    for (int s = 0; s < cell.SamplesPerObservation; ++s) {
        const double t = MeasureSampleTime(file, cell, s);
        if (t < start || t > end)
            continue;
        if (!found)
            range.First = s;
        range.Last = s;
        found = true;
    }
    if (!found)
        return std::nullopt;
    return range;
}

std::string CellTimeRangeText(const TORVAFile& file, const TORVACell& cell)
{
    if (cell.SamplesPerObservation <= 0)
        return "it has no samples";
    return "its samples lie from " + ShortDecimal(MeasureSampleTime(file, cell, 0), 3) + " to " +
           ShortDecimal(MeasureSampleTime(file, cell, cell.SamplesPerObservation - 1), 3) + " ms";
}

std::string NoSampleInWindowText(const TORVAFile& file, int c, double start, double end)
{
    return "Cell " + std::to_string(c + 1) + " has no sample in the window " + ShortDecimal(start, 3) + " to " +
           ShortDecimal(end, 3) + " ms: " + CellTimeRangeText(file, file.Cells[static_cast<std::size_t>(c)]);
}

} // namespace orva
