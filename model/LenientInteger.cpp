#include "model/LenientInteger.h"

#include <algorithm>
#include <limits>

namespace orva {

namespace {

int DigitValue(char ch, int base)
{
    int v = -1;
    if (ch >= '0' && ch <= '9')
        v = ch - '0';
    else if (ch >= 'a' && ch <= 'f')
        v = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F')
        v = ch - 'A' + 10;
    return v < base ? v : -1;
}

} // namespace

std::int32_t ReadLenientInteger(std::string_view field, TMinusSign minus)
{
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        negative = field[i++] == '-';
    int base = 10;
    if (i < field.size() && (field[i] == '$' || field[i] == 'x' || field[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < field.size() && field[i] == '0' && (field[i + 1] == 'x' || field[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    for (int d; i < field.size() && (d = DigitValue(field[i], base)) >= 0; ++i)
        value = std::min(value * base + d, kLimit);
    const bool wholeField = i == field.size();
    if (negative && (minus == TMinusSign::Always || (base == 10 && wholeField)))
        value = -value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

} // namespace orva
