#pragma once
// The temporary files a save writes beside its target before it replaces the target.
// Each carries the id of the process that writes it, so that a later save can tell the
// leftovers of a save that was killed from the file of a save that is still running.
#include <cstdint>
#include <filesystem>
#include <optional>

namespace orva {

/// The temporary name a save of `target` by process `pid` tries as its n-th choice
/// ("data.ses" gives "data.ses.partial-<pid>-<n>").
std::filesystem::path TemporaryName(const std::filesystem::path& target, std::uint64_t pid, int n);

/// The process id in a temporary name of `target`, or nothing when `candidate` is not one.
std::optional<std::uint64_t> TemporaryOwner(const std::filesystem::path& target, const std::filesystem::path& candidate);

/// Removes the temporaries of `target` whose process no longer runs; returns how many.
/// Those of running processes (this one included) are left alone.
int RemoveStaleTemporaries(const std::filesystem::path& target);

} // namespace orva
