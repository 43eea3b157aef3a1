#pragma once
#include "model/ORVAFile.h"
#include "select/LineSink.h"
#include "select/Selection.h"

#include <string>
#include <vector>

namespace orva {

/// What a new stats window proposes: the smallest observation and sample counts over all
/// cells (0 for a document without cells).
struct TStatsProposal {
    int MinObservations = 0;
    int MinSamples = 0;
};
TStatsProposal ProposeStatsSelection(const TORVAFile& file);

/// Refuses (EORVAError naming the list, the number and the valid range) entries outside
/// the document, calibrations that would divide by zero and lists that ask for more than
/// half a billion fields.
void CheckStatsExport(const TORVAFile& file, const TSelectionList& cells, const TSelectionList& observations,
                      const TSelectionList& channels, const TSelectionList& samples);

/// Checks the lists as CheckStatsExport does, then writes the stats export to sink as it is
/// made: three label rows, then one row per listed sample.
void WriteStatsExport(const TORVAFile& file, const TSelectionList& cells, const TSelectionList& observations,
                      const TSelectionList& channels, const TSelectionList& samples, char decimalSeparator,
                      TLineSink& sink);

/// The lines of the stats export (without line ends), collected in memory.
std::vector<std::string> BuildStatsExport(const TORVAFile& file, const TSelectionList& cells,
                                          const TSelectionList& observations, const TSelectionList& channels,
                                          const TSelectionList& samples, char decimalSeparator);

} // namespace orva
