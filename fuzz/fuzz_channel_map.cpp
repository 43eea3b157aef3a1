// Reads the input as a mapping file for a document of 0 to 255 channels (the first byte),
// then writes a document through the map and reads the written file back: each output
// channel holds its source channel's samples, zero level and gain, or zeros and the gain
// of an unmapped channel when its line names no channel; every line is used or counted as
// ignored.
#include "FuzzSupport.h"
#include "tools/ChannelMapFile.h"

#include <string_view>

using namespace orva;
using namespace orva::fuzz;

namespace {

constexpr std::int32_t kUnmappedGain = 1638;

TORVAFile Numbered(int count)
{
    TORVAFile f;
    f.FileDescription.ByteOrder = kByteOrderTag;
    f.FileDescription.HeaderVersion = kAverageFileVersion;
    f.DataDescription.NumCells = 1;
    f.DataDescription.NumChannels = count;
    f.DataDescription.CellWords = {0};
    TORVACell cell;
    cell.NumObservations = 1;
    cell.SamplesPerObservation = 2;
    cell.Data = TSampleArray(1, 2, count);
    for (int c = 0; c < count; ++c) {
        f.DataDescription.Zeros.push_back(-c);
        f.DataDescription.Gains.push_back(100 + c);
        for (int s = 0; s < 2; ++s)
            cell.Data.Observation(0)[s * count + c] = static_cast<std::int16_t>(1000 * s + c + 1);
    }
    f.Cells.push_back(std::move(cell));
    return f;
}

std::size_t LineCount(std::string_view text)
{
    std::size_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            ++lines;
    return lines + (!text.empty() && text.back() != '\n' && text.back() != '\r');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int count = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    int ignored = -1;
    const ChannelMap map = ParseChannelMap(text, count, &ignored);
    Require(map.size() == static_cast<std::size_t>(count), "a map of another size than the channels");
    Require(ignored >= 0 && static_cast<std::size_t>(ignored) <= LineCount(text), "more lines ignored than given");
    for (std::int32_t entry : map)
        Require(entry >= -1, "a map entry below -1");

    const TORVAFile f = Numbered(count);
    std::vector<std::uint8_t> bytes;
    TBigEndianFileStream out(MemoryWriter(bytes), "map.ave", TFileMode::fmCreate);
    f.SaveRemappedTo(out, map);
    const TORVAFile copy = RequireReadsBack(bytes, "a remapped save");
    Require(copy.NumChannels() == count && copy.Cells.size() == 1, "a remapped file of another shape");
    for (int c = 0; c < count; ++c) {
        const std::int32_t source = map[static_cast<std::size_t>(c)];
        const bool named = source >= 0 && source < count;
        const auto& dd = copy.DataDescription;
        Require(dd.Gains[static_cast<std::size_t>(c)] == (named ? 100 + source : kUnmappedGain) &&
                    dd.Zeros[static_cast<std::size_t>(c)] == (named ? -source : 0),
                "a remapped channel with another calibration");
        for (int s = 0; s < 2; ++s)
            Require(copy.Cells[0].Data.Observation(0)[s * count + c] == (named ? 1000 * s + source + 1 : 0),
                    "a remapped channel with other samples");
    }
    return 0;
}
