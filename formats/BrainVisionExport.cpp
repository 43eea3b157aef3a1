#include "formats/BrainVisionExport.h"

#include "model/Calibration.h"
#include "model/FileStream.h"
#include "model/LargeBuffer.h"
#include "model/ORVAError.h"
#include "model/PathText.h"
#include "select/LineSink.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <system_error>

namespace orva {

namespace {

// Files of this format come from Windows, and its readers expect CR LF.
constexpr std::string_view kLineEnd = "\r\n";

std::string LowerAscii(std::string text)
{
    for (char& ch : text)
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    return text;
}

void WriteSamples(const TORVAFile& file, const TEpochLayout& layout, TFileStream& out)
{
    constexpr std::size_t kValues = std::size_t{1} << 15; // 128 KiB a write
    const TRowCalibration rows(file, layout.Channels);
    const std::size_t width = layout.Channels.size();
    const auto stride = static_cast<std::size_t>(file.NumChannels());
    TLargeArray<float> buffer(kValues);
    std::size_t used = 0;
    auto flush = [&] {
        if constexpr (std::endian::native == std::endian::big)
            for (std::size_t i = 0; i < used; ++i) {
                const auto v = std::bit_cast<std::uint32_t>(buffer[i]);
                buffer[i] = std::bit_cast<float>((v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24));
            }
        out.Write(buffer.data(), used * sizeof(float));
        used = 0;
    };
    for (const TExportedEpoch& e : layout.Epochs) {
        const std::int16_t* raw = file.Cells[static_cast<std::size_t>(e.Cell)].Data.Observation(e.Observation);
        for (int s = 0; s < e.Samples; ++s, raw += stride) {
            for (std::size_t first = 0; first < width;) {
                if (used == kValues)
                    flush();
                const std::size_t count = std::min(width - first, kValues - used);
                rows.Row(raw, buffer.data() + used, first, count);
                used += count;
                first += count;
            }
        }
    }
    flush();
}

void WriteMarkers(const TORVAFile& file, const TEpochLayout& layout, const std::string& dataName, TLineSink& sink)
{
    sink.Line("Brain Vision Data Exchange Marker File, Version 1.0");
    sink.Line("");
    sink.Line("[Common Infos]");
    sink.Line("Codepage=UTF-8");
    sink.Line("DataFile=" + dataName);
    sink.Line("");
    sink.Line("[Marker Infos]");
    sink.Line("; Each entry: Mk<Marker number>=<Type>,<Description>,<Position in data points>,");
    sink.Line("; <Size in data points>, <Channel number (0 = marker is related to all channels)>");
    sink.Line("; Positions count from 1; commas in descriptions are coded as \"\\1\".");
    std::vector<std::string> descriptions(file.Cells.size());
    std::int64_t number = 0;
    TLineComposer line(sink);
    for (const TExportedEpoch& e : layout.Epochs) {
        std::string& description = descriptions[static_cast<std::size_t>(e.Cell)];
        if (description.empty())
            description = BrainVisionText(EventName(file, e.Cell));
        line.Append("Mk");
        line.AppendNumber(++number);
        line.Append("=New Segment,,");
        line.AppendNumber(e.FirstSample + 1);
        line.Append(",1,0");
        line.EndLine();
        line.Append("Mk");
        line.AppendNumber(++number);
        line.Append("=Stimulus,");
        line.Append(description);
        line.Append(',');
        line.AppendNumber(e.FirstSample + e.StimulusOffset + 1);
        line.Append(",1,0");
        line.EndLine();
    }
}

// The cells in the order their first epoch comes.
std::vector<int> ExportedCells(const TORVAFile& file, const TEpochLayout& layout)
{
    std::vector<int> cells;
    std::vector<bool> seen(file.Cells.size(), false);
    for (const TExportedEpoch& e : layout.Epochs)
        if (!seen[static_cast<std::size_t>(e.Cell)]) {
            seen[static_cast<std::size_t>(e.Cell)] = true;
            cells.push_back(e.Cell);
        }
    return cells;
}

void WriteComment(const TORVAFile& file, const TEpochLayout& layout, TLineSink& sink)
{
    const bool average = file.IsAverageFile();
    sink.Line("[Comment]");
    sink.Line("Exported by ORVA Toolbox from " + file.FileName + ", " +
              (average ? "an average file (one observation per subject)" : "a session file (one observation per trial)"));
    for (int c : ExportedCells(file, layout)) {
        const TORVACell& cell = file.Cells[static_cast<std::size_t>(c)];
        const std::string number = "Cell " + std::to_string(c + 1);
        sink.Line(number + ": " + EventName(file, c) + "; " + std::to_string(cell.NumObservations) +
                  " observations in the file, " + std::to_string(cell.SamplesPerObservation) +
                  " samples per observation");
        if (!average)
            continue;
        std::string trials = number + ": trials behind each subject:";
        for (int o = 0; o < cell.NumObservations; ++o)
            trials += " " + (cell.TrialSpecifics.WordsPerObservation() > 0 ? std::to_string(cell.TrialSpecifics(o, 0))
                                                                            : std::string("?"));
        sink.Line(trials);
    }
}

void WriteHeader(const TORVAFile& file, const TEpochLayout& layout, const std::vector<std::string>& names,
                 const TBrainVisionPaths& paths, TLineSink& sink)
{
    sink.Line("Brain Vision Data Exchange Header File Version 1.0");
    sink.Line("; Data exported by ORVA Toolbox");
    sink.Line("");
    sink.Line("[Common Infos]");
    sink.Line("Codepage=UTF-8");
    sink.Line("DataFile=" + ExtractFileName(paths.Data));
    sink.Line("MarkerFile=" + ExtractFileName(paths.Markers));
    sink.Line("DataFormat=BINARY");
    sink.Line("; Data orientation: MULTIPLEXED=ch1,pt1, ch2,pt1 ...");
    sink.Line("DataOrientation=MULTIPLEXED");
    sink.Line("NumberOfChannels=" + std::to_string(names.size()));
    sink.Line("; Sampling interval in microseconds");
    sink.Line("SamplingInterval=" + SamplingIntervalText(layout.SamplingRate));
    sink.Line("");
    sink.Line("[Binary Infos]");
    sink.Line("BinaryFormat=IEEE_FLOAT_32");
    sink.Line("");
    sink.Line("[Channel Infos]");
    sink.Line("; Each entry: Ch<Channel number>=<Name>,<Reference channel name>,");
    sink.Line("; <Resolution in \"Unit\">,<Unit>; commas in names are coded as \"\\1\".");
    for (std::size_t k = 0; k < names.size(); ++k)
        sink.Line("Ch" + std::to_string(k + 1) + "=" + BrainVisionText(names[k]) + ",,1,\xC2\xB5V");
    sink.Line("");
    WriteComment(file, layout, sink);
}

} // namespace

TBrainVisionPaths BrainVisionPaths(const std::filesystem::path& vhdrPath)
{
    TBrainVisionPaths paths{vhdrPath, vhdrPath, vhdrPath};
    paths.Markers.replace_extension(".vmrk");
    paths.Data.replace_extension(".eeg");
    return paths;
}

std::string SamplingIntervalText(int rate)
{
    char text[64];
    const double interval = 1e6 / static_cast<double>(rate);
    const auto result = std::to_chars(text, text + sizeof text, interval, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

std::string BrainVisionText(const std::string& text)
{
    std::string out;
    for (char ch : text) {
        if (ch == ',')
            out += "\\1";
        else
            out.push_back(ch);
    }
    return out;
}

void WriteBrainVision(const TORVAFile& file, const TEpochLayout& layout, const std::vector<std::string>& channelNames,
                      const std::filesystem::path& vhdrPath)
{
    const std::vector<std::string> names = ExportedChannelNames(file, layout, channelNames);
    if (LowerAscii(PathText(vhdrPath.extension())) != ".vhdr")
        throw EORVAError(PathText(vhdrPath), "The name of a BrainVision header file must end in .vhdr");
    const TBrainVisionPaths paths = BrainVisionPaths(vhdrPath);

    TFileStream data(paths.Data, TFileMode::fmCreate);
    WriteSamples(file, layout, data);
    TTextFileSink markers(paths.Markers, kLineEnd);
    WriteMarkers(file, layout, ExtractFileName(paths.Data), markers);
    TTextFileSink header(paths.Header, kLineEnd);
    WriteHeader(file, layout, names, paths, header);
    data.Commit();
    markers.Commit();
    header.Commit();
}

void ExportBrainVision(const TORVAFile& file, const TEpochSelection& selection,
                       const std::optional<std::filesystem::path>& channelNamesFile,
                       const std::filesystem::path& vhdrPath)
{
    const TEpochLayout layout = LayOutEpochs(file, selection);
    WriteBrainVision(file, layout, ChannelNamesFor(file, channelNamesFile), vhdrPath);
}

} // namespace orva
