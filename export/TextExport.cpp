#include "export/TextExport.h"

#include "export/ExportSupport.h"
#include "export/NumberFormat.h"

#include <cstring>

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

std::size_t CountLines(const TORVAFile& file, const TTextExportOptions& options, const TTextExportPlan& plan)
{
    std::size_t lines = options.IncludeHeader ? 2 : 0;
    for (int c : plan.Cells) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        const std::size_t blocks =
            options.ObservationMode == omAll ? static_cast<std::size_t>(cell.NumObservations) : 1;
        lines += blocks * (3 + static_cast<std::size_t>(cell.SamplesPerObservation));
    }
    return lines;
}

// Composes one row in a buffer long enough for the longest possible row, then stores it
// with an exact allocation.
class TRowWriter {
public:
    explicit TRowWriter(std::size_t columns) : buffer_(16 + columns * (1 + kMaxFormattedLength)) {}

    void Begin(const char* label, int number)
    {
        end_ = buffer_.data();
        Append(label);
        Append(std::to_string(number).c_str());
    }
    void Value(double v, char decimalSeparator)
    {
        *end_++ = '\t';
        end_ += FormatFixed(end_, v, 5, 2, decimalSeparator);
    }
    void Finish(std::vector<std::string>& lines) { lines.emplace_back(buffer_.data(), end_); }

private:
    void Append(const char* text)
    {
        const std::size_t n = std::strlen(text);
        std::memcpy(end_, text, n);
        end_ += n;
    }

    std::vector<char> buffer_;
    char* end_ = nullptr;
};

void AddObservationRows(const TORVAFile& file, const TORVACell& cell, int o, const std::vector<int>& channels,
                        char decimalSeparator, TRowWriter& row, std::vector<std::string>& lines)
{
    for (int s = 0; s < cell.SamplesPerObservation; ++s) {
        row.Begin("smpl#", s + 1);
        for (int k : channels)
            row.Value(CalibratedValue(file, cell.Data(o, s, k), k), decimalSeparator);
        row.Finish(lines);
    }
}

// The mean of each sample and channel over all observations, summed in single precision in
// ascending observation order: every step adds the double calibrated value to the float sum
// and rounds the result to float; the mean is the float sum divided by the count.
void AddAverageRows(const TORVAFile& file, const TORVACell& cell, const std::vector<int>& channels,
                    char decimalSeparator, TRowWriter& row, std::vector<std::string>& lines)
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
        row.Begin("smpl#", s + 1);
        for (float sum : sums)
            row.Value(static_cast<double>(sum / count), decimalSeparator);
        row.Finish(lines);
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

std::vector<std::string> BuildTextExport(const TORVAFile& file, const TTextExportOptions& options,
                                         char decimalSeparator)
{
    const TTextExportPlan plan = CheckChoices(file, options);
    std::vector<std::string> lines;
    lines.reserve(CountLines(file, options, plan));
    if (options.IncludeHeader) {
        lines.push_back("Source file:" + file.FileName);
        lines.emplace_back();
    }
    const std::string channelHeader = ChannelHeaderLine(plan.Channels);
    TRowWriter row(plan.Channels.size());
    for (int c : plan.Cells) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        const std::string cellLabel = "Cell#" + std::to_string(c + 1) + "\t";
        if (options.ObservationMode == omAverage) {
            lines.emplace_back();
            lines.push_back(cellLabel + "Averaged Observations");
            lines.push_back(channelHeader);
            AddAverageRows(file, cell, plan.Channels, decimalSeparator, row, lines);
            continue;
        }
        const int first = options.ObservationMode == omOne ? options.ChosenObservation - 1 : 0;
        const int last = options.ObservationMode == omOne ? first : cell.NumObservations - 1;
        for (int o = first; o <= last; ++o) {
            lines.emplace_back();
            lines.push_back(cellLabel + "Observation#" + std::to_string(o + 1));
            lines.push_back(channelHeader);
            AddObservationRows(file, cell, o, plan.Channels, decimalSeparator, row, lines);
        }
    }
    return lines;
}

} // namespace orva
