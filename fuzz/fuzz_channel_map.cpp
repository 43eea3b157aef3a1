// Reads the input as a mapping file for a document of 0 to 255 channels (the first byte),
// then writes a document through the map.
#include "model/BigEndianFileStream.h"
#include "model/MemoryStream.h"
#include "model/ORVAFile.h"
#include "tools/ChannelMapFile.h"

#include <cstdlib>
#include <string_view>

using namespace orva;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int count = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    int ignored = -1;
    const ChannelMap map = ParseChannelMap(text, count, &ignored);
    if (map.size() != static_cast<std::size_t>(count) || ignored < 0 || static_cast<std::size_t>(ignored) > text.size())
        std::abort();
    for (std::int32_t entry : map)
        if (entry < -1)
            std::abort();

    TORVAFile f;
    f.FileDescription.ByteOrder = kByteOrderTag;
    f.FileDescription.HeaderVersion = kAverageFileVersion;
    f.DataDescription.NumCells = 1;
    f.DataDescription.NumChannels = count;
    f.DataDescription.CellWords = {0};
    f.DataDescription.Zeros.assign(static_cast<std::size_t>(count), 1);
    f.DataDescription.Gains.assign(static_cast<std::size_t>(count), 2);
    TORVACell cell;
    cell.NumObservations = 1;
    cell.SamplesPerObservation = 2;
    cell.Data = TSampleArray(1, 2, count);
    f.Cells.push_back(std::move(cell));
    std::vector<std::uint8_t> bytes;
    TBigEndianFileStream out(MemoryWriter(bytes), "map.ave", TFileMode::fmCreate);
    f.SaveRemappedTo(out, map);
    // The written file passes the length check: header length plus data length.
    const std::size_t headerLength = std::size_t{bytes[6]} << 8 | bytes[7];
    if (bytes.size() != headerLength + 4 * static_cast<std::size_t>(count))
        std::abort();
    return 0;
}
