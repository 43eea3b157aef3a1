#pragma once
// Text pieces of the CSV files the program writes (RFC 4180, UTF-8).
#include <string>
#include <string_view>

namespace orva {

/// The 8-bit text of a data file (cell names, written on Windows) as UTF-8, reading each
/// byte as Windows-1252. The five bytes that code page leaves unassigned (81, 8D, 8F, 90,
/// 9D) become the control characters of the same number, as web browsers read them.
std::string Windows1252ToUtf8(std::string_view text);

/// One CSV field: the text as it is, or between double quotes (with every double quote
/// doubled) when it holds a comma, a double quote, a CR or an LF.
std::string CsvField(std::string_view text);

/// value rounded to `decimals` places (0 to 3) as every export rounds (halves away from zero
/// on the exact value, no minus sign on a value that rounds to zero), with '.' as the
/// decimal separator, no padding, and trailing zeros and a trailing point removed:
/// -200, 3.5, 4.333.
std::string ShortDecimal(double value, int decimals);

} // namespace orva
