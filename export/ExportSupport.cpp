#include "export/ExportSupport.h"

#include "model/ORVAError.h"

namespace orva {

std::string ExportedDocumentName(const TORVAFile& file)
{
    if (!file.FullFileName.empty())
        return PathText(file.FullFileName);
    return file.FileName.empty() ? std::string("(unnamed document)") : file.FileName;
}

void RefuseExport(const TORVAFile& file, const std::string& cause)
{
    throw EORVAError(ExportedDocumentName(file), cause);
}

void CheckDocumentShape(const TORVAFile& file)
{
    if (file.NumCells() < 0 || static_cast<std::size_t>(file.NumCells()) != file.Cells.size())
        RefuseExport(file, "The document announces " + std::to_string(file.NumCells()) + " cells but holds " +
                               std::to_string(file.Cells.size()));
    if (file.NumChannels() < 0)
        RefuseExport(file, "The document announces " + std::to_string(file.NumChannels()) + " channels");
    if (!file.IsAverageFile()) {
        const auto channels = static_cast<std::size_t>(file.NumChannels());
        if (file.DataDescription.Zeros.size() < channels || file.DataDescription.Gains.size() < channels)
            RefuseExport(file, "The document lacks the zero or gain of some of its " + std::to_string(channels) +
                                   " channels");
    }
    for (std::size_t i = 0; i < file.Cells.size(); ++i) {
        const TORVACell& cell = file.Cells[i];
        if (cell.Data.Observations() != cell.NumObservations || cell.Data.Samples() != cell.SamplesPerObservation ||
            cell.Data.Channels() != file.NumChannels())
            RefuseExport(file, "Cell " + std::to_string(i + 1) + " does not hold the samples its header announces");
    }
}

void CheckCalibration(const TORVAFile& file, int c)
{
    if (auto problem = CalibrationProblem(file, c))
        RefuseExport(file, *problem);
}

std::string ValidRangeText(int count, const std::string& whyEmpty)
{
    if (count <= 0)
        return "the valid range: " + whyEmpty;
    return "the valid range 1 to " + std::to_string(count);
}

} // namespace orva
