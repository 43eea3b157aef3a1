#include "export/ExportSupport.h"

#include "model/ORVAError.h"

#include <algorithm>

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

namespace {

// The number the user typed for a stored index (the index is n - 1).
std::string Typed(int index) { return std::to_string(static_cast<std::int64_t>(index) + 1); }

} // namespace

void CheckSelectionEntries(const TORVAFile& file, const char* listName, const TSelectionList& list, int count,
                           const std::string& note)
{
    for (int index : list) {
        if (index >= 0 && index < count)
            continue;
        std::string range;
        if (count == INT_MAX)
            range = "the valid range: numbers start at 1";
        else if (count <= 0 || note.empty())
            range = ValidRangeText(count, note);
        else
            range = ValidRangeText(count, note) + " (" + note + ")";
        RefuseExport(file, std::string(listName) + ": " + Typed(index) + " is outside " + range);
    }
}

TCellLimit SmallestOverCells(const TORVAFile& file, const TSelectionList& cells, std::int32_t TORVACell::*member,
                             const char* what)
{
    TCellLimit limit;
    for (int c : cells) {
        const int count = file.Cells[static_cast<std::size_t>(c)].*member;
        if (count < limit.Count) {
            limit.Count = std::max(count, 0);
            limit.Text = "cell " + std::to_string(c + 1) + " has " + std::to_string(count) + " " + what;
        }
    }
    return limit;
}

} // namespace orva
