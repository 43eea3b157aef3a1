#pragma once
#include "model/ORVAFile.h"

#include <string>

namespace orva {

/// The name of the file of cell index i: chosenName + "_Cell" + (i + 1).
std::string CellFileName(const std::string& chosenName, int cellIndex);

/// Writes every cell of file into a file of its own with SaveCell, in cell order.
/// A file that cannot be written stops the scatter with its error; the files before it stay.
void ScatterCells(TORVAFile& file, const std::string& chosenName, TProgressDisplay* progress = nullptr);

} // namespace orva
