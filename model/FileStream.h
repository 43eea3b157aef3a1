#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orva {

enum class TFileMode {
    fmOpenRead, ///< open an existing file for reading
    fmCreate,   ///< write a new file that replaces the target only on Commit()
};

/// A buffered file stream: one system call per buffer, not per field.
///
/// In create mode the bytes go to a temporary file beside the target; Commit()
/// flushes it, checks that every byte reached the disk and renames it over the
/// target. A stream destroyed without Commit() (an error somewhere in the writer)
/// removes the temporary file, so an existing target is never half-overwritten.
class TFileStream {
public:
    TFileStream(const std::string& path, TFileMode mode);
    ~TFileStream();
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    /// Reads up to count bytes; returns how many were obtained (short at the end of the file).
    std::size_t Read(void* dst, std::size_t count);
    void Write(const void* src, std::size_t count);
    /// Moves to an absolute offset from the start of the file (read mode).
    void Seek(std::int64_t offset);
    std::int64_t Position() const;
    std::int64_t Size() const { return size_; }
    /// Create mode: completes the file and puts it in place of the target.
    void Commit();

    const std::string& Path() const { return path_; }

protected:
    static constexpr std::size_t kBufferSize = 1 << 16;

    // Direct access for the typed readers and writers of derived classes.
    bool HasBuffered(std::size_t n) const { return end_ - pos_ >= n; }
    const std::uint8_t* TakeBuffered(std::size_t n)
    {
        const std::uint8_t* p = buffer_.data() + pos_;
        pos_ += n;
        return p;
    }
    std::uint8_t* WriteSpace(std::size_t n);

private:
    void FillBuffer();
    void FlushBuffer();
    [[noreturn]] void Fail(const std::string& what) const;

    std::string path_;
    std::string tempPath_;
    TFileMode mode_;
    std::FILE* file_ = nullptr;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0;         // read mode: next byte in buffer_; write mode: bytes pending
    std::size_t end_ = 0;         // read mode: bytes valid in buffer_
    std::int64_t filePos_ = 0;    // file offset of buffer_[end_] (read) or of buffer_[0] (write)
    std::int64_t size_ = 0;
    bool committed_ = false;
};

} // namespace orva
