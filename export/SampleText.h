#pragma once
// The text of calibrated sample values, as every export writes them.
#include "model/ORVAFile.h"
#include "select/NumberFormat.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace orva {

/// "%<width>.2f" of the calibrated value of raw samples: exactly FormatFixed's text of
/// CalibratedValue. Within one channel an export meets the same raw values again and again
/// (a channel's samples stay within a few thousand counts of its zero), so the texts are
/// remembered in a table of fixed size (1 MiB) indexed by channel and raw value; a value
/// that is not in the table is formatted and replaces what its slot held. When most values
/// miss the table (noise over the whole 16-bit range), looking them up costs more than it
/// saves, so the table is left aside for a while and then tried again.
/// The calibration of every channel passed to Put must have been checked (CheckCalibration).
class TSampleText {
public:
    TSampleText(const TORVAFile& file, int width, char decimalSeparator);

    /// Writes the text of raw sample v of channel c at out, which has room for
    /// kMaxFormattedLength characters; returns its length.
    std::size_t Put(char* out, std::int16_t v, int c)
    {
        if (--countdown_ == 0)
            Review();
        if (!remembering_)
            return Format(out, v, c);
        const auto raw = static_cast<std::uint16_t>(v);
        const std::uint32_t key = (static_cast<std::uint32_t>(c) << 16) | raw;
        TEntry& entry = entries_[((static_cast<std::uint32_t>(c) << kValueBits) | (raw & kValueMask)) & kSlotMask];
        if (entry.Key == key) {
            std::memcpy(out, entry.Text, sizeof entry.Text);
            return entry.Length;
        }
        return Miss(out, v, c, entry, key);
    }

    /// Whether the table is in use at the moment.
    bool Remembering() const { return remembering_; }

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

    // Lookups between two reviews of the hit rate, and the values formatted without the
    // table once it has not paid.
    static constexpr std::uint32_t kReviewEvery = 1u << 16;
    static constexpr std::uint32_t kLeaveAside = 1u << 20;

    std::size_t Format(char* out, std::int16_t v, int c) const
    {
        return FormatFixed(out, CalibratedValue(file_, v, c), width_, 2, decimalSeparator_);
    }
    std::size_t Miss(char* out, std::int16_t v, int c, TEntry& entry, std::uint32_t key);
    void Review();

    const TORVAFile& file_;
    int width_;
    char decimalSeparator_;
    std::unique_ptr<TEntry[]> entries_;
    bool remembering_ = true;
    std::uint32_t countdown_ = kReviewEvery;
    std::uint32_t misses_ = 0;
};

} // namespace orva
