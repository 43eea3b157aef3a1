#pragma once
#include "model/ORVAFile.h"
#include "select/LineSink.h"

#include <string>
#include <vector>

namespace orva {

enum TObservationMode { omOne, omAll, omAverage };

/// The choices of the text export; every number is 1-based as the user sees it.
struct TTextExportOptions {
    bool IncludeHeader = true;
    bool AllCells = false;
    int ChosenCell = 1;
    TObservationMode ObservationMode = omOne;
    int ChosenObservation = 1;
    bool AllChannels = false;
    int ChosenChannel = 1;
};

/// Refuses (EORVAError naming the file and the cell, observation or channel) choices out of
/// range, a chosen observation that an exported cell does not have, an average over a cell
/// without observations and calibrations that would divide by zero.
void CheckTextExport(const TORVAFile& file, const TTextExportOptions& options);

/// Checks the choices as CheckTextExport does, then writes the lines of the text export to
/// sink as they are made. Reads the document and the choices only.
void WriteTextExport(const TORVAFile& file, const TTextExportOptions& options, char decimalSeparator,
                     TLineSink& sink);

/// The lines of the text export (without line ends), collected in memory.
std::vector<std::string> BuildTextExport(const TORVAFile& file, const TTextExportOptions& options,
                                         char decimalSeparator);

} // namespace orva
