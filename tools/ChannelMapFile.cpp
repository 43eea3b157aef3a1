#include "tools/ChannelMapFile.h"

#include "model/FileStream.h"
#include "model/LenientInteger.h"

#include <string_view>
#include <vector>

namespace orva {

namespace {

std::string ReadWholeFile(const std::filesystem::path& path)
{
    TFileStream stream(path, TFileMode::fmOpenRead);
    std::string bytes(static_cast<std::size_t>(stream.Size()), '\0');
    bytes.resize(stream.Read(bytes.data(), bytes.size()));
    return bytes;
}

// Lines end at CR LF, CR or LF; a final line end adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

} // namespace

ChannelMap ReadChannelMap(const std::filesystem::path& path, int count, int* ignoredLines)
{
    return ParseChannelMap(ReadWholeFile(path), count, ignoredLines);
}

ChannelMap ParseChannelMap(std::string_view text, int count, int* ignoredLines)
{
    ChannelMap map(static_cast<std::size_t>(std::max(count, 0)), 0);
    int ignored = 0;
    for (std::string_view line : SplitLines(text)) {
        const std::size_t tab = line.find('\t');
        // Without a TAB the output channel field is empty and reads as 0.
        const std::int32_t a =
            tab == std::string_view::npos ? 0 : ReadLenientInteger(line.substr(0, tab), TMinusSign::OnlyForWholeField);
        if (a < 1 || a > count) {
            ++ignored;
            continue;
        }
        const std::int32_t b = ReadLenientInteger(line.substr(tab + 1), TMinusSign::OnlyForWholeField);
        // Any B outside 1..count names no channel; -1 stands for all of them without overflow.
        map[static_cast<std::size_t>(a - 1)] = b >= 1 ? b - 1 : -1;
    }
    if (ignoredLines)
        *ignoredLines = ignored;
    return map;
}

} // namespace orva
