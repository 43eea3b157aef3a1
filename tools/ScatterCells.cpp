#include "tools/ScatterCells.h"

namespace orva {

std::filesystem::path CellFileName(const std::filesystem::path& chosenName, int cellIndex)
{
    std::filesystem::path name = chosenName;
    name += "_Cell" + std::to_string(cellIndex + 1);
    return name;
}

void ScatterCells(TORVAFile& file, const std::filesystem::path& chosenName, TProgressDisplay* progress)
{
    // SaveCell writes through a temporary file, so a failing cell leaves no partial file
    // and the cells written before it stay complete.
    for (int i = 0; i < static_cast<int>(file.Cells.size()); ++i)
        file.SaveCell(CellFileName(chosenName, i), i, progress);
}

} // namespace orva
