#pragma once
// The long table: one CSV row per exported value, with the file, cell, observation,
// channel, sample and time that the value belongs to, for R, pandas, SPSS or JASP.
#include "model/ORVAFile.h"
#include "select/LineSink.h"
#include "select/Selection.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace orva {

/// The selection of a long table. A list, when given, holds zero-based indices in the order
/// typed (ParseSelectionList), repeated entries giving repeated rows. A list left out means
/// everything: every cell, and in each cell every observation, channel and sample it has.
struct TLongTableOptions {
    std::optional<TSelectionList> Cells;
    std::optional<TSelectionList> Observations;
    std::optional<TSelectionList> Channels;
    std::optional<TSelectionList> Samples;
};

/// The first row of every long table.
inline constexpr std::string_view kLongTableHeader = "file,cell,cell_name,observation,channel,sample,time_ms,value_uv";
/// Rows end with LF alone, on every system: R and pandas read it without options.
inline constexpr std::string_view kLongTableLineEnd = "\n";

/// Refuses (EORVAError naming the file, the list, the number and the valid range) entries
/// outside the document, calibrations that would divide by zero and listed cells whose
/// sampling rate is not positive.
void CheckLongTable(const TORVAFile& file, const TLongTableOptions& options);

/// Checks the selection as CheckLongTable does, then writes the rows of file (not the
/// header), nested cell > observation > channel > sample, each in list order:
/// file,cell,cell_name,observation,channel,sample,time_ms,value_uv. Several files written
/// one after the other to one sink under one header make one table.
void WriteLongTableRows(const TORVAFile& file, const TLongTableOptions& options, TLineSink& sink);

/// The time in ms of zero-based sample s of a cell, as the long table's time column has it
/// before rounding (0 at the stimulus of an average file). The cell's rate must be positive.
double LongTableSampleTime(const TORVAFile& file, const TORVACell& cell, int s);

/// The rows of WriteLongTableRows as columns, one entry per row in the same order, for
/// clients that take arrays: numbers counted from 1, times and values exact (not rounded).
struct TLongTableColumns {
    std::vector<std::int32_t> Cell;
    std::vector<std::int32_t> Observation;
    std::vector<std::int32_t> Channel;
    std::vector<std::int32_t> Sample;
    std::vector<double> TimeMs;
    std::vector<double> ValueUv;
};
/// Checks the selection as CheckLongTable does, then fills the columns.
TLongTableColumns LongTableColumns(const TORVAFile& file, const TLongTableOptions& options);

} // namespace orva
