#pragma once
#include "model/StreamDevice.h"

#include <filesystem>
#include <memory>
#include <string>

namespace orva {

/// A file opened for reading. Throws EORVAError naming pathText when it cannot be opened.
std::unique_ptr<TStreamDevice> OpenFileForReading(const std::filesystem::path& path, const std::string& pathText);

/// A new file that takes the place of `path` on Commit(). The bytes go to a temporary file
/// beside the target (the target of a symbolic link, which stays a link); Commit() writes
/// it out, waits until it is on the disk and replaces the target in one step. Destroyed
/// without Commit(), it removes the temporary file and the target stays as it was.
/// Temporaries left by saves that were killed are removed first.
std::unique_ptr<TStreamDevice> CreateReplacingFile(const std::filesystem::path& path, const std::string& pathText);

} // namespace orva
