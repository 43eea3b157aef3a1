#pragma once
// Where the channel mapping file is looked for. The lab's own file beside the program wins;
// an installation keeps the shipped file in its data folder, found relative to the program
// so that an installed or unpacked copy works wherever it lies.
#include <filesystem>
#include <vector>

namespace orva {

/// The name of the mapping file that "Convert GSN64v2 to GSN64v1..." and "orva convert" read.
inline constexpr const char* kMappingFileName = "GSNv2tov1.txt";

/// The places looked at, in order: beside the program, then
/// <programDir>/../share/orva-toolbox/ (the installed data folder).
std::vector<std::filesystem::path> MappingFileCandidates(const std::filesystem::path& programDir);

/// The first candidate that is a file. When there is none, throws an EORVAError whose
/// text names every place that was looked at.
std::filesystem::path FindMappingFile(const std::filesystem::path& programDir);

} // namespace orva
