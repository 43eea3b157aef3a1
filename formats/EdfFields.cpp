#include "formats/EdfFields.h"

#include <charconv>

namespace orva {

std::optional<std::string> EdfNumber(double value)
{
    constexpr std::size_t kWidth = 8;
    for (int decimals = 7; decimals >= 0; --decimals) {
        char buffer[400];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
        std::string text(buffer, result.ptr);
        if (text.find('.') != std::string::npos) {
            while (text.back() == '0')
                text.pop_back();
            if (text.back() == '.')
                text.pop_back();
        }
        // A value that rounds to zero has no sign, and 0.5 needs no leading zero.
        if (text == "-0")
            text = "0";
        if (text.compare(0, 2, "0.") == 0)
            text.erase(0, 1);
        else if (text.compare(0, 3, "-0.") == 0)
            text.erase(1, 1);
        if (text.size() <= kWidth)
            return text;
    }
    return std::nullopt;
}

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int month, int year)
{
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::string TwoDigits(int n)
{
    const char text[3] = {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10), 0};
    return text;
}

} // namespace

TEdfStart EdfStartOf(const TORVAFile& file)
{
    TEdfStart start;
    if (!file.IsSessionFile())
        return start;
    const TGeneralInformation& g = file.GeneralInformation;
    if (g.CollectionYear < 0 || g.CollectionYear > 99 || g.CollectionMonth < 1 || g.CollectionMonth > 12)
        return start;
    const int year = g.CollectionYear + (g.CollectionYear >= 85 ? 1900 : 2000);
    if (g.CollectionDay < 1 || g.CollectionDay > DaysInMonth(g.CollectionMonth, year) || g.CollectionHour < 0 ||
        g.CollectionHour > 23 || g.CollectionMinute < 0 || g.CollectionMinute > 59 || g.CollectionSecond < 0 ||
        g.CollectionSecond > 59)
        return start;
    static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    start.Date = TwoDigits(g.CollectionDay) + "." + TwoDigits(g.CollectionMonth) + "." + TwoDigits(g.CollectionYear);
    start.Time =
        TwoDigits(g.CollectionHour) + "." + TwoDigits(g.CollectionMinute) + "." + TwoDigits(g.CollectionSecond);
    start.Recording = "Startdate " + TwoDigits(g.CollectionDay) + "-" + kMonths[g.CollectionMonth - 1] + "-" +
                      std::to_string(year) + " X X X";
    return start;
}

std::string EdfOnsetText(TEdfTime time)
{
    std::string text = "+" + std::to_string(time.Whole);
    if (time.Nanos == 0)
        return text;
    std::string fraction(9, '0');
    for (std::int64_t n = time.Nanos, i = 8; i >= 0; --i, n /= 10)
        fraction[static_cast<std::size_t>(i)] = static_cast<char>('0' + n % 10);
    while (fraction.back() == '0')
        fraction.pop_back();
    return text + "." + fraction;
}

} // namespace orva
