#include "select/NumberFormat.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace orva {
namespace {

// Exact reference: the double's value m * 2^e written out in decimal with schoolbook
// arithmetic on digit strings (m * 2^e for e >= 0, m * 5^k / 10^k for e = -k), then rounded
// half away from zero on those digits.
std::vector<int> Digits(std::uint64_t v) // most significant first
{
    std::vector<int> d;
    do {
        d.insert(d.begin(), static_cast<int>(v % 10));
        v /= 10;
    } while (v);
    return d;
}

void MultiplySmall(std::vector<int>& d, int factor)
{
    int carry = 0;
    for (auto it = d.rbegin(); it != d.rend(); ++it) {
        const int x = *it * factor + carry;
        *it = x % 10;
        carry = x / 10;
    }
    while (carry) {
        d.insert(d.begin(), carry % 10);
        carry /= 10;
    }
}

std::string Reference(double value, int width, int decimals, char separator)
{
    int e2 = 0;
    const double mant = std::frexp(std::fabs(value), &e2);
    auto m = static_cast<std::uint64_t>(std::ldexp(mant, 53));
    e2 -= 53;
    std::vector<int> digits = Digits(m);
    std::size_t fractionLength = 0;
    for (; e2 > 0; --e2)
        MultiplySmall(digits, 2);
    for (; e2 < 0; ++e2) {
        MultiplySmall(digits, 5);
        ++fractionLength;
    }
    while (digits.size() <= fractionLength)
        digits.insert(digits.begin(), 0);
    // Keep `decimals` fraction digits; the first dropped digit decides (5 or more: up).
    const std::size_t keep = digits.size() - fractionLength + static_cast<std::size_t>(decimals);
    std::vector<int> kept(digits.begin(), digits.begin() + static_cast<std::ptrdiff_t>(std::min(keep, digits.size())));
    while (kept.size() < keep)
        kept.push_back(0);
    if (keep < digits.size() && digits[keep] >= 5) {
        std::size_t i = kept.size();
        while (i > 0 && kept[i - 1] == 9)
            kept[--i] = 0;
        if (i == 0)
            kept.insert(kept.begin(), 1);
        else
            ++kept[i - 1];
    }
    bool zero = true;
    for (int d : kept)
        zero = zero && d == 0;
    std::string integer, fraction;
    const std::size_t integerLength = kept.size() - static_cast<std::size_t>(decimals);
    for (std::size_t i = 0; i < kept.size(); ++i)
        (i < integerLength ? integer : fraction).push_back(static_cast<char>('0' + kept[i]));
    const std::size_t lead = integer.find_first_not_of('0');
    integer = lead == std::string::npos ? "0" : integer.substr(lead);
    std::string text = (std::signbit(value) && !zero ? "-" : "") + integer;
    if (decimals > 0)
        text += separator + fraction;
    if (text.size() < static_cast<std::size_t>(width))
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

std::string Formatted(double value, int width, int decimals, char separator = '.')
{
    char buf[kMaxFormattedLength];
    return std::string(buf, FormatFixed(buf, value, width, decimals, separator));
}

struct TCase {
    double Value;
    const char* Expected;
};

TEST(NumberFormat, Format5_2WritesTheDocumentedExamples)
{
    const TCase cases[] = {
        {0.125, " 0.13"},   {-0.125, "-0.13"},  {1.005, " 1.00"},  {2.675, " 2.67"},
        {-0.004, " 0.00"},  {-0.001, " 0.00"},  {-0.0, " 0.00"},   {0.0, " 0.00"},
        {123.456, "123.46"}, {-3.2, "-3.20"},   {1.5, " 1.50"},    {-0.005, "-0.01"},
        {0.375, " 0.38"},   {9.995, " 9.99"},   {99.995, "100.00"}, {-99.999, "-100.00"},
        {12345678.0, "12345678.00"}, {std::nextafter(0.005, 0.0), " 0.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format5_2(c.Value, '.'), c.Expected) << c.Value;
}

TEST(NumberFormat, Format4_1RoundsToOneDecimal)
{
    const TCase cases[] = {
        {0.25, " 0.3"}, {-0.25, "-0.3"}, {0.05, " 0.1"}, {0.15, " 0.1"}, {-0.04, " 0.0"},
        {12.34, "12.3"}, {-12.35, "-12.3"}, {100.0, "100.0"}, {-1234.56, "-1234.6"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format4_1(c.Value, '.'), c.Expected) << c.Value;
}

TEST(NumberFormat, UsesTheGivenDecimalSeparator)
{
    EXPECT_EQ(Format5_2(1.5, ','), " 1,50");
    EXPECT_EQ(Format4_1(-2.25, ','), "-2,3");
    EXPECT_EQ(Formatted(7.0, 0, 0, ','), "7"); // no fraction, no separator
}

TEST(NumberFormat, HugeAndTinyValuesAreExact)
{
    EXPECT_EQ(Format5_2(18446744073709551616.0, '.'), "18446744073709551616.00"); // 2^64
    EXPECT_EQ(Format5_2(-1180591620717411303424.0, '.'), "-1180591620717411303424.00"); // -2^70
    EXPECT_EQ(Format5_2(9007199254740993.0, '.'), "9007199254740992.00"); // 2^53 + 1 is not a double
    const double huge[] = {1e300, DBL_MAX, -DBL_MAX, 1e20, 1e19, 9.2233720368547758e18, 1e22, 3.0e200};
    for (double v : huge) {
        const std::string text = Format5_2(v, '.');
        EXPECT_EQ(text, Reference(v, 5, 2, '.')) << v;
        EXPECT_LE(text.size(), kMaxFormattedLength);
    }
    EXPECT_EQ(Format5_2(DBL_MAX, '.').size(), 309u + 3u);
    const double tiny[] = {5e-324, -5e-324, DBL_MIN, 1e-300, 0.004999, 0.00500000001};
    for (double v : tiny)
        EXPECT_EQ(Format5_2(v, '.'), Reference(v, 5, 2, '.')) << v;
}

TEST(NumberFormat, NonFiniteValuesAndWidths)
{
    EXPECT_EQ(Format5_2(std::numeric_limits<double>::infinity(), '.'), "  inf");
    EXPECT_EQ(Format5_2(-std::numeric_limits<double>::infinity(), '.'), " -inf");
    EXPECT_EQ(Format5_2(std::numeric_limits<double>::quiet_NaN(), '.'), "  nan");
    EXPECT_EQ(Formatted(1.0, 10, 2), "      1.00");
    EXPECT_EQ(Formatted(-1.0, -3, 2), "-1.00");
    // A field wider than the buffer is capped, never written past it.
    EXPECT_EQ(Formatted(1.0, 100000, 2).size(), kMaxFormattedLength);
}

// Random doubles of every magnitude, exact halves and their neighbours, against the reference.
TEST(NumberFormat, AgreesWithTheExactReferenceOnRandomValues)
{
    std::mt19937_64 rng(20020903);
    std::vector<double> values;
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int magnitude = -8; magnitude <= 22; ++magnitude)
        for (int i = 0; i < 400; ++i)
            values.push_back(unit(rng) * std::pow(10.0, magnitude));
    for (int i = 0; i < 4000; ++i) {
        // Any finite bit pattern.
        double v = std::bit_cast<double>(rng());
        if (std::isfinite(v))
            values.push_back(v);
    }
    std::uniform_int_distribution<std::int64_t> cents(-20000000, 20000000);
    for (int i = 0; i < 4000; ++i) {
        const std::int64_t k = cents(rng);
        const double half = (static_cast<double>(k) + 0.5) / 100.0; // nearest double to a half
        values.push_back(half);
        values.push_back(std::nextafter(half, 0.0));
        values.push_back(std::nextafter(half, 1e300));
        values.push_back(static_cast<double>(k) / 8.0); // exact halves for two and one decimals
        values.push_back(static_cast<double>(k) / 100.0 + 1e-9);
        values.push_back(static_cast<double>(k) / 100.0 - 1e-12);
    }
    int failures = 0;
    for (double v : values) {
        for (int decimals : {1, 2}) {
            const int width = decimals == 2 ? 5 : 4;
            const std::string expected = Reference(v, width, decimals, '.');
            const std::string actual = Formatted(v, width, decimals);
            if (actual != expected && ++failures <= 10)
                ADD_FAILURE() << std::hexfloat << v << " %" << width << "." << decimals << "f: got \"" << actual
                              << "\", expected \"" << expected << "\"";
        }
    }
    EXPECT_EQ(failures, 0);
}

} // namespace
} // namespace orva
