#pragma once
// The one allocator of the program's large arrays: a cell's samples, the values of the ERP
// operations, the arrays the Python module hands out. A block reads as zeros and takes
// memory only where it is written, so a truncated file that declares gigabytes costs the
// memory of what it holds; a block of a few MiB or more is laid out for the system's large
// pages, so that filling it costs one page fault per 2 MiB rather than 512.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace orva {

/// Blocks from this size on are mapped pages; smaller ones come from the heap, where whole
/// pages would waste more than they save. Builds with AddressSanitizer keep far larger
/// blocks on the heap, where it watches their ends (it cannot see past the end of a block
/// of pages).
#if defined(__SANITIZE_ADDRESS__)
#define ORVA_WATCHED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVA_WATCHED_HEAP 1
#endif
#endif
#ifdef ORVA_WATCHED_HEAP
constexpr std::size_t kPagesFrom = std::size_t{16} << 20;
#else
constexpr std::size_t kPagesFrom = std::size_t{64} << 10;
#endif

/// Blocks of pages from this size on ask for large pages.
constexpr std::size_t kLargePagesFrom = std::size_t{4} << 20;

/// An owned block of bytes that starts out zero; never touched here before its owner
/// writes it. Moves, never copies.
class TLargeBuffer {
public:
    TLargeBuffer() = default;
    /// Throws std::bad_alloc when the system has no room for the block.
    explicit TLargeBuffer(std::size_t bytes);
    TLargeBuffer(TLargeBuffer&& other) noexcept
        : block_(std::exchange(other.block_, nullptr)), bytes_(std::exchange(other.bytes_, 0)),
          kind_(std::exchange(other.kind_, TKind::None))
    {
    }
    TLargeBuffer& operator=(TLargeBuffer&& other) noexcept
    {
        TLargeBuffer taken(std::move(other));
        swap(*this, taken);
        return *this;
    }
    TLargeBuffer(const TLargeBuffer&) = delete;
    TLargeBuffer& operator=(const TLargeBuffer&) = delete;
    ~TLargeBuffer();

    void* data() { return block_; }
    const void* data() const { return block_; }
    std::size_t size() const { return bytes_; }
    /// True when the block was laid out for large pages (whether the system gave them is
    /// its own affair).
    bool LargePages() const { return kind_ == TKind::LargePages; }

    friend void swap(TLargeBuffer& a, TLargeBuffer& b) noexcept
    {
        std::swap(a.block_, b.block_);
        std::swap(a.bytes_, b.bytes_);
        std::swap(a.kind_, b.kind_);
    }

private:
    enum class TKind : unsigned char { None, Heap, Pages, LargePages };
    void* block_ = nullptr;
    std::size_t bytes_ = 0;
    TKind kind_ = TKind::None;
};

/// count values of a trivially copyable T in one TLargeBuffer, all zero bits at first.
template <class T>
class TLargeArray {
    static_assert(std::is_trivially_copyable_v<T>, "the block is copied and compared as bytes");

public:
    TLargeArray() = default;
    explicit TLargeArray(std::size_t count) : buffer_(Bytes(count)), count_(count) {}
    TLargeArray(const TLargeArray& other) : TLargeArray(other.count_)
    {
        if (count_ > 0)
            std::memcpy(data(), other.data(), count_ * sizeof(T));
    }
    TLargeArray(TLargeArray&& other) noexcept
        : buffer_(std::move(other.buffer_)), count_(std::exchange(other.count_, 0))
    {
    }
    TLargeArray& operator=(TLargeArray other) noexcept
    {
        swap(*this, other);
        return *this;
    }

    T* data() { return static_cast<T*>(buffer_.data()); }
    const T* data() const { return static_cast<const T*>(buffer_.data()); }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    T& operator[](std::size_t i) { return data()[i]; }
    const T& operator[](std::size_t i) const { return data()[i]; }
    T* begin() { return data(); }
    T* end() { return data() + count_; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + count_; }
    /// The block itself, for an owner that hands it on (the Python module's arrays).
    TLargeBuffer& Buffer() { return buffer_; }

    /// The same values, compared as bytes.
    friend bool operator==(const TLargeArray& a, const TLargeArray& b)
    {
        return a.count_ == b.count_ && (a.count_ == 0 || std::memcmp(a.data(), b.data(), a.count_ * sizeof(T)) == 0);
    }
    friend void swap(TLargeArray& a, TLargeArray& b) noexcept
    {
        swap(a.buffer_, b.buffer_);
        std::swap(a.count_, b.count_);
    }

private:
    static std::size_t Bytes(std::size_t count)
    {
        if (count > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_alloc();
        return count * sizeof(T);
    }

    TLargeBuffer buffer_;
    std::size_t count_ = 0;
};

} // namespace orva
