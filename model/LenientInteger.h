#pragma once
#include <cstdint>
#include <string_view>

namespace orva {

enum class TMinusSign {
    Always,             ///< "-3," reads as -3 and "-$10" as -16
    OnlyForWholeField,  ///< "-3 " reads as 3: the sign counts only for a decimal field read to its end
};

/// Reads an integer leniently, never failing: leading blanks are skipped, an optional
/// "+" or "-" follows, then decimal digits, or hexadecimal digits after "$", "x", "X"
/// or "0x". Reading stops at the first character that does not fit and keeps the value
/// read so far; a field without a number reads as 0. Values beyond the 32-bit range
/// saturate at its limits.
std::int32_t ReadLenientInteger(std::string_view field, TMinusSign minus);

} // namespace orva
