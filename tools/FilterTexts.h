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

/// What the filter command tells the user when LowPassFilter clamped `count` values (count > 0).
std::string ClampedValuesText(std::int64_t count);

} // namespace orva
