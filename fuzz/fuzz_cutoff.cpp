// Reads the input as the text typed into the filter dialog and, when it is a cut-off
// frequency, filters a small document with it.
#include "model/ORVAError.h"
#include "tools/LowPassFilter.h"

#include <cmath>
#include <cstdlib>
#include <string>

using namespace orva;

namespace {

TORVAFile SmallAverage()
{
    TORVAFile f;
    f.FileDescription.ByteOrder = kByteOrderTag;
    f.FileDescription.HeaderVersion = kAverageFileVersion;
    f.GeneralInformation.ScaleBins = 3;
    f.DataDescription.NumCells = 1;
    f.DataDescription.NumChannels = 2;
    f.DataDescription.CellWords = {0};
    f.DataDescription.Zeros = {0, 0};
    f.DataDescription.Gains = {1, 1};
    TORVACell cell;
    cell.NumObservations = 1;
    cell.SamplesPerObservation = 37;
    cell.SamplesPerSecond = 250;
    cell.Data = TSampleArray(1, 37, 2);
    for (std::size_t i = 0; i < cell.Data.size(); ++i)
        cell.Data.data()[i] = static_cast<std::int16_t>((i % 5) * 9000 - 18000);
    f.Cells.push_back(std::move(cell));
    return f;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<float> cutoff = ParseCutoffText(text);
    if (!cutoff)
        return 0;
    if (!std::isfinite(*cutoff))
        std::abort();
    TORVAFile f = SmallAverage();
    try {
        const std::int64_t clamped = LowPassFilter(f, *cutoff);
        if (clamped < 0 || clamped > static_cast<std::int64_t>(f.Cells[0].Data.size()))
            std::abort();
    } catch (const EORVAError&) {
        if (*cutoff >= 0.0f)
            std::abort(); // only a negative cut-off is refused for this document
    }
    return 0;
}
