#include "export/StatsExport.h"

#include "export/ExportSupport.h"
#include "export/NumberFormat.h"
#include "model/LenientInteger.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string_view>

namespace orva {

namespace {

// Beyond this many fields the export would take gigabytes: a typed list gone wrong.
constexpr std::uint64_t kMaxStatsFields = std::uint64_t{1} << 29;

bool IsBlankOrControl(char ch) { return static_cast<unsigned char>(ch) <= 32; }

// The number the user typed for a stored index (the index is n - 1).
std::string Typed(int index) { return std::to_string(static_cast<std::int64_t>(index) + 1); }

// Refuses the first entry of `list` outside 1 .. count, naming it as typed. `note` says where
// count comes from; INT_MAX means "no upper limit known".
void CheckEntries(const TORVAFile& file, const char* listName, const TSelectionList& list, int count,
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

// The smallest count over the listed cells and a text naming the cell that has it.
struct TCellLimit {
    int Count = INT_MAX;
    std::string Text;
};

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

void CheckLists(const TORVAFile& file, const TSelectionList& cells, const TSelectionList& observations,
                const TSelectionList& channels, const TSelectionList& samples)
{
    CheckDocumentShape(file);
    CheckEntries(file, "Cells", cells, file.NumCells(), file.NumCells() > 0 ? "" : "the file has no cells");
    // An observation or sample must exist in every listed cell; without listed cells only
    // the lower limit applies.
    const TCellLimit obs = SmallestOverCells(file, cells, &TORVACell::NumObservations, "observations");
    CheckEntries(file, "Observations", observations, obs.Count, obs.Text);
    CheckEntries(file, "Channels", channels, file.NumChannels(),
                 file.NumChannels() > 0 ? "" : "the file has no channels");
    const TCellLimit smp = SmallestOverCells(file, cells, &TORVACell::SamplesPerObservation, "samples");
    CheckEntries(file, "Samples", samples, smp.Count, smp.Text);
    for (int h : channels)
        CheckCalibration(file, h);
    // Multiplied step by step so that no product can overflow before it is compared.
    std::uint64_t fields = 1;
    for (std::size_t factor : {cells.size(), observations.size(), channels.size(), samples.size() + 3}) {
        if (factor != 0 && fields > kMaxStatsFields / factor)
            RefuseExport(file, "The lists ask for more than " + std::to_string(kMaxStatsFields) +
                                   " fields, too many for one export");
        fields *= factor;
    }
}

struct TColumn {
    int Cell;
    int Observation;
    int Channel;
};

std::string LabelRow(const std::vector<TColumn>& columns, const char* label, int TColumn::*member)
{
    std::string row;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0)
            row.push_back('\t');
        row.append(label).append(std::to_string(columns[i].*member + 1));
    }
    return row;
}

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

TStatsProposal ProposeStatsSelection(const TORVAFile& file)
{
    TStatsProposal proposal;
    for (std::size_t i = 0; i < file.Cells.size(); ++i) {
        const TORVACell& cell = file.Cells[i];
        proposal.MinObservations = i == 0 ? cell.NumObservations : std::min(proposal.MinObservations, cell.NumObservations);
        proposal.MinSamples = i == 0 ? cell.SamplesPerObservation : std::min(proposal.MinSamples, cell.SamplesPerObservation);
    }
    return proposal;
}

std::vector<std::string> BuildStatsExport(const TORVAFile& file, const TSelectionList& cells,
                                          const TSelectionList& observations, const TSelectionList& channels,
                                          const TSelectionList& samples, char decimalSeparator)
{
    CheckLists(file, cells, observations, channels, samples);
    std::vector<TColumn> columns;
    columns.reserve(cells.size() * observations.size() * channels.size());
    for (int c : cells)
        for (int o : observations)
            for (int h : channels)
                columns.push_back({c, o, h});

    std::vector<std::string> lines;
    lines.reserve(3 + samples.size());
    lines.push_back(LabelRow(columns, "cell# ", &TColumn::Cell));
    lines.push_back(LabelRow(columns, "obs# ", &TColumn::Observation));
    lines.push_back(LabelRow(columns, "chan# ", &TColumn::Channel));
    std::string row;
    char number[kMaxFormattedLength];
    for (int s : samples) {
        row.clear();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const TColumn& col = columns[i];
            const TORVACell& cell = file.Cells[static_cast<std::size_t>(col.Cell)];
            const double value = CalibratedValue(file, cell.Data(col.Observation, s, col.Channel), col.Channel);
            if (i > 0)
                row.push_back('\t');
            row.append(number, FormatFixed(number, value, 5, 2, decimalSeparator));
        }
        lines.push_back(row);
    }
    return lines;
}

} // namespace orva
