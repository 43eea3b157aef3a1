// The texts of the filter command: the cut-off frequency the user types, and the report of
// values that did not fit a 16-bit sample.
#include "tools/FilterTexts.h"

#include "model/ORVAError.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace orva {

namespace {

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

// Skips the digits from i on; returns how many there were.
std::size_t SkipDigits(const std::string& text, std::size_t& i)
{
    const std::size_t start = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i - start;
}

} // namespace

std::optional<float> ParseCutoffText(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const std::size_t numberStart = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = SkipDigits(text, i);
    if (i < text.size() && text[i] == '.') {
        ++i;
        digits += SkipDigits(text, i);
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (SkipDigits(text, i) == 0)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;
    // from_chars ignores the locale; it takes no "+", so that is skipped here.
    const char* begin = text.data() + numberStart + (text[numberStart] == '+' ? 1 : 0);
    double value = 0;
    const auto result = std::from_chars(begin, text.data() + text.size(), value);
    if (result.ec != std::errc() || std::fabs(value) > std::numeric_limits<float>::max())
        return std::nullopt; // not a value single precision can hold
    return static_cast<float>(value);
}

std::string ClampedValuesText(std::int64_t count, const std::string& what)
{
    return std::to_string(count) + " " + what + (count == 1 ? " value was" : " values were") +
           " beyond the range of a 16-bit sample (-32768 to 32767) and stored as the nearest end of it";
}

float CutoffFromText(const std::string& text)
{
    const std::optional<float> cutoff = ParseCutoffText(text);
    if (!cutoff)
        throw EORVAError("cut-off frequency \"" + text + "\"",
                         "not a valid cut-off frequency (digits with an optional \".\" fraction and exponent, "
                         "no blanks after, within single precision)");
    return *cutoff;
}

} // namespace orva
