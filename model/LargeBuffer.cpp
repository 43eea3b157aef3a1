#include "model/LargeBuffer.h"

#include "model/Platform.h"

#include <cstdlib>

namespace orva {

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
