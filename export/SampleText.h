#pragma once
// The text of calibrated sample values, as every export writes them.
#include "export/NumberFormat.h"
#include "model/ORVAFile.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace orva {

/// "%<width>.2f" of the calibrated value of raw samples: exactly FormatFixed's text of
/// CalibratedValue. Within one channel an export meets the same raw values again and again
/// (a channel's samples stay within a few thousand counts of its zero), so the texts are
/// remembered in a table of fixed size (1 MiB) indexed by channel and raw value; a value
/// that is not in the table is formatted and replaces what its slot held.
/// The calibration of every channel passed to Put must have been checked (CheckCalibration).
class TSampleText {
public:
    TSampleText(const TORVAFile& file, int width, char decimalSeparator);

    /// Writes the text of raw sample v of channel c at out, which has room for
    /// kMaxFormattedLength characters; returns its length.
    std::size_t Put(char* out, std::int16_t v, int c)
    {
        const auto raw = static_cast<std::uint16_t>(v);
        const std::uint32_t key = (static_cast<std::uint32_t>(c) << 16) | raw;
        TEntry& entry = entries_[((static_cast<std::uint32_t>(c) << kValueBits) | (raw & kValueMask)) & kSlotMask];
        if (entry.Key == key) {
            std::memcpy(out, entry.Text, sizeof entry.Text);
            return entry.Length;
        }
        return Miss(out, v, c, entry, key);
    }

private:
    // 16 bytes a slot: the longest calibrated value ("-26214000.00") is one character
    // longer than a slot holds, and such values are simply formatted every time.
    struct TEntry {
        std::uint32_t Key;
        std::uint8_t Length;
        char Text[11];
    };
    static constexpr int kValueBits = 10;                     // 1024 slots a channel
    static constexpr std::uint32_t kValueMask = (1u << kValueBits) - 1;
    static constexpr std::uint32_t kSlotMask = (1u << 16) - 1; // 64 channels before slots are shared

    std::size_t Miss(char* out, std::int16_t v, int c, TEntry& entry, std::uint32_t key);

    const TORVAFile& file_;
    int width_;
    char decimalSeparator_;
    std::unique_ptr<TEntry[]> entries_;
};

} // namespace orva
