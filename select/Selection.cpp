#include "select/Selection.h"

#include "model/LenientInteger.h"
#include "model/ORVAError.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string_view>

namespace orva {

namespace {

bool IsBlankOrControl(char ch) { return static_cast<unsigned char>(ch) <= 32; }

} // namespace

TSelectionList ParseSelectionList(const std::string& text)
{
    std::string_view rest(text);
    while (!rest.empty() && IsBlankOrControl(rest.front()))
        rest.remove_prefix(1);
    while (!rest.empty() && IsBlankOrControl(rest.back()))
        rest.remove_suffix(1);
    TSelectionList list;
    while (!rest.empty()) {
        const std::size_t space = rest.find(' ');
        const std::string_view piece = rest.substr(0, space);
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
        if (piece.empty())
            continue; // a run of spaces separates like one
        const std::int32_t n = ReadLenientInteger(piece, TMinusSign::Always);
        // The reader saturates at the 32-bit limits; keep n - 1 inside them too.
        list.push_back(n == INT_MIN ? INT_MIN : n - 1);
    }
    return list;
}

std::string NumberListText(int a, int b)
{
    std::string text;
    for (std::int64_t n = a; n <= b; ++n) {
        if (n > a)
            text.push_back(' ');
        text.append(std::to_string(n));
    }
    return text;
}


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
