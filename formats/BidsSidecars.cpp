#include "formats/BidsSidecars.h"

#include "formats/JsonText.h"
#include "model/ORVAError.h"

#include <charconv>
#include <cmath>
#include <map>
#include <set>

namespace orva {

namespace {

double Seconds(std::int64_t samples, int rate) { return static_cast<double>(samples) / rate; }

// The lengths of the epochs in samples, when they all have one.
std::optional<int> CommonEpochLength(const TEpochLayout& layout)
{
    if (layout.Epochs.empty())
        return std::nullopt;
    for (const auto& e : layout.Epochs)
        if (e.Samples != layout.Epochs.front().Samples)
            return std::nullopt;
    return layout.Epochs.front().Samples;
}

// The exported cells in the order they first appear.
std::vector<int> ExportedCells(const TEpochLayout& layout)
{
    std::vector<int> cells;
    std::set<int> seen;
    for (const auto& e : layout.Epochs)
        if (seen.insert(e.Cell).second)
            cells.push_back(e.Cell);
    return cells;
}

std::string CellsText(const std::vector<int>& numbers)
{
    std::string text = numbers.size() == 1 ? "Cell " : "Cells ";
    for (std::size_t i = 0; i < numbers.size(); ++i)
        text += (i == 0 ? "" : i + 1 == numbers.size() ? " and " : ", ") + std::to_string(numbers[i]);
    return text;
}

} // namespace

void WriteBidsEvents(const TORVAFile& file, const TEpochLayout& layout, TLineSink& sink)
{
    sink.Line("onset\tduration\ttrial_type\tvalue\tsample");
    std::map<int, std::string> names;
    for (int c : ExportedCells(layout))
        names[c] = TsvField(EventName(file, c));
    for (const auto& e : layout.Epochs) {
        const std::int64_t stimulus = e.FirstSample + e.StimulusOffset;
        sink.Line(ShortestDecimal(Seconds(stimulus, layout.SamplingRate)) + "\t" +
                  ShortestDecimal(Seconds(e.Samples, layout.SamplingRate)) + "\t" + names[e.Cell] + "\t" +
                  std::to_string(e.Cell + 1) + "\t" + std::to_string(stimulus));
    }
}

std::string BidsEventsJson(const TORVAFile& file, const TEpochLayout& layout)
{
    // Two cells may share a name: their level then names both numbers.
    std::map<std::string, std::vector<int>> byName;
    std::vector<std::string> nameOrder;
    TJson values = TJson::object();
    for (int c : ExportedCells(layout)) {
        const std::string name = EventName(file, c);
        if (byName[name].empty())
            nameOrder.push_back(name);
        byName[name].push_back(c + 1);
        values[std::to_string(c + 1)] = name;
    }
    TJson names = TJson::object();
    for (const auto& name : nameOrder)
        names[name] = CellsText(byName[name]) + " of " + file.FileName;
    TJson root;
    root["trial_type"] = {{"LongName", "Cell name"},
                          {"Description", "The experimental condition (cell) of the epoch that the event begins"},
                          {"Levels", names}};
    root["value"] = {{"LongName", "Cell number"},
                     {"Description", "The number of the epoch's cell, counted from 1 in the order of the data file"},
                     {"Levels", values}};
    root["sample"] = {{"Description", "The stimulus sample of the epoch in the BrainVision data, counted from 0"}};
    return JsonText(root);
}

double BidsLineFrequency(const TBidsOptions& options)
{
    const std::string& text = *options.LineFrequency;
    double hz = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), hz, std::chars_format::fixed);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(hz) ||
        hz <= 0)
        throw EORVAError(PathText(options.Dataset),
                         "--line-frequency takes a frequency in Hz above 0 such as 50 or 60, not \"" + text + "\"");
    return hz;
}

std::string BidsEegJson(const TEpochLayout& layout, const TBidsOptions& options)
{
    const int rate = layout.SamplingRate;
    TJson json;
    json["TaskName"] = options.Task;
    json["SamplingFrequency"] = rate;
    json["EEGChannelCount"] = layout.Channels.size();
    for (const char* kind : {"EOGChannelCount", "ECGChannelCount", "EMGChannelCount", "MiscChannelCount",
                             "TriggerChannelCount"})
        json[kind] = 0;
    json["PowerLineFrequency"] = options.LineFrequency ? JsonNumber(BidsLineFrequency(options)) : TJson("n/a");
    json["SoftwareFilters"] = "n/a";
    json["EEGReference"] = options.Reference ? *options.Reference : "n/a";
    json["RecordingType"] = "epoched";
    if (const auto length = CommonEpochLength(layout))
        json["EpochLength"] = JsonNumber(Seconds(*length, rate));
    json["RecordingDuration"] = JsonNumber(Seconds(layout.TotalSamples(), rate));
    return JsonText(json);
}

void WriteBidsChannels(const std::vector<std::string>& names, TLineSink& sink)
{
    sink.Line("name\ttype\tunits\tstatus");
    for (const auto& name : names)
        sink.Line(name + "\tEEG\t\xC2\xB5V\tgood");
}

} // namespace orva
