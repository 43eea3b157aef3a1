#pragma once
// Operations on the average files of a study: all subjects in one file (combine) and the
// mean over subjects (grand average). The inputs are matched cell by cell first.
#include "tools/ErpDocument.h"

#include <vector>

namespace orva {

/// Refuses (naming the file, the cell and what differs) inputs that are not average files,
/// that lack a cell name of the first input or hold it twice, or whose matched cells differ
/// from the first input's in channels, samples per observation or rate, or whose
/// BaselineDuration differs. Returns, for each input, the index of the cell matched to
/// each cell of the first input (in the first input's order).
std::vector<std::vector<int>> MatchAverageFiles(const std::vector<const TORVAFile*>& inputs,
                                                const std::string& operation);

/// One average file whose cells hold the subjects of every input, in input order, each
/// with its own trial specifics; LastSubjectDone is the number of subjects per cell.
TErpResult CombineAverages(const std::vector<const TORVAFile*>& inputs);

/// For each cell one observation: the mean over every subject of every input; weighted,
/// each subject counts by its trial count (trial specifics word 0, which must be 1 or more).
/// Word 0 of the result is the sum of the subjects' word 0, at most 32767 (a larger sum is
/// written as 32767 and said in the notes). LastSubjectDone is the number of subjects.
TErpResult GrandAverage(const std::vector<const TORVAFile*>& inputs, bool weighted);

} // namespace orva
