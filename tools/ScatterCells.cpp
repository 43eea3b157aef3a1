#include "tools/ScatterCells.h"

namespace orva {

std::string CellFileName(const std::string& chosenName, int cellIndex)
{
    return chosenName + "_Cell" + std::to_string(cellIndex + 1);
}

void ScatterCells(TORVAFile& file, const std::string& chosenName, TProgressDisplay* progress)
{
    // SaveCell writes through a temporary file, so a failing cell leaves no partial file
    // and the cells written before it stay complete.
    for (int i = 0; i < static_cast<int>(file.Cells.size()); ++i)
        file.SaveCell(CellFileName(chosenName, i), i, progress);
}

} // namespace orva
