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
    const std::size_t length = FormatFixed(out, CalibratedValue(file_, v, c), width_, 2, decimalSeparator_);
    if (length <= sizeof entry.Text) {
        entry.Key = key;
        entry.Length = static_cast<std::uint8_t>(length);
        std::memcpy(entry.Text, out, length);
    }
    return length;
}

} // namespace orva
