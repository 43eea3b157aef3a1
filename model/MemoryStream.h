#pragma once
// Streams over memory instead of a file, for running the loader and the writers on bytes
// (fuzzing, round trips in tests) without a disk.
#include "model/StreamDevice.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace orva {

/// Reads `bytes`, which must outlive the device, as if they were a file.
std::unique_ptr<TStreamDevice> MemoryReader(std::span<const std::uint8_t> bytes);

/// Collects what is written; on Commit() the bytes replace the contents of `target`, which
/// must outlive the device. Without Commit() target stays as it was, like a file target.
std::unique_ptr<TStreamDevice> MemoryWriter(std::vector<std::uint8_t>& target);

} // namespace orva
