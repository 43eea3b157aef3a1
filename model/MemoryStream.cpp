#include "model/MemoryStream.h"

#include <algorithm>
#include <cstring>

namespace orva {

namespace {

class TMemoryReader final : public TStreamDevice {
public:
    explicit TMemoryReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t Read(void* dst, std::size_t count, std::error_code& ec) override
    {
        ec.clear();
        const std::size_t n = pos_ < bytes_.size() ? std::min(count, bytes_.size() - pos_) : 0;
        if (n > 0)
            std::memcpy(dst, bytes_.data() + pos_, n);
        pos_ += n;
        return n;
    }
    std::error_code Write(const void*, std::size_t) override
    {
        return std::make_error_code(std::errc::bad_file_descriptor);
    }
    std::error_code Seek(std::int64_t offset) override
    {
        pos_ = static_cast<std::size_t>(offset);
        return {};
    }
    std::int64_t Size(std::error_code& ec) const override
    {
        ec.clear();
        return static_cast<std::int64_t>(bytes_.size());
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0; // may lie beyond the end after a seek, as in a file
};

class TMemoryWriter final : public TStreamDevice {
public:
    explicit TMemoryWriter(std::vector<std::uint8_t>& target) : target_(target) {}

    std::size_t Read(void*, std::size_t, std::error_code& ec) override
    {
        ec = std::make_error_code(std::errc::bad_file_descriptor);
        return 0;
    }
    std::error_code Write(const void* src, std::size_t count) override
    {
        if (bytes_.size() < pos_ + count)
            bytes_.resize(pos_ + count);
        if (count > 0)
            std::memcpy(bytes_.data() + pos_, src, count);
        pos_ += count;
        return {};
    }
    std::error_code Seek(std::int64_t offset) override
    {
        pos_ = static_cast<std::size_t>(offset);
        return {};
    }
    std::int64_t Size(std::error_code& ec) const override
    {
        ec.clear();
        return static_cast<std::int64_t>(bytes_.size());
    }
    void Commit() override { target_ = std::move(bytes_); }

private:
    std::vector<std::uint8_t>& target_;
    std::vector<std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

} // namespace

std::unique_ptr<TStreamDevice> MemoryReader(std::span<const std::uint8_t> bytes)
{
    return std::make_unique<TMemoryReader>(bytes);
}

std::unique_ptr<TStreamDevice> MemoryWriter(std::vector<std::uint8_t>& target)
{
    return std::make_unique<TMemoryWriter>(target);
}

} // namespace orva
