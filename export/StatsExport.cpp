#include "export/StatsExport.h"

#include "export/SampleText.h"
#include "select/NumberFormat.h"
#include "select/Selection.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string_view>

namespace orva {

namespace {

// Beyond this many fields the output would run to gigabytes: a typed list gone wrong.
constexpr std::uint64_t kMaxStatsFields = std::uint64_t{1} << 29;

void CheckLists(const TORVAFile& file, const TSelectionList& cells, const TSelectionList& observations,
                const TSelectionList& channels, const TSelectionList& samples)
{
    CheckDocumentShape(file);
    CheckSelectionEntries(file, "Cells", cells, file.NumCells(), file.NumCells() > 0 ? "" : "the file has no cells");
    // An observation or sample must exist in every listed cell; without listed cells only
    // the lower limit applies.
    const TCellLimit obs = SmallestOverCells(file, cells, &TORVACell::NumObservations, "observations");
    CheckSelectionEntries(file, "Observations", observations, obs.Count, obs.Text);
    CheckSelectionEntries(file, "Channels", channels, file.NumChannels(),
                          file.NumChannels() > 0 ? "" : "the file has no channels");
    const TCellLimit smp = SmallestOverCells(file, cells, &TORVACell::SamplesPerObservation, "samples");
    CheckSelectionEntries(file, "Samples", samples, smp.Count, smp.Text);
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

// Calls each(c, o, h) for every column: cell, then observation, then channel (fastest),
// in list order.
template <class TEach>
void ForEachColumn(const TSelectionList& cells, const TSelectionList& observations, const TSelectionList& channels,
                   TEach&& each)
{
    for (int c : cells)
        for (int o : observations)
            for (int h : channels)
                each(c, o, h);
}

void WriteLabelRow(TLineComposer& row, const TSelectionList& cells, const TSelectionList& observations,
                   const TSelectionList& channels, std::string_view label, int which)
{
    bool first = true;
    ForEachColumn(cells, observations, channels, [&](int c, int o, int h) {
        if (!first)
            row.Append('\t');
        first = false;
        row.Append(label);
        row.AppendNumber(static_cast<long long>(which == 0 ? c : which == 1 ? o : h) + 1);
    });
    row.EndLine();
}

} // namespace

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

void CheckStatsExport(const TORVAFile& file, const TSelectionList& cells, const TSelectionList& observations,
                      const TSelectionList& channels, const TSelectionList& samples)
{
    CheckLists(file, cells, observations, channels, samples);
}

void WriteStatsExport(const TORVAFile& file, const TSelectionList& cells, const TSelectionList& observations,
                      const TSelectionList& channels, const TSelectionList& samples, char decimalSeparator,
                      TLineSink& sink)
{
    CheckLists(file, cells, observations, channels, samples);
    TLineComposer row(sink);
    WriteLabelRow(row, cells, observations, channels, "cell# ", 0);
    WriteLabelRow(row, cells, observations, channels, "obs# ", 1);
    WriteLabelRow(row, cells, observations, channels, "chan# ", 2);
    TSampleText text(file, 5, decimalSeparator);
    for (int s : samples) {
        bool first = true;
        ForEachColumn(cells, observations, channels, [&](int c, int o, int h) {
            char* const start = row.Reserve(1 + kMaxFormattedLength);
            char* out = start;
            if (!first)
                *out++ = '\t';
            first = false;
            out += text.Put(out, file.Cells[static_cast<std::size_t>(c)].Data(o, s, h), h);
            row.Advance(static_cast<std::size_t>(out - start));
        });
        row.EndLine();
    }
}

std::vector<std::string> BuildStatsExport(const TORVAFile& file, const TSelectionList& cells,
                                          const TSelectionList& observations, const TSelectionList& channels,
                                          const TSelectionList& samples, char decimalSeparator)
{
    TLineCollector lines;
    WriteStatsExport(file, cells, observations, channels, samples, decimalSeparator, lines);
    return std::move(lines.Lines);
}

} // namespace orva
