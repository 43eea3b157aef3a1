#include "export/MeasureExport.h"

#include "export/LongTableExport.h"
#include "select/CsvText.h"
#include "select/NumberFormat.h"

#include <cmath>
#include <cstdint>

namespace orva {

namespace {

// A given list, or every index below count.
TSelectionList Indices(const std::optional<TSelectionList>& list, int count)
{
    if (list)
        return *list;
    TSelectionList all;
    for (int i = 0; i < count; ++i)
        all.push_back(i);
    return all;
}

std::string Three(double value)
{
    char text[kMaxFormattedLength];
    return std::string(text, FormatFixed(text, value, 0, 3, '.'));
}

} // namespace

TTraceMeasures MeasureTrace(const TORVAFile& file, int c, int o, int h, const TMeasureOptions& options)
{
    const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
    return MeasureCellTrace(file, cell, o, h, *WindowSamples(file, cell, options.WindowStart, options.WindowEnd),
                            options);
}

void CheckMeasures(const TORVAFile& file, const TMeasureOptions& options)
{
    if (!std::isfinite(options.WindowStart) || !std::isfinite(options.WindowEnd))
        RefuseExport(file, "The measurement window must be given by two finite times");
    if (options.WindowStart > options.WindowEnd)
        RefuseExport(file, "The measurement window starts at " + Three(options.WindowStart) + " ms, after its end at " +
                               Three(options.WindowEnd) + " ms");
    if (options.Measures.empty())
        RefuseExport(file, "No measure was chosen");
    if (options.Neighbours < 0)
        RefuseExport(file, "The number of neighbours is " + std::to_string(options.Neighbours) +
                               "; it must be 0 (simple peak) or more");
    TLongTableOptions selection;
    selection.Cells = options.Cells;
    selection.Observations = options.Observations;
    selection.Channels = options.Channels;
    CheckLongTable(file, selection);
    for (int c : Indices(options.Cells, file.NumCells())) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        if (WindowSamples(file, cell, options.WindowStart, options.WindowEnd))
            continue;
        RefuseExport(file, NoSampleInWindowText(file, c, options.WindowStart, options.WindowEnd));
    }
}

namespace {

// Calls row(cell, observation, channel, kind, value, noLocalPeak) for every row of the table,
// zero-based, in the table's order.
template <class TRow>
void ForEachMeasure(const TORVAFile& file, const TMeasureOptions& options, TRow&& row)
{
    CheckMeasures(file, options);
    const TSelectionList channels = Indices(options.Channels, file.NumChannels());
    for (int c : Indices(options.Cells, file.NumCells())) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        for (int o : Indices(options.Observations, cell.NumObservations)) {
            for (int h : channels) {
                const TTraceMeasures m = MeasureTrace(file, c, o, h, options);
                const bool noLocalPeak = options.Neighbours >= 1 && !m.Peak.Local;
                for (TMeasureKind kind : options.Measures) {
                    if (kind == TMeasureKind::Mean)
                        row(c, o, h, kind, m.Mean, false);
                    else
                        row(c, o, h, kind, kind == TMeasureKind::Peak ? m.PeakValue : m.PeakTime, noLocalPeak);
                }
            }
        }
    }
}

} // namespace

void WriteMeasureRows(const TORVAFile& file, const TMeasureOptions& options, TLineSink& sink)
{
    const std::string fileColumn = CsvField(file.FileName) + ",";
    const std::string windowColumns = Three(options.WindowStart) + "," + Three(options.WindowEnd) + ",";
    int lastCell = -1;
    std::string cellColumns;
    ForEachMeasure(file, options, [&](int c, int o, int h, TMeasureKind kind, double value, bool noLocalPeak) {
        if (c != lastCell) {
            cellColumns = fileColumn + std::to_string(c + 1) + "," +
                          CsvField(Windows1252ToUtf8(file.Cells[static_cast<std::size_t>(c)].Name)) + ",";
            lastCell = c;
        }
        sink.Write(cellColumns);
        sink.Write(std::to_string(o + 1) + "," + std::to_string(h + 1) + ",");
        sink.Write(MeasureName(kind));
        sink.Write(",");
        sink.Write(windowColumns);
        sink.Write(Three(value));
        sink.Write(",");
        sink.Write(noLocalPeak ? kNoLocalPeak : std::string_view());
        sink.EndLine();
    });
}

TMeasureColumns MeasureColumns(const TORVAFile& file, const TMeasureOptions& options)
{
    TMeasureColumns table;
    ForEachMeasure(file, options, [&](int c, int o, int h, TMeasureKind kind, double value, bool noLocalPeak) {
        table.Cell.push_back(c + 1);
        table.Observation.push_back(o + 1);
        table.Channel.push_back(h + 1);
        table.Measure.push_back(kind);
        table.Value.push_back(value);
        table.NoLocalPeak.push_back(noLocalPeak);
    });
    return table;
}

} // namespace orva
