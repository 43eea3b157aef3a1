#include "tools/MappingFileLocation.h"

#include "model/ORVAError.h"
#include "model/PathText.h"

#include <system_error>

namespace orva {

std::vector<std::filesystem::path> MappingFileCandidates(const std::filesystem::path& programDir)
{
    // Without a folder (the program's path was unknown) the working folder stands in.
    const std::filesystem::path dir = programDir.empty() ? std::filesystem::path(".") : programDir;
    // The second place is shown as a user would type it, without "bin/..".
    return {dir / kMappingFileName,
            (dir / ".." / "share" / "orva-toolbox" / kMappingFileName).lexically_normal()};
}

std::filesystem::path FindMappingFile(const std::filesystem::path& programDir)
{
    const std::vector<std::filesystem::path> candidates = MappingFileCandidates(programDir);
    std::string looked;
    for (const auto& candidate : candidates) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec))
            return candidate;
        looked += (looked.empty() ? "" : ", ") + PathText(candidate);
    }
    throw EORVAError(kMappingFileName, "mapping file not found; looked for " + looked);
}

} // namespace orva
