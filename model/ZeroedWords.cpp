#include "model/ZeroedWords.h"

#include "model/Platform.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace orva {

namespace {

// Below this a block comes from the heap: whole pages would waste more than they save.
// Builds with AddressSanitizer keep far larger blocks on the heap, where it watches their
// ends (it cannot see past the end of a block of pages).
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

} // namespace

TZeroedWords::TZeroedWords(std::size_t count) : count_(count)
{
    if (count == 0)
        return;
    if (count > std::numeric_limits<std::size_t>::max() / 2)
        throw std::bad_alloc();
    const std::size_t bytes = count * 2;
    pages_ = bytes >= kPagesFrom;
    void* block = pages_ ? platform::AllocateZeroedPages(bytes) : std::calloc(count, 2);
    if (!block)
        throw std::bad_alloc();
    words_ = static_cast<std::int16_t*>(block);
}

TZeroedWords::TZeroedWords(const TZeroedWords& other) : TZeroedWords(other.count_)
{
    if (count_ > 0)
        std::memcpy(words_, other.words_, count_ * 2);
}

TZeroedWords::TZeroedWords(TZeroedWords&& other) noexcept
    : words_(std::exchange(other.words_, nullptr)), count_(std::exchange(other.count_, 0)),
      pages_(std::exchange(other.pages_, false))
{
}

TZeroedWords& TZeroedWords::operator=(TZeroedWords other) noexcept
{
    swap(*this, other);
    return *this;
}

TZeroedWords::~TZeroedWords()
{
    if (pages_)
        platform::FreeZeroedPages(words_, count_ * 2);
    else
        std::free(words_);
}

bool operator==(const TZeroedWords& a, const TZeroedWords& b)
{
    return a.count_ == b.count_ && (a.count_ == 0 || std::memcmp(a.words_, b.words_, a.count_ * 2) == 0);
}

void swap(TZeroedWords& a, TZeroedWords& b) noexcept
{
    std::swap(a.words_, b.words_);
    std::swap(a.count_, b.count_);
    std::swap(a.pages_, b.pages_);
}

} // namespace orva
