#pragma once
#include <cstddef>
#include <cstdint>
#include <system_error>

namespace orva {

/// Where the bytes of a stream come from or go to: a file on disk, or a block of memory
/// (so that the loader can be run on bytes without touching the disk). TFileStream does
/// the buffering above it; a device only moves blocks.
class TStreamDevice {
public:
    virtual ~TStreamDevice() = default;

    /// Reads up to count bytes; fewer only at the end.
    virtual std::size_t Read(void* dst, std::size_t count, std::error_code& ec) = 0;
    /// Writes all count bytes, or fails.
    virtual std::error_code Write(const void* src, std::size_t count) = 0;
    /// Moves to an absolute offset from the start.
    virtual std::error_code Seek(std::int64_t offset) = 0;
    virtual std::int64_t Size(std::error_code& ec) const = 0;
    /// Makes everything written final (a file replaces its target). Throws EORVAError
    /// naming the stream's path when that fails. A device destroyed without Commit()
    /// leaves the target as it was.
    virtual void Commit() {}
};

} // namespace orva
