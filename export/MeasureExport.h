#pragma once
// ERP measures: one number per file, cell, observation, channel and measure (the mean
// amplitude in a time window, a peak amplitude or its latency, areas, fractional
// latencies, each on the subject's own average or scored by the jackknife), as a CSV
// table for the statistics program.
#include "model/ORVAFile.h"
#include "select/LineSink.h"
#include "select/Selection.h"
#include "select/TimeWindow.h"
#include "tools/TraceMeasures.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

/// What to measure. The window holds every sample whose time t (ms) lies in
/// WindowStart <= t <= WindowEnd; the settings say how each measure is taken. The lists
/// hold zero-based indices as ParseSelectionList gives them; a list left out means
/// everything each cell has. Jackknife (average files): each listed observation of a cell
/// is a subject, measured on the mean of the other listed subjects and retrieved.
struct TMeasureOptions : TTraceSettings {
    double WindowStart = 0;
    double WindowEnd = 0;
    std::vector<TMeasureKind> Measures;
    bool Jackknife = false;
    std::optional<TSelectionList> Cells;
    std::optional<TSelectionList> Observations;
    std::optional<TSelectionList> Channels;
};

/// The first row of every measure table.
inline constexpr std::string_view kMeasureHeader =
    "file,cell,cell_name,observation,channel,measure,window_start_ms,window_end_ms,value,note";
/// Rows end with LF alone, as in the long table.
inline constexpr std::string_view kMeasureLineEnd = "\n";
/// The notes of jackknife rows: alone, or with the note of a subset's measure (that of
/// the last subset with one; a subset without a value leaves the cell's scores empty).
inline constexpr std::string_view kJackknife = "jackknife";
inline constexpr std::string_view kJackknifeNoLocalPeak = "jackknife; no local peak";
inline constexpr std::string_view kJackknifeNoArea = "jackknife; no area";
inline constexpr std::string_view kJackknifeNoCrossing = "jackknife; no crossing";
/// The jackknife note that goes with the note of a trace measure.
std::string_view JackknifeNote(std::string_view traceNote);

/// The mean and peak of one trace (zero-based cell c, observation o, channel h) in the
/// window; the options must have passed CheckMeasures.
TTraceMeasures MeasureTrace(const TORVAFile& file, int c, int o, int h, const TMeasureOptions& options);

/// Each of options.Measures of that one trace, as the table's rows would hold them without
/// the jackknife; the options must have passed CheckMeasures.
std::vector<TTraceValue> MeasureTraceValues(const TORVAFile& file, int c, int o, int h, const TMeasureOptions& options);

/// Refuses (EORVAError naming the file) what the long table refuses for the same lists, a
/// window that is empty or reversed, no measure, a negative neighbour count, a fraction
/// outside 0 to 1, a listed cell without a sample in the window (naming the cell and the
/// time range of its samples), and the jackknife of a session file or of a cell with fewer
/// than 3 listed subjects.
void CheckMeasures(const TORVAFile& file, const TMeasureOptions& options);

/// Checks as CheckMeasures does, then writes the rows of file (not the header), nested
/// cell > observation > channel > measure, each in list order. Numbers have '.' and three
/// decimals; the window columns repeat the window asked for; a measure without a value
/// leaves its value empty and says why in the note.
void WriteMeasureRows(const TORVAFile& file, const TMeasureOptions& options, TLineSink& sink);

/// The rows of WriteMeasureRows as columns, one entry per row in the same order, for clients
/// that take arrays: numbers counted from 1, values exact (not rounded).
struct TMeasureColumns {
    std::vector<std::int32_t> Cell;
    std::vector<std::int32_t> Observation;
    std::vector<std::int32_t> Channel;
    std::vector<TMeasureKind> Measure;
    /// NaN where the table's value is empty.
    std::vector<double> Value;
    /// The row's note: one of the notes above, of the trace measures, or empty.
    std::vector<std::string_view> Note;
};
/// Checks as CheckMeasures does, then fills the columns.
TMeasureColumns MeasureColumns(const TORVAFile& file, const TMeasureOptions& options);

} // namespace orva
