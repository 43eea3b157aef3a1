#include "model/FileStream.h"

#include "model/ORVAError.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace orva {

namespace {

std::FILE* CreateTemporaryBeside(const std::string& target, std::string& tempPath)
{
    // "wx" never reuses an existing file, so a stray file of the same name is not clobbered.
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + ".partial" + (attempt ? "-" + std::to_string(attempt) : std::string());
        if (std::FILE* f = std::fopen(tempPath.c_str(), "wbx"))
            return f;
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

} // namespace

TFileStream::TFileStream(const std::string& path, TFileMode mode)
    : path_(path), mode_(mode), buffer_(kBufferSize)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw EORVAError(path, mode == TFileMode::fmOpenRead ? "Cannot open file for reading: Is a directory"
                                                             : "Cannot create file: Is a directory");
    if (mode == TFileMode::fmOpenRead) {
        file_ = std::fopen(path.c_str(), "rb");
        if (!file_)
            throw EORVAError(path, "Cannot open file for reading: " + SystemErrorText(errno));
        std::setvbuf(file_, nullptr, _IONBF, 0);
        if (std::fseek(file_, 0, SEEK_END) == 0) {
            size_ = std::ftell(file_);
            std::fseek(file_, 0, SEEK_SET);
        }
        if (size_ < 0) {
            std::fclose(file_);
            throw EORVAError(path, "Cannot determine the size of the file");
        }
    } else {
        // A write-protected file stays protected, although a rename could replace it.
        auto status = std::filesystem::status(path, ec);
        constexpr auto anyWrite = std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                  std::filesystem::perms::others_write;
        if (!ec && std::filesystem::exists(status) && (status.permissions() & anyWrite) == std::filesystem::perms::none)
            throw EORVAError(path, "Cannot create file: Permission denied");
        file_ = CreateTemporaryBeside(path, tempPath_);
        if (!file_)
            throw EORVAError(path, "Cannot create file: " + SystemErrorText(errno));
        std::setvbuf(file_, nullptr, _IONBF, 0);
    }
}

TFileStream::~TFileStream()
{
    if (file_)
        std::fclose(file_);
    if (mode_ == TFileMode::fmCreate && !committed_)
        std::remove(tempPath_.c_str());
}

void TFileStream::Fail(const std::string& what) const
{
    throw EORVAError(path_, what + ": " + SystemErrorText(errno));
}

void TFileStream::FillBuffer()
{
    std::size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    if (got == 0 && std::ferror(file_))
        Fail("Read failed");
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
                std::size_t got = std::fread(out + done, 1, rest, file_);
                if (got < rest && std::ferror(file_))
                    Fail("Read failed");
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
        throw EORVAError(path_, "Cannot seek to negative offset " + std::to_string(offset));
    std::int64_t bufferStart = filePos_ - static_cast<std::int64_t>(end_);
    if (offset >= bufferStart && offset <= filePos_) {
        pos_ = static_cast<std::size_t>(offset - bufferStart);
        return;
    }
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0)
        Fail("Seek failed");
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
    if (std::fwrite(buffer_.data(), 1, pos_, file_) != pos_)
        Fail("Write failed");
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
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fflush(f) != 0 || std::ferror(f)) {
        int saved = errno;
        std::fclose(f);
        errno = saved;
        Fail("Write failed");
    }
    if (std::fclose(f) != 0)
        Fail("Write failed");
    // The new file keeps the permissions of the one it replaces.
    std::error_code ec;
    auto old = std::filesystem::status(path_, ec);
    if (!ec && std::filesystem::exists(old))
        std::filesystem::permissions(tempPath_, old.permissions(), ec);
    if (std::rename(tempPath_.c_str(), path_.c_str()) != 0)
        Fail("Cannot replace file");
    committed_ = true;
}

} // namespace orva
