#include "select/NumberFormat.h"

#include "model/ORVAError.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace orva {

namespace {

constexpr std::uint64_t kPowersOfTen[] = {1,
                                          10,
                                          100,
                                          1000,
                                          10000,
                                          100000,
                                          1000000,
                                          10000000,
                                          100000000,
                                          1000000000,
                                          10000000000,
                                          100000000000,
                                          1000000000000,
                                          10000000000000,
                                          100000000000000,
                                          1000000000000000,
                                          10000000000000000,
                                          100000000000000000,
                                          1000000000000000000,
                                          10000000000000000000u};
constexpr int kMaxDecimals = 3;

// "00" "01" ... "99": two digits per step when writing numbers.
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// The number of decimal digits of v (1 for 0).
int DecimalLength(std::uint64_t v)
{
    // bit_width * log10(2) estimates the length; one comparison corrects it. v | 1 has the
    // same length as v (powers of ten are even) and makes 0 count as one digit.
    v |= 1;
    const int guess = (std::bit_width(v) * 1233) >> 12;
    return guess + (v >= kPowersOfTen[guess] ? 1 : 0);
}

// Writes the `length` decimal digits of v ending just before `end`.
void PutDigits(char* end, std::uint64_t v, int length)
{
    while (length >= 2) {
        end -= 2;
        std::memcpy(end, &kDigitPairs[2 * (v % 100)], 2);
        v /= 100;
        length -= 2;
    }
    if (length == 1)
        *--end = static_cast<char>('0' + v);
}

// Digits of m * 2^shift for values too large for 64 bits (at most 1024 bits): the
// number is held in 32-bit limbs and divided by 10^9 repeatedly. Writes right to left
// ending before `end` and returns the start. No allocation.
char* PutBigDigits(char* end, std::uint64_t m, int shift)
{
    constexpr int kLimbs = 34; // 53 + 971 bits, with room to spare
    std::uint32_t limbs[kLimbs] = {};
    const int word = shift / 32;
    const int bit = shift % 32;
    // m << bit takes at most 85 bits: three limbs.
    const std::uint64_t low = m << bit;
    const std::uint64_t high = bit == 0 ? 0 : m >> (64 - bit);
    const std::uint32_t parts[3] = {static_cast<std::uint32_t>(low), static_cast<std::uint32_t>(low >> 32),
                                    static_cast<std::uint32_t>(high)};
    for (int i = 0; i < 3 && word + i < kLimbs; ++i)
        limbs[word + i] = parts[i];
    int used = std::min(kLimbs, word + 3);
    while (used > 0 && limbs[used - 1] == 0)
        --used;
    while (used > 0) {
        std::uint64_t rest = 0;
        for (int i = used - 1; i >= 0; --i) {
            const std::uint64_t cur = (rest << 32) | limbs[i];
            limbs[i] = static_cast<std::uint32_t>(cur / 1000000000u);
            rest = cur % 1000000000u;
        }
        while (used > 0 && limbs[used - 1] == 0)
            --used;
        // Every group but the leading one has exactly nine digits.
        const int length = used > 0 ? 9 : DecimalLength(rest);
        PutDigits(end, rest, length);
        end -= length;
    }
    return end;
}

// The field never outgrows the caller's buffer of kMaxFormattedLength.
std::size_t FieldWidth(int width)
{
    return std::min<std::size_t>(static_cast<std::size_t>(std::max(width, 0)), kMaxFormattedLength);
}

// Puts text right-aligned into a field of `width`: for the rare texts composed elsewhere.
std::size_t PlaceInField(char* out, const char* text, std::size_t length, int width)
{
    const std::size_t field = FieldWidth(width);
    const std::size_t padding = field > length ? field - length : 0;
    std::memset(out, ' ', padding);
    std::memcpy(out + padding, text, length);
    return padding + length;
}

std::size_t FormatNonFinite(char* out, bool negative, bool nan, int width)
{
    if (nan)
        return PlaceInField(out, "nan", 3, width);
    return negative ? PlaceInField(out, "-inf", 4, width) : PlaceInField(out, "inf", 3, width);
}

// A whole number of 2^64 or more: m * 2^e with e > 11, written through the big-number path.
template <int decimals>
std::size_t FormatHugeInteger(char* out, bool negative, std::uint64_t m, int e, int width, char decimalSeparator)
{
    char buf[kMaxFormattedLength];
    char* const end = buf + kMaxFormattedLength;
    char* start = end - decimals;
    std::memset(start, '0', decimals);
    if constexpr (decimals > 0)
        *--start = decimalSeparator;
    start = PutBigDigits(start, m, e);
    if (negative)
        *--start = '-';
    return PlaceInField(out, start, static_cast<std::size_t>(end - start), width);
}

// The number of decimals is a template argument so that the divisions by 10^decimals
// compile to multiplications: this is the inner loop of every export.
template <int decimals>
std::size_t FormatFixedWith(char* out, double value, int width, char decimalSeparator)
{
    constexpr std::uint64_t scale = kPowersOfTen[decimals];
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0x7ff)
        return FormatNonFinite(out, negative, fraction != 0, width);

    // value = m * 2^e exactly, m below 2^53. rounded = |value| * 10^decimals, rounded
    // half away from zero.
    const std::uint64_t m = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
    const int e = biased == 0 ? -1074 : biased - 1075;
    std::uint64_t integerPart = 0;
    std::uint64_t fractionDigits = 0;
    if (e >= 0) {
        // A whole number: no rounding, all decimals are zero.
        if (std::bit_width(m) + e > 64)
            return FormatHugeInteger<decimals>(out, negative, m, e, width, decimalSeparator);
        integerPart = m << e;
    } else if (e > -64) {
        // m * 10^decimals < 2^63; the bits shifted out decide the rounding exactly.
        const int k = -e;
        const std::uint64_t scaled = m * scale;
        const std::uint64_t dropped = scaled & ((std::uint64_t{1} << k) - 1);
        const std::uint64_t rounded = (scaled >> k) + (dropped >= (std::uint64_t{1} << (k - 1)) ? 1 : 0);
        integerPart = rounded / scale;
        fractionDigits = rounded % scale;
    }
    // else: |value| * 10^decimals < 2^63 / 2^63, below one half: it rounds to zero.

    const bool minus = negative && (integerPart != 0 || fractionDigits != 0);
    const int integerLength = DecimalLength(integerPart);
    const std::size_t length =
        static_cast<std::size_t>(minus) + static_cast<std::size_t>(integerLength) + (decimals > 0 ? 1 + decimals : 0);
    const std::size_t field = FieldWidth(width);
    char* p = out;
    for (std::size_t i = length; i < field; ++i)
        *p++ = ' ';
    if (minus)
        *p++ = '-';
    p += integerLength;
    PutDigits(p, integerPart, integerLength);
    if constexpr (decimals > 0) {
        *p++ = decimalSeparator;
        PutDigits(p + decimals, fractionDigits, decimals);
        p += decimals;
    }
    return static_cast<std::size_t>(p - out);
}

} // namespace

std::size_t FormatFixed(char* out, double value, int width, int decimals, char decimalSeparator)
{
    switch (decimals) {
    case 0:
        return FormatFixedWith<0>(out, value, width, decimalSeparator);
    case 1:
        return FormatFixedWith<1>(out, value, width, decimalSeparator);
    case 2:
        return FormatFixedWith<2>(out, value, width, decimalSeparator);
    case 3:
        return FormatFixedWith<3>(out, value, width, decimalSeparator);
    }
    throw EORVAError("FormatFixed",
                     "decimals must lie in 0 to " + std::to_string(kMaxDecimals) + ", not " + std::to_string(decimals));
}

std::string Format5_2(double value, char decimalSeparator)
{
    char buf[kMaxFormattedLength];
    return std::string(buf, FormatFixed(buf, value, 5, 2, decimalSeparator));
}

std::string Format4_1(double value, char decimalSeparator)
{
    char buf[kMaxFormattedLength];
    return std::string(buf, FormatFixed(buf, value, 4, 1, decimalSeparator));
}

} // namespace orva
