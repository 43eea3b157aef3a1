// Reads the input as the four typed lists of the stats export (separated by '|') and builds
// the export of a small document from them. A list printed back as numbers reads the same.
#include "export/StatsExport.h"
#include "model/ORVAError.h"
#include "tools/LowPassFilter.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace orva;

TORVAFile SmallDocument()
{
    TORVAFile f;
    f.FileDescription.ByteOrder = kByteOrderTag;
    f.FileDescription.HeaderVersion = kSessionFileVersion;
    f.FullFileName = "fuzz.ses";
    auto& dd = f.DataDescription;
    dd.NumCells = 2;
    dd.NumChannels = 3;
    dd.CellWords = {0, 0};
    dd.Zeros = {0, 5, -5};
    dd.Gains = {400, 300, 200};
    for (int c = 0; c < 2; ++c) {
        TORVACell cell;
        cell.NumObservations = 2 + c;
        cell.SamplesPerObservation = 4;
        cell.SamplesPerSecond = 250;
        cell.Data = TSampleArray(cell.NumObservations, 4, 3);
        for (std::size_t i = 0; i < cell.Data.size(); ++i)
            cell.Data.data()[i] = static_cast<std::int16_t>(i * 37 - 100);
        f.Cells.push_back(std::move(cell));
    }
    return f;
}

std::string AsTyped(const TSelectionList& list)
{
    std::string text;
    for (int index : list)
        text += std::to_string(static_cast<std::int64_t>(index) + 1) + " ";
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TORVAFile document = SmallDocument();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    TSelectionList lists[4];
    for (auto& list : lists) {
        const std::size_t bar = input.find('|');
        list = ParseSelectionList(std::string(input.substr(0, bar)));
        input = bar == std::string_view::npos ? std::string_view() : input.substr(bar + 1);
        if (ParseSelectionList(AsTyped(list)) != list)
            std::abort();
    }
    std::size_t fields = 1;
    for (const auto& list : lists)
        fields *= list.size() + 1;
    if (fields > 100000)
        return 0; // the export itself would only repeat the same work
    for (char separator : {'.', ','}) {
        try {
            BuildStatsExport(document, lists[0], lists[1], lists[2], lists[3], separator);
        } catch (const EORVAError&) {
        }
    }
    return 0;
}
