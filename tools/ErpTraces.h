#pragma once
// Operations on the traces of one document: baseline correction, difference waves and the
// average reference. Each gives a new document of the same kind; the input stays as it is.
#include "select/Selection.h"
#include "tools/ErpDocument.h"

#include <optional>
#include <string>

namespace orva {

struct TBaselineOptions {
    /// The window A .. B in ms (inclusive, times as the long table gives them); left out,
    /// every sample before 0 ms of an average file. A session file needs one.
    std::optional<double> Start;
    std::optional<double> End;
};

/// Subtracts from every trace (cell, observation, channel) the mean of its samples in the
/// window. Refuses a cell without a sample in it, as the measures do.
/// The file is taken by value: a caller done with it moves it in, a session is not copied.
TErpResult CorrectBaseline(TORVAFile file, const TBaselineOptions& options);

struct TDifferenceOptions {
    int CellA = 0; ///< zero-based
    int CellB = 0; ///< zero-based
    /// The new cell's name; left out, A's name + "-" + B's name. Cut to 80 bytes.
    std::optional<std::string> Name;
};

/// The average file with one more cell: cell A minus cell B, observation by observation,
/// numbered one above the largest cell number, with A's cell word and trial specifics.
/// Refuses session files (their trials are not paired) and cells that do not pair.
TErpResult DifferenceWave(const TORVAFile& file, const TDifferenceOptions& options);

/// Average reference: at each observation and sample every channel less the mean of the
/// channels not excluded (zero-based list; a number twice counts once). Excluded channels
/// are re-referenced too. Refuses excluding every channel.
TErpResult AverageReference(TORVAFile file, const TSelectionList& excluded);

} // namespace orva
