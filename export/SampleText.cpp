#include "export/SampleText.h"

namespace orva {

namespace {
// No channel has this number (counts are 16-bit), so no key of a used slot equals it.
constexpr std::uint32_t kEmptyKey = 0xffffffffu;
} // namespace

TSampleText::TSampleText(const TORVAFile& file, int width, char decimalSeparator)
    : file_(file), width_(width), decimalSeparator_(decimalSeparator), entries_(new TEntry[kSlotMask + 1]())
{
    for (std::uint32_t i = 0; i <= kSlotMask; ++i)
        entries_[i].Key = kEmptyKey;
}

std::size_t TSampleText::Miss(char* out, std::int16_t v, int c, TEntry& entry, std::uint32_t key)
{
    ++misses_;
    const std::size_t length = Format(out, v, c);
    if (length <= sizeof entry.Text) {
        entry.Key = key;
        entry.Length = static_cast<std::uint8_t>(length);
        std::memcpy(entry.Text, out, length);
    }
    return length;
}

void TSampleText::Review()
{
    if (remembering_ && misses_ > kReviewEvery / 2) {
        remembering_ = false;
        countdown_ = kLeaveAside;
    } else {
        remembering_ = true;
        countdown_ = kReviewEvery;
    }
    misses_ = 0;
}

} // namespace orva
