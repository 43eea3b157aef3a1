#pragma once
// ERP measures: one number per file, cell, observation, channel and measure (the mean
// amplitude in a time window, a peak amplitude or its latency), as a CSV table for the
// statistics program.
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
/// everything each cell has.
struct TMeasureOptions : TTraceSettings {
    double WindowStart = 0;
    double WindowEnd = 0;
    std::vector<TMeasureKind> Measures;
    std::optional<TSelectionList> Cells;
    std::optional<TSelectionList> Observations;
    std::optional<TSelectionList> Channels;
};

/// The first row of every measure table.
inline constexpr std::string_view kMeasureHeader =
    "file,cell,cell_name,observation,channel,measure,window_start_ms,window_end_ms,value,note";
/// Rows end with LF alone, as in the long table.
inline constexpr std::string_view kMeasureLineEnd = "\n";

/// The mean and peak of one trace (zero-based cell c, observation o, channel h) in the
/// window; the options must have passed CheckMeasures.
TTraceMeasures MeasureTrace(const TORVAFile& file, int c, int o, int h, const TMeasureOptions& options);

/// Refuses (EORVAError naming the file) what the long table refuses for the same lists, a
/// window that is empty or reversed, no measure, a negative neighbour count, and a listed
/// cell without a sample in the window (naming the cell and the time range of its samples).
void CheckMeasures(const TORVAFile& file, const TMeasureOptions& options);

/// Checks as CheckMeasures does, then writes the rows of file (not the header), nested
/// cell > observation > channel > measure, each in list order. Numbers have '.' and three
/// decimals; the window columns repeat the window asked for.
void WriteMeasureRows(const TORVAFile& file, const TMeasureOptions& options, TLineSink& sink);

/// The rows of WriteMeasureRows as columns, one entry per row in the same order, for clients
/// that take arrays: numbers counted from 1, values exact (not rounded).
struct TMeasureColumns {
    std::vector<std::int32_t> Cell;
    std::vector<std::int32_t> Observation;
    std::vector<std::int32_t> Channel;
    std::vector<TMeasureKind> Measure;
    std::vector<double> Value;
    /// The row's note: kNoLocalPeak or nothing.
    std::vector<bool> NoLocalPeak;
};
/// Checks as CheckMeasures does, then fills the columns.
TMeasureColumns MeasureColumns(const TORVAFile& file, const TMeasureOptions& options);

} // namespace orva
