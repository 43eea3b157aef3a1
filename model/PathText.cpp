#include "model/PathText.h"

namespace orva {

std::string PathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path PathFromText(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string ExtractFileName(const std::filesystem::path& path) { return PathText(path.filename()); }

std::filesystem::path ExtractFilePath(const std::filesystem::path& path)
{
    return std::filesystem::path(path).remove_filename();
}

} // namespace orva
