#include "export/MeasureExport.h"

#include "export/LongTableExport.h"
#include "select/CsvText.h"
#include "select/NumberFormat.h"
#include "tools/Jackknife.h"

#include <cmath>
#include <cstdint>
#include <limits>

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

std::vector<TTraceValue> MeasureTraceValues(const TORVAFile& file, int c, int o, int h, const TMeasureOptions& options)
{
    const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
    const TSampleRange window = *WindowSamples(file, cell, options.WindowStart, options.WindowEnd);
    const std::vector<double> trace = CalibratedTrace(file, cell, o, h);
    std::vector<TTraceValue> values;
    for (TMeasureKind kind : options.Measures)
        values.push_back(MeasureTraceValue(trace, window, CellSampleTimes(file, cell), kind, options));
    return values;
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
    if (!(options.Fraction >= 0 && options.Fraction <= 1))
        RefuseExport(file, "The fraction is " + Three(options.Fraction) + "; it must lie from 0 to 1");
    if (options.Jackknife && !file.IsAverageFile())
        RefuseExport(file, "The jackknife takes an average file, whose observations are subjects; this is a "
                           "session file");
    TLongTableOptions selection;
    selection.Cells = options.Cells;
    selection.Observations = options.Observations;
    selection.Channels = options.Channels;
    CheckLongTable(file, selection);
    for (int c : Indices(options.Cells, file.NumCells())) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        if (!WindowSamples(file, cell, options.WindowStart, options.WindowEnd))
            RefuseExport(file, NoSampleInWindowText(file, c, options.WindowStart, options.WindowEnd));
        const std::size_t subjects = Indices(options.Observations, cell.NumObservations).size();
        if (options.Jackknife && subjects < 3)
            RefuseExport(file, "Cell " + std::to_string(c + 1) + " has " + std::to_string(subjects) + " subject" +
                                   (subjects == 1 ? "" : "s") + "; the jackknife needs at least 3");
    }
}

std::string_view JackknifeNote(std::string_view traceNote)
{
    if (traceNote == kNoLocalPeak)
        return kJackknifeNoLocalPeak;
    if (traceNote == kNoArea)
        return kJackknifeNoArea;
    if (traceNote == kNoCrossing)
        return kJackknifeNoCrossing;
    return kJackknife;
}

namespace {

// The measures of every listed observation (each a subject) of cell c, scored by the
// jackknife: [observation][channel][measure], in list order.
using TCellValues = std::vector<std::vector<std::vector<TTraceValue>>>;
TCellValues JackknifeCell(const TORVAFile& file, int c, const TSelectionList& observations,
                          const TSelectionList& channels, const TMeasureOptions& options)
{
    const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
    const TSampleRange window = *WindowSamples(file, cell, options.WindowStart, options.WindowEnd);
    const TSampleTimes times = CellSampleTimes(file, cell);
    const std::size_t n = observations.size();
    const std::size_t kinds = options.Measures.size();
    TCellValues values(n, std::vector<std::vector<TTraceValue>>(channels.size()));
    for (std::size_t k = 0; k < channels.size(); ++k) {
        std::vector<std::vector<double>> traces;
        for (int o : observations)
            traces.push_back(CalibratedTrace(file, cell, o, channels[k]));
        const std::vector<std::vector<double>> means = LeaveOneOutMeans(traces);
        for (std::size_t m = 0; m < kinds; ++m) {
            // A subset without the measure leaves every score of the cell without one.
            std::vector<double> leaveOneOut;
            std::string_view note;
            bool missing = false;
            for (const auto& mean : means) {
                const TTraceValue v = MeasureTraceValue(mean, window, times, options.Measures[m], options);
                if (!v.Value) {
                    missing = true;
                    note = v.Note;
                    break;
                }
                if (!v.Note.empty())
                    note = v.Note;
                leaveOneOut.push_back(*v.Value);
            }
            const std::vector<double> scores = missing ? std::vector<double>() : RetrievedScores(leaveOneOut);
            for (std::size_t i = 0; i < n; ++i) {
                TTraceValue score{std::nullopt, JackknifeNote(note)};
                if (!missing)
                    score.Value = scores[i];
                values[i][k].push_back(score);
            }
        }
    }
    return values;
}

// Calls row(cell, observation, channel, kind, value) for every row of the table, zero-based,
// in the table's order.
template <class TRow>
void ForEachMeasure(const TORVAFile& file, const TMeasureOptions& options, TRow&& row)
{
    CheckMeasures(file, options);
    const TSelectionList channels = Indices(options.Channels, file.NumChannels());
    for (int c : Indices(options.Cells, file.NumCells())) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        const TSelectionList observations = Indices(options.Observations, cell.NumObservations);
        if (options.Jackknife) {
            const TCellValues values = JackknifeCell(file, c, observations, channels, options);
            for (std::size_t i = 0; i < observations.size(); ++i)
                for (std::size_t k = 0; k < channels.size(); ++k)
                    for (std::size_t m = 0; m < options.Measures.size(); ++m)
                        row(c, observations[i], channels[k], options.Measures[m], values[i][k][m]);
            continue;
        }
        const TSampleRange window = *WindowSamples(file, cell, options.WindowStart, options.WindowEnd);
        const TSampleTimes times = CellSampleTimes(file, cell);
        for (int o : observations) {
            for (int h : channels) {
                const std::vector<double> trace = CalibratedTrace(file, cell, o, h);
                for (TMeasureKind kind : options.Measures)
                    row(c, o, h, kind, MeasureTraceValue(trace, window, times, kind, options));
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
    ForEachMeasure(file, options, [&](int c, int o, int h, TMeasureKind kind, const TTraceValue& value) {
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
        if (value.Value)
            sink.Write(Three(*value.Value));
        sink.Write(",");
        sink.Write(value.Note);
        sink.EndLine();
    });
}

TMeasureColumns MeasureColumns(const TORVAFile& file, const TMeasureOptions& options)
{
    TMeasureColumns table;
    ForEachMeasure(file, options, [&](int c, int o, int h, TMeasureKind kind, const TTraceValue& value) {
        table.Cell.push_back(c + 1);
        table.Observation.push_back(o + 1);
        table.Channel.push_back(h + 1);
        table.Measure.push_back(kind);
        table.Value.push_back(value.Value.value_or(std::numeric_limits<double>::quiet_NaN()));
        table.Note.push_back(value.Note);
    });
    return table;
}

} // namespace orva
