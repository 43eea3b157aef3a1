#include "formats/EdfExport.h"

#include "formats/EdfFields.h"
#include "model/FileStream.h"
#include "model/LargeBuffer.h"
#include "select/Selection.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

namespace orva {

namespace {

constexpr int kDigitalMinimum = -32768;
constexpr int kDigitalMaximum = 32767;
constexpr std::size_t kMaxLabel = 16;
constexpr int kMaxSignals = 9999;            // the header's 4-character field
constexpr std::int64_t kMaxRecords = 99999999; // and its 8-character one
const std::string kAnnotationLabel = "EDF Annotations";

// A record duration d as an exact decimal: Mantissa / 10^Scale seconds.
struct TDecimal {
    std::int64_t Mantissa = 0;
    int Scale = 0;
};

TDecimal ParseDecimal(const std::string& text)
{
    TDecimal d;
    bool fraction = false;
    for (char ch : text) {
        if (ch == '.') {
            fraction = true;
            continue;
        }
        d.Mantissa = d.Mantissa * 10 + (ch - '0');
        d.Scale += fraction ? 1 : 0;
    }
    return d;
}

std::int64_t Power10(int n)
{
    std::int64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// numerator / denominator seconds, rounded to the nearest nanosecond (halves up), by long
// division so that nothing overflows.
TEdfTime Quotient(std::int64_t numerator, std::int64_t denominator)
{
    TEdfTime t{numerator / denominator, 0};
    std::int64_t rest = numerator % denominator;
    for (int i = 0; i < 9; ++i) {
        rest *= 10;
        t.Nanos = t.Nanos * 10 + rest / denominator;
        rest %= denominator;
    }
    if (rest * 2 >= denominator && ++t.Nanos == 1000000000) {
        t.Nanos = 0;
        ++t.Whole;
    }
    return t;
}

TEdfTime Sum(TEdfTime a, TEdfTime b)
{
    TEdfTime t{a.Whole + b.Whole, a.Nanos + b.Nanos};
    if (t.Nanos >= 1000000000) {
        t.Nanos -= 1000000000;
        ++t.Whole;
    }
    return t;
}

// What the checks settle before anything is written.
struct TEdfPlan {
    std::vector<std::string> Labels;
    std::vector<TEdfPhysicalRange> Ranges;
    int Samples = 0;
    std::string Duration;
    TDecimal Seconds;
    std::vector<std::string> Names; // the EDF+ text of each cell's name, by cell
    std::size_t AnnotationBytes = 0;
};

// The annotations of record k: its time-keeping annotation, then its epoch's stimulus.
std::string RecordAnnotations(const TEdfPlan& plan, std::int64_t k, int stimulusOffset, const std::string& name)
{
    const TEdfTime start = Quotient(k * plan.Seconds.Mantissa, Power10(plan.Seconds.Scale));
    // Within the record, the stimulus lies stimulusOffset of its samples after the start.
    const TEdfTime offset =
        Quotient(std::int64_t{stimulusOffset} * plan.Seconds.Mantissa, plan.Samples * Power10(plan.Seconds.Scale));
    std::string tal = EdfOnsetText(start);
    tal += "\x14\x14";
    tal.push_back('\0');
    tal += EdfOnsetText(Sum(start, offset));
    tal += '\x14';
    tal += name;
    tal += '\x14';
    tal.push_back('\0');
    return tal;
}

TEdfPlan Plan(const TORVAFile& file, const TEpochLayout& layout, const std::vector<std::string>& channelNames)
{
    TEdfPlan plan;
    plan.Labels = ExportedChannelNames(file, layout, channelNames);
    const TExportedEpoch& first = layout.Epochs.front();
    for (const TExportedEpoch& e : layout.Epochs)
        if (e.Samples != first.Samples)
            RefuseExport(file, "EDF+ needs epochs of one length, but cell " + std::to_string(first.Cell + 1) + " has " +
                                   std::to_string(first.Samples) + " samples and cell " + std::to_string(e.Cell + 1) +
                                   " has " + std::to_string(e.Samples));
    if (layout.Epochs.size() > static_cast<std::size_t>(kMaxRecords))
        RefuseExport(file, "EDF+ holds at most " + std::to_string(kMaxRecords) + " epochs");
    if (plan.Labels.size() + 1 > static_cast<std::size_t>(kMaxSignals))
        RefuseExport(file, "EDF+ holds at most " + std::to_string(kMaxSignals - 1) + " channels and the annotations");
    for (std::size_t k = 0; k < plan.Labels.size(); ++k) {
        const std::string& label = plan.Labels[k];
        const std::string channel = "Channel " + std::to_string(layout.Channels[k] + 1) + " (" + label + ")";
        if (label.size() > kMaxLabel)
            RefuseExport(file, channel + ": an EDF+ label has at most 16 characters");
        if (std::any_of(label.begin(), label.end(), [](char ch) { return ch < 32 || ch > 126; }))
            RefuseExport(file, channel + ": an EDF+ label holds printable ASCII characters only");
        if (label == kAnnotationLabel)
            RefuseExport(file, channel + ": EDF+ keeps this label for its annotations");
        plan.Ranges.push_back(EdfPhysicalRange(file, layout.Channels[k]));
    }
    plan.Samples = first.Samples;
    plan.Duration = *EdfNumber(static_cast<double>(plan.Samples) / layout.SamplingRate); // at most 32767 s
    plan.Seconds = ParseDecimal(plan.Duration);
    plan.Names.resize(file.Cells.size());
    for (std::size_t k = 0; k < layout.Epochs.size(); ++k) {
        const TExportedEpoch& e = layout.Epochs[k];
        std::string& name = plan.Names[static_cast<std::size_t>(e.Cell)];
        if (name.empty())
            name = EventName(file, e.Cell);
        plan.AnnotationBytes = std::max(
            plan.AnnotationBytes, RecordAnnotations(plan, static_cast<std::int64_t>(k), e.StimulusOffset, name).size());
    }
    plan.AnnotationBytes += plan.AnnotationBytes % 2; // whole 2-byte samples
    return plan;
}

// One fixed-width ASCII field, left-aligned and padded with spaces.
void Field(std::string& header, const std::string& text, std::size_t width)
{
    header += text.substr(0, width);
    header.append(width - std::min(width, text.size()), ' ');
}

std::string Header(const TORVAFile& file, const TEpochLayout& layout, const TEdfPlan& plan)
{
    const std::size_t signals = plan.Labels.size() + 1;
    const TEdfStart start = EdfStartOf(file);
    std::string h;
    Field(h, "0", 8);
    Field(h, "X X X X", 80);
    Field(h, start.Recording, 80);
    Field(h, start.Date, 8);
    Field(h, start.Time, 8);
    Field(h, std::to_string(256 * (signals + 1)), 8);
    Field(h, "EDF+C", 44);
    Field(h, std::to_string(layout.Epochs.size()), 8);
    Field(h, plan.Duration, 8);
    Field(h, std::to_string(signals), 4);
    auto each = [&](std::size_t width, auto text) {
        for (std::size_t k = 0; k < plan.Labels.size(); ++k)
            Field(h, text(k), width);
    };
    each(16, [&](std::size_t k) { return plan.Labels[k]; });
    Field(h, kAnnotationLabel, 16);
    each(80, [](std::size_t) { return std::string(); });
    Field(h, "", 80);
    each(8, [](std::size_t) { return std::string("uV"); });
    Field(h, "", 8);
    each(8, [&](std::size_t k) { return plan.Ranges[k].Minimum; });
    Field(h, "-1", 8);
    each(8, [&](std::size_t k) { return plan.Ranges[k].Maximum; });
    Field(h, "1", 8);
    for (int limit : {kDigitalMinimum, kDigitalMaximum}) {
        each(8, [&](std::size_t) { return std::to_string(limit); });
        Field(h, std::to_string(limit), 8);
    }
    each(80, [](std::size_t) { return std::string(); });
    Field(h, "", 80);
    each(8, [&](std::size_t) { return std::to_string(plan.Samples); });
    Field(h, std::to_string(plan.AnnotationBytes / 2), 8);
    each(32, [](std::size_t) { return std::string(); });
    Field(h, "", 32);
    return h;
}

void WriteRecords(const TORVAFile& file, const TEpochLayout& layout, const TEdfPlan& plan, TFileStream& out)
{
    const auto stride = static_cast<std::size_t>(file.NumChannels());
    TLargeArray<std::uint8_t> signal(static_cast<std::size_t>(plan.Samples) * 2);
    std::string annotations;
    for (std::size_t k = 0; k < layout.Epochs.size(); ++k) {
        const TExportedEpoch& e = layout.Epochs[k];
        const std::int16_t* raw = file.Cells[static_cast<std::size_t>(e.Cell)].Data.Observation(e.Observation);
        for (int c : layout.Channels) {
            const std::int16_t* value = raw + c;
            for (std::size_t s = 0; s < signal.size(); s += 2, value += stride) {
                const auto v = static_cast<std::uint16_t>(*value);
                signal[s] = static_cast<std::uint8_t>(v);
                signal[s + 1] = static_cast<std::uint8_t>(v >> 8);
            }
            out.Write(signal.data(), signal.size());
        }
        annotations = RecordAnnotations(plan, static_cast<std::int64_t>(k), e.StimulusOffset,
                                        plan.Names[static_cast<std::size_t>(e.Cell)]);
        annotations.resize(plan.AnnotationBytes, '\0');
        out.Write(annotations.data(), annotations.size());
    }
}

// A header number as a reader takes it, whatever the locale.
double ReadNumber(const std::string& text)
{
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace

TEdfPhysicalRange EdfPhysicalRange(const TORVAFile& file, int c)
{
    CheckCalibration(file, c);
    const std::optional<std::string> minimum = EdfNumber(CalibratedValue(file, kDigitalMinimum, c));
    const std::optional<std::string> maximum = EdfNumber(CalibratedValue(file, kDigitalMaximum, c));
    const std::string channel = "Channel " + std::to_string(c + 1);
    if (!minimum || !maximum)
        RefuseExport(file, channel + ": its calibrated range does not fit the 8 characters of an EDF+ header field");
    if (ReadNumber(*minimum) == ReadNumber(*maximum))
        RefuseExport(file, channel + ": its calibrated range is too narrow for the 8 characters of an EDF+ header field");
    return {*minimum, *maximum};
}

void CheckEdf(const TORVAFile& file, const TEpochLayout& layout, const std::vector<std::string>& channelNames)
{
    Plan(file, layout, channelNames);
}

void WriteEdf(const TORVAFile& file, const TEpochLayout& layout, const std::vector<std::string>& channelNames,
              const std::filesystem::path& edfPath)
{
    const TEdfPlan plan = Plan(file, layout, channelNames);
    const std::string header = Header(file, layout, plan);
    TFileStream out(edfPath, TFileMode::fmCreate);
    out.Write(header.data(), header.size());
    WriteRecords(file, layout, plan, out);
    out.Commit();
}

void ExportEdf(const TORVAFile& file, const TEpochSelection& selection,
               const std::optional<std::filesystem::path>& channelNamesFile, const std::filesystem::path& edfPath)
{
    const TEpochLayout layout = LayOutEpochs(file, selection);
    WriteEdf(file, layout, ChannelNamesFor(file, channelNamesFile), edfPath);
}

} // namespace orva
