#pragma once
#include "model/ORVAFile.h"

#include <string>
#include <vector>

namespace orva {

/// Zero-based indices in the order typed; duplicates kept, nothing sorted or checked.
using TSelectionList = std::vector<int>;

/// Reads a box text: blanks and control characters trimmed, split at spaces, each piece
/// read leniently as an integer n and stored as n - 1. Never fails.
TSelectionList ParseSelectionList(const std::string& text);

/// "a a+1 ... b" separated by single spaces; empty when a > b.
std::string NumberListText(int a, int b);

/// What a new stats window proposes: the smallest observation and sample counts over all
/// cells (0 for a document without cells).
struct TStatsProposal {
    int MinObservations = 0;
    int MinSamples = 0;
};
TStatsProposal ProposeStatsSelection(const TORVAFile& file);

/// The lines of the stats export: three label rows, then one row per listed sample.
/// Refuses (EORVAError naming the list, the number and the valid range) entries outside
/// the document, and calibrations that would divide by zero; nothing is built then.
std::vector<std::string> BuildStatsExport(const TORVAFile& file, const TSelectionList& cells,
                                          const TSelectionList& observations, const TSelectionList& channels,
                                          const TSelectionList& samples, char decimalSeparator);

} // namespace orva
