#include "model/LargeBuffer.h"

#include "model/Platform.h"

#include <cstdlib>

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

TLargeBuffer::TLargeBuffer(std::size_t bytes) : bytes_(bytes)
{
    if (bytes == 0)
        return;
    if (bytes < kPagesFrom) {
        kind_ = TKind::Heap;
        block_ = std::calloc(bytes, 1);
    } else {
        kind_ = bytes >= kLargePagesFrom ? TKind::LargePages : TKind::Pages;
        block_ = platform::AllocateZeroedPages(bytes, kind_ == TKind::LargePages);
    }
    if (!block_)
        throw std::bad_alloc();
}

TLargeBuffer::~TLargeBuffer()
{
    switch (kind_) {
    case TKind::None:
        break;
    case TKind::Heap:
        std::free(block_);
        break;
    case TKind::Pages:
    case TKind::LargePages:
        platform::FreeZeroedPages(block_, bytes_, kind_ == TKind::LargePages);
        break;
    }
}

} // namespace orva
