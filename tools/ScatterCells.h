#pragma once
#include "model/ORVAFile.h"

#include <filesystem>

namespace orva {

/// The name of the file of cell index i: chosenName + "_Cell" + (i + 1).
std::filesystem::path CellFileName(const std::filesystem::path& chosenName, int cellIndex);

/// Writes every cell of file into a file of its own with SaveCell, in cell order.
/// A file that cannot be written stops the scatter with its error; the files before it stay.
void ScatterCells(TORVAFile& file, const std::filesystem::path& chosenName, TProgressDisplay* progress = nullptr);

} // namespace orva
