#pragma once
#include <cstddef>
#include <string>

namespace orva {

/// Longest text FormatFixed can produce (a double's integer part has at most 309 digits).
constexpr std::size_t kMaxFormattedLength = 330;

/// printf-like "%<width>.<decimals>f" of value into out (no terminating NUL), returning the
/// number of characters: rounded to `decimals` places with halves away from zero on the
/// exact decimal expansion of the double, no minus sign on a value that rounds to zero,
/// right-aligned with spaces in at least `width` characters, never cut, with
/// decimalSeparator between the integer and the fraction. No allocation, no locale.
/// decimals lies in 0 .. 3 (EORVAError otherwise); width is capped at kMaxFormattedLength, so
/// out must hold kMaxFormattedLength characters. Non-finite values are written as "nan",
/// "inf" or "-inf" (the exports refuse data that would give them).
std::size_t FormatFixed(char* out, double value, int width, int decimals, char decimalSeparator);

/// "%5.2f": the format of every exported value.
std::string Format5_2(double value, char decimalSeparator);
/// "%4.1f": the voltage column of the cell graph.
std::string Format4_1(double value, char decimalSeparator);

} // namespace orva
