#pragma once
// The artifact report: one CSV row per trial with its status, the rules and the channels
// that flagged it; written for review by hand and read back as a list of trials to reject.
#include "select/LineSink.h"
#include "tools/ArtifactRules.h"

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

/// The first row of every report.
inline constexpr std::string_view kArtifactReportHeader = "file,cell,cell_name,observation,status,rules,channels";
/// Rows end with LF alone, as in the long table.
inline constexpr std::string_view kArtifactReportLineEnd = "\n";

/// The name of file in the report's file column: its name without folder.
std::string ReportFileName(const TORVAFile& file);

/// Writes the rows of file (not the header): one per trial of each cell in flags, in order.
void WriteArtifactRows(const TORVAFile& file, const std::vector<TCellFlags>& flags, TLineSink& sink);

/// The summary printed per file: one line per cell (number from 1, name, trials, bad trials,
/// their share, and per rule in use the trials it flagged), then the file's total.
std::string ArtifactSummary(const TORVAFile& file, const std::vector<TCellFlags>& flags, std::uint8_t rulesInUse);

/// One row of a report read back: zero-based cell and observation, its status, the
/// report's line it starts on (the header is line 1).
struct TReportRow {
    int Cell = 0;
    int Observation = 0;
    bool Bad = false;
    int Line = 0;
};

/// A report read back, rows grouped by the file column.
struct TRejectList {
    std::filesystem::path Path;
    std::map<std::string, std::vector<TReportRow>> Files;
};

/// Reads a report as written or as a spreadsheet or an editor saved it: LF or CR LF line
/// ends, fields quoted or not, a UTF-8 byte-order mark allowed, empty lines ignored.
/// Refuses (EORVAError naming the report and its line) a header other than the one written,
/// a row of another number of fields, a cell or observation that is not a number from 1, a
/// status other than good or bad.
TRejectList ReadRejectList(const std::filesystem::path& path);
/// As ReadRejectList, from the report's text.
TRejectList ParseRejectList(std::string_view text, const std::filesystem::path& path);

/// The trials of file that the list marks, as DetectArtifacts gives them (every cell, status
/// from the list, a trial without a row good). Refuses a file without any row, a row naming
/// a cell or observation the file lacks, and a trial listed twice.
std::vector<TCellFlags> FlagsFromRejectList(const TORVAFile& file, const TRejectList& list);

} // namespace orva
