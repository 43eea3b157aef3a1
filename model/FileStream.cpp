#include "model/FileStream.h"

#include "model/ORVAError.h"
#include "model/PathText.h"

#include <algorithm>
#include <cstring>

namespace orva {

namespace {

namespace fs = std::filesystem;

// A save through a symbolic link replaces the file the link points to and leaves the link.
fs::path ResolveLinks(const fs::path& path)
{
    fs::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(p, ec))
            return p;
        const fs::path to = fs::read_symlink(p, ec);
        if (ec)
            return p;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    throw EORVAError(PathText(path), "Cannot create file: Too many levels of symbolic links");
}

// The temporary file beside the target. A name that exists is never reused, so a stray
// file of that name is not clobbered.
std::error_code CreateTemporaryBeside(const fs::path& target, platform::TNativeFile& file, fs::path& tempPath)
{
    std::error_code ec;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target;
        tempPath += attempt ? ".partial-" + std::to_string(attempt) : std::string(".partial");
        ec = file.CreateNew(tempPath);
        if (ec != std::errc::file_exists)
            return ec;
    }
    return ec;
}

} // namespace

TFileStream::TFileStream(const fs::path& path, TFileMode mode)
    : path_(path), pathText_(PathText(path)), mode_(mode), buffer_(kBufferSize)
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
        throw EORVAError(pathText_, mode == TFileMode::fmOpenRead ? "Cannot open file for reading: Is a directory"
                                                                  : "Cannot create file: Is a directory");
    if (mode == TFileMode::fmOpenRead) {
        if ((ec = file_.OpenForReading(path)))
            throw EORVAError(pathText_, "Cannot open file for reading: " + platform::ErrorText(ec));
        size_ = file_.Size(ec);
        if (ec)
            throw EORVAError(pathText_, "Cannot determine the size of the file: " + platform::ErrorText(ec));
    } else {
        path_ = ResolveLinks(path);
        // A write-protected file stays protected, although a rename could replace it.
        auto status = fs::status(path_, ec);
        constexpr auto anyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        if (!ec && fs::exists(status) && (status.permissions() & anyWrite) == fs::perms::none)
            throw EORVAError(pathText_, "Cannot create file: Permission denied");
        if ((ec = CreateTemporaryBeside(path_, file_, tempPath_)))
            throw EORVAError(pathText_, "Cannot create file: " + platform::ErrorText(ec));
    }
}

TFileStream::~TFileStream()
{
    if (mode_ == TFileMode::fmCreate && !committed_) {
        file_.Close();
        std::error_code ec;
        fs::remove(tempPath_, ec);
    }
}

void TFileStream::Fail(const std::string& what, const std::error_code& ec) const
{
    throw EORVAError(pathText_, what + ": " + platform::ErrorText(ec));
}

void TFileStream::FillBuffer()
{
    std::error_code ec;
    std::size_t got = file_.Read(buffer_.data(), buffer_.size(), ec);
    if (ec)
        Fail("Read failed", ec);
    pos_ = 0;
    end_ = got;
    filePos_ += static_cast<std::int64_t>(got);
}

std::size_t TFileStream::Read(void* dst, std::size_t count)
{
    auto* out = static_cast<std::uint8_t*>(dst);
    std::size_t done = 0;
    if (count == 0)
        return 0;
    while (done < count) {
        if (pos_ == end_) {
            std::size_t rest = count - done;
            if (rest >= buffer_.size()) {
                // Large reads go straight into the caller's memory: no copy through the buffer.
                std::error_code ec;
                std::size_t got = file_.Read(out + done, rest, ec);
                if (ec)
                    Fail("Read failed", ec);
                filePos_ += static_cast<std::int64_t>(got);
                pos_ = end_ = 0; // the buffer no longer holds the bytes before filePos_
                return done + got;
            }
            FillBuffer();
            if (end_ == 0)
                break;
        }
        std::size_t n = std::min(count - done, end_ - pos_);
        std::memcpy(out + done, buffer_.data() + pos_, n);
        pos_ += n;
        done += n;
    }
    return done;
}

void TFileStream::Seek(std::int64_t offset)
{
    if (offset < 0)
        throw EORVAError(pathText_, "Cannot seek to negative offset " + std::to_string(offset));
    std::int64_t bufferStart = filePos_ - static_cast<std::int64_t>(end_);
    if (offset >= bufferStart && offset <= filePos_) {
        pos_ = static_cast<std::size_t>(offset - bufferStart);
        return;
    }
    if (auto ec = file_.Seek(offset))
        Fail("Seek failed", ec);
    filePos_ = offset;
    pos_ = end_ = 0;
}

std::int64_t TFileStream::Position() const
{
    if (mode_ == TFileMode::fmOpenRead)
        return filePos_ - static_cast<std::int64_t>(end_ - pos_);
    return filePos_ + static_cast<std::int64_t>(pos_);
}

void TFileStream::FlushBuffer()
{
    if (pos_ == 0)
        return;
    if (auto ec = file_.Write(buffer_.data(), pos_))
        Fail("Write failed", ec);
    filePos_ += static_cast<std::int64_t>(pos_);
    pos_ = 0;
}

std::uint8_t* TFileStream::WriteSpace(std::size_t n)
{
    if (buffer_.size() - pos_ < n)
        FlushBuffer();
    std::uint8_t* p = buffer_.data() + pos_;
    pos_ += n;
    return p;
}

void TFileStream::Write(const void* src, std::size_t count)
{
    const auto* in = static_cast<const std::uint8_t*>(src);
    while (count > 0) {
        if (pos_ == buffer_.size())
            FlushBuffer();
        std::size_t n = std::min(count, buffer_.size() - pos_);
        std::memcpy(buffer_.data() + pos_, in, n);
        pos_ += n;
        in += n;
        count -= n;
    }
    size_ = std::max(size_, Position());
}

void TFileStream::Commit()
{
    if (mode_ != TFileMode::fmCreate || committed_)
        return;
    FlushBuffer();
    // The bytes reach the disk before the name does: a power cut leaves the old file or
    // the new one, never an empty one.
    if (auto ec = file_.Sync())
        Fail("Write failed", ec);
    if (auto ec = file_.Close())
        Fail("Write failed", ec);
    // The new file keeps the permissions of the one it replaces.
    std::error_code ec;
    auto old = fs::status(path_, ec);
    if (!ec && fs::exists(old))
        fs::permissions(tempPath_, old.permissions(), ec);
    if ((ec = platform::ReplaceDurably(tempPath_, path_)))
        Fail("Cannot replace file", ec);
    committed_ = true;
}

} // namespace orva
