#include "export/TextExport.h"

#include "export/SampleText.h"
#include "select/NumberFormat.h"
#include "select/Selection.h"

#include <algorithm>

namespace orva {

namespace {

// What one export covers, as zero-based indices, after every choice was checked.
struct TTextExportPlan {
    std::vector<int> Cells;
    std::vector<int> Channels;
};

std::vector<int> AllOrOne(bool all, int chosen, int count, const TORVAFile& file, const char* what,
                          const char* whyEmpty)
{
    std::vector<int> indices;
    if (all) {
        for (int i = 0; i < count; ++i)
            indices.push_back(i);
        return indices;
    }
    if (chosen < 1 || chosen > count)
        RefuseExport(file, std::string(what) + " " + std::to_string(chosen) + " is outside " +
                               ValidRangeText(count, whyEmpty));
    indices.push_back(chosen - 1);
    return indices;
}

TTextExportPlan CheckChoices(const TORVAFile& file, const TTextExportOptions& options)
{
    CheckDocumentShape(file);
    if (options.ObservationMode != omOne && options.ObservationMode != omAll && options.ObservationMode != omAverage)
        RefuseExport(file, "Observation mode " + std::to_string(static_cast<int>(options.ObservationMode)) +
                               " is unknown");
    TTextExportPlan plan;
    plan.Cells = AllOrOne(options.AllCells, options.ChosenCell, file.NumCells(), file, "Cell", "the file has no cells");
    plan.Channels = AllOrOne(options.AllChannels, options.ChosenChannel, file.NumChannels(), file, "Channel",
                             "the file has no channels");
    for (int c : plan.Cells) {
        const int count = file.Cells[static_cast<std::size_t>(c)].NumObservations;
        const std::string cell = "cell " + std::to_string(c + 1) + " has " + std::to_string(count) + " observations";
        // With all cells, the chosen observation comes from one cell and may not exist in another:
        // that cell is named rather than skipped, so nothing is dropped silently.
        if (options.ObservationMode == omOne && (options.ChosenObservation < 1 || options.ChosenObservation > count))
            RefuseExport(file, "Observation " + std::to_string(options.ChosenObservation) + " is outside " +
                                   ValidRangeText(count, cell) + (count > 0 ? ": " + cell : std::string()));
        if (options.ObservationMode == omAverage && count <= 0)
            RefuseExport(file, "Cell " + std::to_string(c + 1) + " cannot be averaged: it has no observations");
    }
    for (int k : plan.Channels)
        CheckCalibration(file, k);
    return plan;
}

// A row begins with its label; each value follows a tab.
void BeginRow(TLineComposer& row, int sample)
{
    row.Append("smpl#");
    row.AppendNumber(sample);
}

// Room for the tab and the longest value; returns where the value goes.
char* ValueAfterTab(TLineComposer& row)
{
    char* out = row.Reserve(1 + kMaxFormattedLength);
    *out = '\t';
    row.Advance(1);
    return out + 1;
}

void WriteObservationRows(const TORVACell& cell, int o, const std::vector<int>& channels, TSampleText& text,
                          TLineComposer& row)
{
    for (int s = 0; s < cell.SamplesPerObservation; ++s) {
        BeginRow(row, s + 1);
        for (int k : channels)
            row.Advance(text.Put(ValueAfterTab(row), cell.Data(o, s, k), k));
        row.EndLine();
    }
}

// The mean of each sample and channel over all observations, summed in single precision in
// ascending observation order: every step adds the double calibrated value to the float sum
// and rounds the result to float; the mean is the float sum divided by the count.
void WriteAverageRows(const TORVAFile& file, const TORVACell& cell, const std::vector<int>& channels,
                      char decimalSeparator, TLineComposer& row)
{
    std::vector<float> sums(channels.size());
    const auto count = static_cast<float>(cell.NumObservations); // exact: counts are 16-bit
    for (int s = 0; s < cell.SamplesPerObservation; ++s) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (int o = 0; o < cell.NumObservations; ++o)
            for (std::size_t i = 0; i < channels.size(); ++i) {
                const int k = channels[i];
                sums[i] = static_cast<float>(CalibratedValue(file, cell.Data(o, s, k), k) + static_cast<double>(sums[i]));
            }
        BeginRow(row, s + 1);
        for (float sum : sums)
            row.Advance(FormatFixed(ValueAfterTab(row), static_cast<double>(sum / count), 5, 2, decimalSeparator));
        row.EndLine();
    }
}

std::string ChannelHeaderLine(const std::vector<int>& channels)
{
    std::string line;
    for (int k : channels)
        line.append("\tchan#").append(std::to_string(k + 1));
    return line;
}

} // namespace

void CheckTextExport(const TORVAFile& file, const TTextExportOptions& options)
{
    CheckChoices(file, options);
}

void WriteTextExport(const TORVAFile& file, const TTextExportOptions& options, char decimalSeparator,
                     TLineSink& sink)
{
    const TTextExportPlan plan = CheckChoices(file, options);
    if (options.IncludeHeader) {
        sink.Line("Source file:" + file.FileName);
        sink.Line("");
    }
    const std::string channelHeader = ChannelHeaderLine(plan.Channels);
    TSampleText text(file, 5, decimalSeparator);
    TLineComposer row(sink);
    for (int c : plan.Cells) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        const std::string cellLabel = "Cell#" + std::to_string(c + 1) + "\t";
        if (options.ObservationMode == omAverage) {
            sink.Line("");
            sink.Line(cellLabel + "Averaged Observations");
            sink.Line(channelHeader);
            WriteAverageRows(file, cell, plan.Channels, decimalSeparator, row);
            continue;
        }
        const int first = options.ObservationMode == omOne ? options.ChosenObservation - 1 : 0;
        const int last = options.ObservationMode == omOne ? first : cell.NumObservations - 1;
        for (int o = first; o <= last; ++o) {
            sink.Line("");
            sink.Line(cellLabel + "Observation#" + std::to_string(o + 1));
            sink.Line(channelHeader);
            WriteObservationRows(cell, o, plan.Channels, text, row);
        }
    }
}

std::vector<std::string> BuildTextExport(const TORVAFile& file, const TTextExportOptions& options,
                                         char decimalSeparator)
{
    TLineCollector lines;
    WriteTextExport(file, options, decimalSeparator, lines);
    return std::move(lines.Lines);
}

} // namespace orva
