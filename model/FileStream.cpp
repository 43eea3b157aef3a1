#include "model/FileStream.h"

#include "model/FileDevice.h"
#include "model/ORVAError.h"
#include "model/Platform.h"
#include "model/PathText.h"

#include <algorithm>
#include <cstring>

namespace orva {

TFileStream::TFileStream(const std::filesystem::path& path, TFileMode mode)
    : pathText_(PathText(path)), mode_(mode), buffer_(kBufferSize)
{
    device_ = mode == TFileMode::fmOpenRead ? OpenFileForReading(path, pathText_) : CreateReplacingFile(path, pathText_);
    TakeSize();
}

TFileStream::TFileStream(std::unique_ptr<TStreamDevice> device, std::string name, TFileMode mode)
    : pathText_(std::move(name)), mode_(mode), device_(std::move(device)), buffer_(kBufferSize)
{
    TakeSize();
}

TFileStream::~TFileStream() = default;

void TFileStream::TakeSize()
{
    if (mode_ != TFileMode::fmOpenRead)
        return;
    std::error_code ec;
    size_ = device_->Size(ec);
    if (ec)
        throw EORVAError(pathText_, "Cannot determine the size of the file: " + platform::ErrorText(ec));
}

void TFileStream::Fail(const std::string& what, const std::error_code& ec) const
{
    throw EORVAError(pathText_, what + ": " + platform::ErrorText(ec));
}

void TFileStream::FillBuffer()
{
    pos_ = end_ = 0;
    if (atEnd_)
        return;
    std::error_code ec;
    std::size_t got = device_->Read(buffer_.data(), buffer_.size(), ec);
    if (ec)
        Fail("Read failed", ec);
    end_ = got;
    atEnd_ = got < buffer_.size();
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
                std::size_t got = atEnd_ ? 0 : device_->Read(out + done, rest, ec);
                if (ec)
                    Fail("Read failed", ec);
                atEnd_ = atEnd_ || got < rest;
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
    if (auto ec = device_->Seek(offset))
        Fail("Seek failed", ec);
    filePos_ = offset;
    pos_ = end_ = 0;
    atEnd_ = false;
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
    if (auto ec = device_->Write(buffer_.data(), pos_))
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
    device_->Commit();
    committed_ = true;
}

} // namespace orva
