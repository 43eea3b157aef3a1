#pragma once
// Typed selection lists (cells, observations, channels, samples as the user numbers them)
// and the checks of a list against a document, with their refusal texts.
#include "model/ORVAFile.h"

#include <climits>
#include <cstdint>
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

/// The name under which export errors report the document: its full path, else its name.
std::string ExportedDocumentName(const TORVAFile& file);

/// Throws EORVAError(document, cause).
[[noreturn]] void RefuseExport(const TORVAFile& file, const std::string& cause);

/// Refuses a document whose cells do not hold the samples their counts announce, so that
/// no index derived from the counts can leave a cell's data.
void CheckDocumentShape(const TORVAFile& file);

/// Refuses channel c (zero-based) when its calibration would divide by zero.
void CheckCalibration(const TORVAFile& file, int c);

/// "the valid range 1 to <count>", or "the valid range: <why>" when count is 0.
std::string ValidRangeText(int count, const std::string& whyEmpty);

/// Refuses the first entry of list outside 0 .. count - 1, naming the list and the number as
/// typed ("Samples: 25 is outside the valid range 1 to 20 (cell 1 has 20 samples)"). note
/// says where count comes from; INT_MAX means that no upper limit is known.
void CheckSelectionEntries(const TORVAFile& file, const char* listName, const TSelectionList& list, int count,
                           const std::string& note);

/// The smallest count over the listed cells and a text naming the cell that has it
/// (Count INT_MAX when no cell is listed).
struct TCellLimit {
    int Count = INT_MAX;
    std::string Text;
};
TCellLimit SmallestOverCells(const TORVAFile& file, const TSelectionList& cells, std::int32_t TORVACell::*member,
                             const char* what);

} // namespace orva
