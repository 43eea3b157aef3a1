#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace orva {

/// Reads a cut-off frequency typed by the user: leading blanks, an optional sign, digits
/// with an optional fraction after "." and an optional exponent. "." is the decimal
/// separator whatever the locale; anything else (trailing blanks included) is invalid.
std::optional<float> ParseCutoffText(const std::string& text);

/// ParseCutoffText's value; text it cannot read throws EORVAError naming the text typed.
float CutoffFromText(const std::string& text);

/// What a command tells the user when `count` values (count > 0) did not fit a 16-bit sample
/// and were clamped; `what` names them ("filtered" for the low-pass filter).
std::string ClampedValuesText(std::int64_t count, const std::string& what = "filtered");

} // namespace orva
