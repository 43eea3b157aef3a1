#include "model/SaveTemporaries.h"

#include "model/Platform.h"

#include <string>

namespace orva {

namespace {

namespace fs = std::filesystem;

const char kMarker[] = ".partial-";

using TNative = fs::path::string_type;

// Digits only, without sign or blanks; nothing for an empty text or an overflow.
std::optional<std::uint64_t> Decimal(const TNative& text)
{
    if (text.empty() || text.size() > 19)
        return std::nullopt;
    std::uint64_t value = 0;
    for (auto ch : text) {
        if (ch < '0' || ch > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(ch - '0');
    }
    return value;
}

} // namespace

fs::path TemporaryName(const fs::path& target, std::uint64_t pid, int n)
{
    fs::path name = target;
    name += kMarker + std::to_string(pid) + "-" + std::to_string(n);
    return name;
}

std::optional<std::uint64_t> TemporaryOwner(const fs::path& target, const fs::path& candidate)
{
    // Compared in the file system's own characters, so no name is converted on the way.
    const TNative prefix = target.filename().native() + fs::path(kMarker).native();
    const TNative name = candidate.filename().native();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    const TNative rest = name.substr(prefix.size());
    const std::size_t dash = rest.find('-');
    if (dash == TNative::npos || !Decimal(rest.substr(dash + 1)))
        return std::nullopt;
    return Decimal(rest.substr(0, dash));
}

int RemoveStaleTemporaries(const fs::path& target)
{
    // Names are compared as the file system holds them; a folder that cannot be listed
    // simply has nothing removed, and the save goes on.
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    int removed = 0;
    for (; !ec && it != end; it.increment(ec)) {
        const auto owner = TemporaryOwner(target, it->path());
        if (!owner || platform::ProcessIsRunning(*owner))
            continue;
        std::error_code removeError;
        if (fs::remove(it->path(), removeError))
            ++removed;
    }
    return removed;
}

} // namespace orva
