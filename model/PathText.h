#pragma once
// File names cross the code as std::filesystem::path; they become text only to be shown,
// reported or written into a text file, and always as UTF-8.
#include <filesystem>
#include <string>
#include <string_view>

namespace orva {

/// The path as UTF-8 text. On POSIX the bytes of the name are kept as they are.
std::string PathText(const std::filesystem::path& path);
/// The path that the UTF-8 text names (a typed name, a command-line argument).
std::filesystem::path PathFromText(std::string_view text);

/// The name part of a path (no folder), as UTF-8 text. The separators and the drive
/// letters are those of the system: on Windows "\", "/" and "C:".
std::string ExtractFileName(const std::filesystem::path& path);
/// The folder part of a path, with its trailing separator (empty for a bare name).
std::filesystem::path ExtractFilePath(const std::filesystem::path& path);

} // namespace orva
