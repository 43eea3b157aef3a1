#pragma once
#include "model/StreamDevice.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orva {

enum class TFileMode {
    fmOpenRead, ///< open an existing file for reading
    fmCreate,   ///< write a new file that replaces the target only on Commit()
};

/// A buffered stream: one call of its device per buffer, not per field.
///
/// Over a file (the constructor with a path), create mode writes to a temporary file
/// beside the target; Commit() writes it out, waits until it is on the disk and puts it in
/// place of the target in one step. A stream destroyed without Commit() (an error somewhere
/// in the writer) removes the temporary file, so an existing target is never
/// half-overwritten. A target that is a symbolic link stays a link: the file it points to
/// is the one replaced. The same stream runs over memory (MemoryStream.h).
class TFileStream {
public:
    TFileStream(const std::filesystem::path& path, TFileMode mode);
    /// A stream over any device; name stands for the path in messages.
    TFileStream(std::unique_ptr<TStreamDevice> device, std::string name, TFileMode mode);
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

    /// The path as given, as text for messages.
    const std::string& Path() const { return pathText_; }

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
    void TakeSize();
    void FillBuffer();
    void FlushBuffer();
    [[noreturn]] void Fail(const std::string& what, const std::error_code& ec) const;

    std::string pathText_;         // the path as given, for messages
    TFileMode mode_;
    std::unique_ptr<TStreamDevice> device_;
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0;         // read mode: next byte in buffer_; write mode: bytes pending
    std::size_t end_ = 0;         // read mode: bytes valid in buffer_
    std::int64_t filePos_ = 0;    // file offset of buffer_[end_] (read) or of buffer_[0] (write)
    std::int64_t size_ = 0;
    // Read mode: the device stands at the end of the file. Reads past the end then cost no
    // call of the device (a header can declare tens of thousands of fields that are not there).
    bool atEnd_ = false;
    bool committed_ = false;
};

} // namespace orva
