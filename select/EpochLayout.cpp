#include "select/EpochLayout.h"

#include "model/FileStream.h"
#include "model/ORVAError.h"
#include "model/PathText.h"
#include "select/CsvText.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace orva {

std::int64_t TEpochLayout::TotalSamples() const
{
    if (Epochs.empty())
        return 0;
    return Epochs.back().FirstSample + Epochs.back().Samples;
}

namespace {

TSelectionList AllBelow(int count)
{
    TSelectionList all;
    for (int i = 0; i < count; ++i)
        all.push_back(i);
    return all;
}

// The sample nearest to baseline ms after the epoch's start (halves up), kept inside the
// epoch: a baseline longer than the epoch or negative still marks a sample of it.
int StimulusSample(std::int32_t baselineMs, int rate, int samples)
{
    const std::int64_t numerator = std::int64_t{baselineMs} * rate + 500;
    std::int64_t nearest = numerator / 1000;
    if (numerator % 1000 != 0 && numerator < 0)
        --nearest; // floor division, so that -0.5 goes up to 0 as 0.5 goes up to 1
    return static_cast<int>(std::clamp<std::int64_t>(nearest, 0, samples - 1));
}

std::string CellText(int cell) { return "cell " + std::to_string(cell + 1); }

} // namespace

TEpochLayout LayOutEpochs(const TORVAFile& file, const TEpochSelection& selection)
{
    CheckDocumentShape(file);
    if (selection.Cells)
        CheckSelectionEntries(file, "Cells", *selection.Cells, file.NumCells(),
                              file.NumCells() > 0 ? "" : "the file has no cells");
    const TSelectionList cells = selection.Cells ? *selection.Cells : AllBelow(file.NumCells());
    if (selection.Observations) {
        const TCellLimit limit = SmallestOverCells(file, cells, &TORVACell::NumObservations, "observations");
        CheckSelectionEntries(file, "Observations", *selection.Observations, limit.Count, limit.Text);
    }
    if (selection.Channels)
        CheckSelectionEntries(file, "Channels", *selection.Channels, file.NumChannels(),
                              file.NumChannels() > 0 ? "" : "the file has no channels");

    TEpochLayout layout;
    layout.Channels = selection.Channels ? *selection.Channels : AllBelow(file.NumChannels());
    if (layout.Channels.empty())
        RefuseExport(file, "There is no channel to export");
    std::vector<bool> listed(static_cast<std::size_t>(file.NumChannels()), false);
    for (int c : layout.Channels) {
        if (listed[static_cast<std::size_t>(c)])
            RefuseExport(file, "Channels: " + std::to_string(c + 1) +
                                   " is listed twice, and a channel's name may appear only once");
        listed[static_cast<std::size_t>(c)] = true;
        CheckCalibration(file, c);
    }

    int rateCell = -1;
    std::int64_t next = 0;
    for (int c : cells) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        const TSelectionList observations =
            selection.Observations ? *selection.Observations : AllBelow(cell.NumObservations);
        if (observations.empty() || cell.SamplesPerObservation <= 0)
            continue;
        if (cell.SamplesPerSecond <= 0)
            RefuseExport(file, "Cell " + std::to_string(c + 1) + " has a sampling rate of " +
                                   std::to_string(cell.SamplesPerSecond) + " Hz, so its samples have no times");
        if (rateCell < 0) {
            rateCell = c;
            layout.SamplingRate = cell.SamplesPerSecond;
        } else if (cell.SamplesPerSecond != layout.SamplingRate) {
            RefuseExport(file, "The exported cells must share one sampling rate, but " + CellText(rateCell) + " has " +
                                   std::to_string(layout.SamplingRate) + " Hz and " + CellText(c) + " has " +
                                   std::to_string(cell.SamplesPerSecond) + " Hz");
        }
        const int stimulus = file.IsAverageFile() ? StimulusSample(file.GeneralInformation.BaselineDuration,
                                                                   cell.SamplesPerSecond, cell.SamplesPerObservation)
                                                  : 0;
        for (int o : observations) {
            layout.Epochs.push_back({c, o, next, cell.SamplesPerObservation, stimulus});
            next += cell.SamplesPerObservation;
        }
    }
    return layout;
}

std::string EventName(const TORVAFile& file, int cell)
{
    std::string bytes = file.Cells.at(static_cast<std::size_t>(cell)).Name;
    for (char& ch : bytes)
        if (static_cast<unsigned char>(ch) < 32)
            ch = ' ';
    while (!bytes.empty() && bytes.back() == ' ')
        bytes.pop_back();
    if (bytes.empty())
        return "Cell" + std::to_string(cell + 1);
    return Windows1252ToUtf8(bytes);
}

std::vector<std::string> DefaultChannelNames(int channels)
{
    std::vector<std::string> names;
    for (int c = 1; c <= channels; ++c)
        names.push_back("E" + std::to_string(c));
    return names;
}

namespace {

constexpr std::size_t kMaxChannelNameBytes = 16;

// Whether text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned low = 0x80, high = 0xBF; // the range of the second byte
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF)
            length = 2;
        else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        } else
            return false;
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return false;
        }
        i += length;
    }
    return true;
}

// Checks the lines of a channel name file as they come, keeping only the names that will
// be used, so that a wrong file of any size costs no more than the names it should hold.
class TChannelNameReader {
public:
    TChannelNameReader(const std::filesystem::path& path, int channels) : path_(path), channels_(channels) {}

    void Line(std::string_view line)
    {
        ++lines_;
        if (lines_ == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
            line.remove_prefix(3); // the mark some editors put before UTF-8 text
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            Refuse("the name is empty");
        if (line.size() > kMaxChannelNameBytes)
            Refuse("the name \"" + std::string(line.substr(0, kMaxChannelNameBytes)) + "...\" is longer than " +
                   std::to_string(kMaxChannelNameBytes) + " bytes");
        if (!IsUtf8(line))
            Refuse("the name is not UTF-8 text");
        if (std::any_of(line.begin(), line.end(), [](char ch) { return static_cast<unsigned char>(ch) < 32 || ch == 127; }))
            Refuse("the name holds a control character");
        if (lines_ > channels_)
            return;
        const auto [same, added] = lineOf_.emplace(std::string(line), lines_);
        if (!added)
            Refuse("the name \"" + std::string(line) + "\" is already the name of line " + std::to_string(same->second));
        names_.emplace_back(line);
    }

    std::int64_t Lines() const { return lines_; }
    std::vector<std::string> Names() { return std::move(names_); }

private:
    [[noreturn]] void Refuse(const std::string& what) const
    {
        throw EORVAError(PathText(path_), "Line " + std::to_string(lines_) + ": " + what);
    }

    const std::filesystem::path& path_;
    std::int64_t channels_;
    std::int64_t lines_ = 0;
    std::vector<std::string> names_;
    std::unordered_map<std::string, std::int64_t> lineOf_;
};

} // namespace

std::vector<std::string> ReadChannelNames(const std::filesystem::path& path, int channels, const std::string& input)
{
    TFileStream stream(path, TFileMode::fmOpenRead);
    TChannelNameReader reader(path, channels);
    std::array<char, 4096> chunk{};
    std::string line; // at most one name and a line end before it is checked
    for (std::size_t got; (got = stream.Read(chunk.data(), chunk.size())) > 0;) {
        for (std::size_t i = 0; i < got; ++i) {
            if (chunk[i] == '\n') {
                reader.Line(line);
                line.clear();
            } else if (line.size() <= kMaxChannelNameBytes + 4) {
                line.push_back(chunk[i]);
            }
        }
    }
    if (!line.empty())
        reader.Line(line); // a last line without its line end
    if (reader.Lines() != channels)
        throw EORVAError(PathText(path), "The file holds " + std::to_string(reader.Lines()) +
                                             " channel names, but " + input + " has " + std::to_string(channels) +
                                             " channels");
    return reader.Names();
}

} // namespace orva

namespace orva {

std::vector<std::string> ExportedChannelNames(const TORVAFile& file, const TEpochLayout& layout,
                                              const std::vector<std::string>& names)
{
    CheckDocumentShape(file);
    if (layout.Epochs.empty())
        RefuseExport(file, "There is nothing to export: no exported cell has observations with samples");
    for (const TExportedEpoch& e : layout.Epochs) {
        if (e.Cell < 0 || e.Cell >= file.NumCells())
            RefuseExport(file, "An epoch names cell " + std::to_string(e.Cell + 1) + ", which the file lacks");
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(e.Cell)];
        if (e.Observation < 0 || e.Observation >= cell.NumObservations || e.Samples != cell.SamplesPerObservation ||
            e.StimulusOffset < 0 || e.StimulusOffset >= e.Samples || cell.SamplesPerSecond != layout.SamplingRate)
            RefuseExport(file, "An epoch of cell " + std::to_string(e.Cell + 1) + " does not fit the cell");
    }
    if (names.size() != static_cast<std::size_t>(file.NumChannels()))
        RefuseExport(file, std::to_string(names.size()) + " channel names were given for " +
                               std::to_string(file.NumChannels()) + " channels");
    std::vector<std::string> exported;
    std::unordered_set<std::string> seen;
    for (int c : layout.Channels) {
        if (c < 0 || c >= file.NumChannels())
            RefuseExport(file, "Channel " + std::to_string(c + 1) + " is not in the file");
        CheckCalibration(file, c);
        const std::string& name = names[static_cast<std::size_t>(c)];
        if (name.empty())
            RefuseExport(file, "Channel " + std::to_string(c + 1) + " has no name");
        if (!seen.insert(name).second)
            RefuseExport(file, "The channel name \"" + name + "\" is given twice");
        exported.push_back(name);
    }
    if (exported.empty())
        RefuseExport(file, "There is no channel to export");
    return exported;
}

std::vector<std::string> ChannelNamesFor(const TORVAFile& file, const std::optional<std::filesystem::path>& namesFile)
{
    if (!namesFile)
        return DefaultChannelNames(file.NumChannels());
    return ReadChannelNames(*namesFile, file.NumChannels(), ExportedDocumentName(file));
}

} // namespace orva
