#include "export/LongTableExport.h"

#include "export/SampleText.h"
#include "select/CsvText.h"
#include "select/NumberFormat.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace orva {

namespace {

// A given list, or every index below count: what one cell exports along one dimension.
class TIndices {
public:
    TIndices(const std::optional<TSelectionList>& list, int count) : list_(list ? &*list : nullptr), count_(count) {}

    std::size_t size() const { return list_ ? list_->size() : static_cast<std::size_t>(std::max(count_, 0)); }
    int operator[](std::size_t i) const { return list_ ? (*list_)[i] : static_cast<int>(i); }

private:
    const TSelectionList* list_;
    int count_;
};

TSelectionList ListedCells(const TORVAFile& file, const TLongTableOptions& options)
{
    if (options.Cells)
        return *options.Cells;
    TSelectionList all;
    for (int c = 0; c < file.NumCells(); ++c)
        all.push_back(c);
    return all;
}

// A given list must fit every listed cell; a list left out fits each cell by construction.
void CheckGivenList(const TORVAFile& file, const char* name, const std::optional<TSelectionList>& list,
                    const TSelectionList& cells, std::int32_t TORVACell::*member, const char* what)
{
    if (!list)
        return;
    const TCellLimit limit = SmallestOverCells(file, cells, member, what);
    CheckSelectionEntries(file, name, *list, limit.Count, limit.Text);
}

// The time of sample index s in milliseconds: s * 1000 / rate - baseline, as one exact
// fraction divided once, so that the rounding to three decimals sees the true value.
double SampleTime(int s, int rate, std::int32_t baseline)
{
    const std::int64_t numerator = std::int64_t{s} * 1000 - std::int64_t{baseline} * rate;
    return static_cast<double>(numerator) / rate;
}

// "sample,time_ms," for every exported sample of a cell: the same for each of its
// observations and channels.
std::vector<std::string> SampleColumns(const TORVAFile& file, const TORVACell& cell, const TIndices& samples)
{
    const std::int32_t baseline = file.IsAverageFile() ? file.GeneralInformation.BaselineDuration : 0;
    std::vector<std::string> columns;
    columns.reserve(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int s = samples[i];
        columns.push_back(std::to_string(s + 1) + "," + ShortDecimal(SampleTime(s, cell.SamplesPerSecond, baseline), 3) +
                          ",");
    }
    return columns;
}

} // namespace

void CheckLongTable(const TORVAFile& file, const TLongTableOptions& options)
{
    CheckDocumentShape(file);
    if (options.Cells)
        CheckSelectionEntries(file, "Cells", *options.Cells, file.NumCells(),
                              file.NumCells() > 0 ? "" : "the file has no cells");
    const TSelectionList cells = ListedCells(file, options);
    CheckGivenList(file, "Observations", options.Observations, cells, &TORVACell::NumObservations, "observations");
    if (options.Channels)
        CheckSelectionEntries(file, "Channels", *options.Channels, file.NumChannels(),
                              file.NumChannels() > 0 ? "" : "the file has no channels");
    CheckGivenList(file, "Samples", options.Samples, cells, &TORVACell::SamplesPerObservation, "samples");
    const TIndices channels(options.Channels, file.NumChannels());
    for (std::size_t i = 0; i < channels.size(); ++i)
        CheckCalibration(file, channels[i]);
    for (int c : cells) {
        const int rate = file.Cells[static_cast<std::size_t>(c)].SamplesPerSecond;
        if (rate <= 0)
            RefuseExport(file, "Cell " + std::to_string(c + 1) + " has a sampling rate of " + std::to_string(rate) +
                                   ", so the times of its samples cannot be computed");
    }
}

void WriteLongTableRows(const TORVAFile& file, const TLongTableOptions& options, TLineSink& sink)
{
    CheckLongTable(file, options);
    const std::string fileColumn = CsvField(file.FileName) + ",";
    const TIndices channels(options.Channels, file.NumChannels());
    TSampleText values(file, 0, '.');
    TLineComposer row(sink);
    for (int c : ListedCells(file, options)) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        const std::string cellColumns =
            fileColumn + std::to_string(c + 1) + "," + CsvField(Windows1252ToUtf8(cell.Name)) + ",";
        const TIndices observations(options.Observations, cell.NumObservations);
        const TIndices samples(options.Samples, cell.SamplesPerObservation);
        const std::vector<std::string> sampleColumns = SampleColumns(file, cell, samples);
        for (std::size_t io = 0; io < observations.size(); ++io) {
            const int o = observations[io];
            for (std::size_t ih = 0; ih < channels.size(); ++ih) {
                const int h = channels[ih];
                for (std::size_t is = 0; is < samples.size(); ++is) {
                    row.Append(cellColumns);
                    row.AppendNumber(o + 1);
                    row.Append(',');
                    row.AppendNumber(h + 1);
                    row.Append(',');
                    row.Append(sampleColumns[is]);
                    row.Advance(values.Put(row.Reserve(kMaxFormattedLength), cell.Data(o, samples[is], h), h));
                    row.EndLine();
                }
            }
        }
    }
}

double LongTableSampleTime(const TORVAFile& file, const TORVACell& cell, int s)
{
    return SampleTime(s, cell.SamplesPerSecond, file.IsAverageFile() ? file.GeneralInformation.BaselineDuration : 0);
}

TLongTableColumns LongTableColumns(const TORVAFile& file, const TLongTableOptions& options)
{
    CheckLongTable(file, options);
    const TIndices channels(options.Channels, file.NumChannels());
    const TSelectionList cells = ListedCells(file, options);
    std::size_t rows = 0;
    for (int c : cells) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        rows += TIndices(options.Observations, cell.NumObservations).size() * channels.size() *
                TIndices(options.Samples, cell.SamplesPerObservation).size();
    }
    TLongTableColumns table;
    for (auto* column : {&table.Cell, &table.Observation, &table.Channel, &table.Sample})
        column->reserve(rows);
    table.TimeMs.reserve(rows);
    table.ValueUv.reserve(rows);
    for (int c : cells) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        const TIndices observations(options.Observations, cell.NumObservations);
        const TIndices samples(options.Samples, cell.SamplesPerObservation);
        std::vector<double> times;
        for (std::size_t is = 0; is < samples.size(); ++is)
            times.push_back(LongTableSampleTime(file, cell, samples[is]));
        for (std::size_t io = 0; io < observations.size(); ++io) {
            const int o = observations[io];
            for (std::size_t ih = 0; ih < channels.size(); ++ih) {
                const int h = channels[ih];
                for (std::size_t is = 0; is < samples.size(); ++is) {
                    table.Cell.push_back(c + 1);
                    table.Observation.push_back(o + 1);
                    table.Channel.push_back(h + 1);
                    table.Sample.push_back(samples[is] + 1);
                    table.TimeMs.push_back(times[is]);
                    table.ValueUv.push_back(CalibratedValue(file, cell.Data(o, samples[is], h), h));
                }
            }
        }
    }
    return table;
}

} // namespace orva
