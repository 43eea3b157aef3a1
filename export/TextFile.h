#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace orva {

/// Writes lines as 8-bit text, each followed by CR LF (the last one too). The file at
/// path is replaced only once the new one is complete; errors name the path.
void WriteTextLines(const std::filesystem::path& path, const std::vector<std::string>& lines);

} // namespace orva
