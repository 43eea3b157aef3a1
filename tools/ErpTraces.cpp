#include "tools/ErpTraces.h"

#include "select/TimeWindow.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orva {

namespace {

// The samples of each cell whose mean is taken out: first .. last, inclusive.
std::vector<TSampleRange> BaselineSamples(const TORVAFile& file, const TBaselineOptions& options)
{
    std::vector<TSampleRange> ranges;
    for (int c = 0; c < file.NumCells(); ++c) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        if (cell.SamplesPerSecond <= 0)
            RefuseExport(file, "Cannot correct the baseline: " + CellText(file, c) + " has a sampling rate of " +
                                   std::to_string(cell.SamplesPerSecond) + " Hz");
        if (options.Start) {
            const auto range = WindowSamples(file, cell, *options.Start, *options.End);
            if (!range)
                RefuseExport(file, "Cannot correct the baseline: " +
                                       NoSampleInWindowText(file, c, *options.Start, *options.End));
            ranges.push_back(*range);
            continue;
        }
        TSampleRange before{0, -1};
        while (before.Last + 1 < cell.SamplesPerObservation && MeasureSampleTime(file, cell, before.Last + 1) < 0)
            ++before.Last;
        if (before.Last < 0)
            RefuseExport(file, "Cannot correct the baseline: Cell " + std::to_string(c + 1) +
                                   " has no sample before 0 ms: " + CellTimeRangeText(file, cell));
        ranges.push_back(before);
    }
    return ranges;
}

std::vector<int> SamplesPerCell(const TORVAFile& file)
{
    std::vector<int> samples;
    for (const TORVACell& cell : file.Cells)
        samples.push_back(cell.SamplesPerObservation);
    return samples;
}

} // namespace

TErpResult CorrectBaseline(TORVAFile file, const TBaselineOptions& options)
{
    RequireUsable(file, "correct the baseline");
    if (options.Start.has_value() != options.End.has_value())
        RefuseExport(file, "Cannot correct the baseline: the window needs a start and an end");
    if (options.Start) {
        if (!std::isfinite(*options.Start) || !std::isfinite(*options.End) || *options.Start > *options.End)
            RefuseExport(file, "Cannot correct the baseline: the window must run from a finite start to a later end");
    } else if (!file.IsAverageFile()) {
        RefuseExport(file, "Cannot correct the baseline: a session file has no stimulus time; give the window");
    }
    const std::vector<TSampleRange> ranges = BaselineSamples(file, options);
    const int channels = file.NumChannels();
    std::vector<double> mean(static_cast<std::size_t>(channels));
    const std::vector<int> samplesPerCell = SamplesPerCell(file);
    return ChangeObservations(std::move(file), [&](int c, int, double* values) {
        const TSampleRange r = ranges[static_cast<std::size_t>(c)];
        std::fill(mean.begin(), mean.end(), 0.0);
        for (int s = r.First; s <= r.Last; ++s)
            for (int h = 0; h < channels; ++h)
                mean[static_cast<std::size_t>(h)] += values[static_cast<std::size_t>(s) * static_cast<std::size_t>(channels) + static_cast<std::size_t>(h)];
        for (double& m : mean)
            m /= r.Last - r.First + 1;
        const int samples = samplesPerCell[static_cast<std::size_t>(c)];
        for (int s = 0; s < samples; ++s)
            for (int h = 0; h < channels; ++h)
                *values++ -= mean[static_cast<std::size_t>(h)];
    });
}

TErpResult DifferenceWave(const TORVAFile& file, const TDifferenceOptions& options)
{
    if (!file.IsAverageFile())
        RefuseExport(file, "Cannot make a difference wave: this is a session file, whose trials are not paired; "
                           "average it first");
    RequireUsable(file, "make a difference wave");
    CheckSelectionEntries(file, "Cells", {options.CellA, options.CellB}, file.NumCells(), "");
    if (file.NumCells() >= std::numeric_limits<std::int16_t>::max())
        RefuseExport(file, "Cannot make a difference wave: the file already holds 32767 cells");
    const TORVACell& a = file.Cells[static_cast<std::size_t>(options.CellA)];
    const TORVACell& b = file.Cells[static_cast<std::size_t>(options.CellB)];
    auto pair = [&](const char* what, std::int32_t x, std::int32_t y) {
        if (x != y)
            RefuseExport(file, "Cannot make a difference wave: " + CellText(file, options.CellA) + " has " +
                                   std::to_string(x) + " " + what + ", " + CellText(file, options.CellB) + " has " +
                                   std::to_string(y));
    };
    pair("observations", a.NumObservations, b.NumObservations);
    pair("samples per observation", a.SamplesPerObservation, b.SamplesPerObservation);
    pair("samples per second", a.SamplesPerSecond, b.SamplesPerSecond);

    std::vector<TValueCell> cells;
    std::int32_t largestNumber = std::numeric_limits<std::int32_t>::min();
    for (int c = 0; c < file.NumCells(); ++c) {
        cells.push_back(ValueCellOf(file, c));
        largestNumber = std::max(largestNumber, file.Cells[static_cast<std::size_t>(c)].CellNumber);
    }
    TValueCell difference = ValueCellOf(file, options.CellA);
    const TLargeArray<double>& minus = cells[static_cast<std::size_t>(options.CellB)].Values;
    for (std::size_t i = 0; i < difference.Values.size(); ++i)
        difference.Values[i] -= minus[i];
    std::string name = options.Name ? *options.Name : a.Name + "-" + b.Name;
    if (name.size() > static_cast<std::size_t>(layout::kNameWidth))
        name.resize(static_cast<std::size_t>(layout::kNameWidth));
    difference.Record.Name = name;
    difference.Record.CellNumber = largestNumber + 1;
    cells.push_back(std::move(difference));
    const auto& g = file.GeneralInformation;
    TErpResult result;
    result.File = MakeAverageFile(file, std::move(cells), g.LastSubjectDone, g.BaselineDuration);
    return result;
}

TErpResult AverageReference(TORVAFile file, const TSelectionList& excluded)
{
    RequireUsable(file, "re-reference");
    const int channels = file.NumChannels();
    const TSelectionList distinct = DistinctEntries(file, "Channels", excluded, channels, "");
    std::vector<char> inMean(static_cast<std::size_t>(channels), 1);
    for (int h : distinct)
        inMean[static_cast<std::size_t>(h)] = 0;
    const int counted = channels - static_cast<int>(distinct.size());
    if (counted <= 0)
        RefuseExport(file, "Cannot re-reference: every channel is excluded, so no channel is left for the mean");
    const std::vector<int> samplesPerCell = SamplesPerCell(file);
    return ChangeObservations(std::move(file), [&](int c, int, double* values) {
        const int samples = samplesPerCell[static_cast<std::size_t>(c)];
        for (int s = 0; s < samples; ++s, values += channels) {
            double sum = 0;
            for (int h = 0; h < channels; ++h)
                if (inMean[static_cast<std::size_t>(h)])
                    sum += values[h];
            const double mean = sum / counted;
            for (int h = 0; h < channels; ++h)
                values[h] -= mean;
        }
    });
}

} // namespace orva
