#include "formats/JsonText.h"

#include "model/ORVAError.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace orva {

TJson JsonNumber(double value)
{
    if (!std::isfinite(value))
        throw EORVAError("", "A value to write as a decimal is not finite");
    // Whole numbers within 2^53 are exact as integers and read the same in every JSON reader.
    if (value == std::trunc(value) && std::fabs(value) <= 9007199254740992.0)
        return TJson(static_cast<std::int64_t>(value));
    return TJson(value);
}

std::string JsonText(const TJson& json) { return json.dump(2, ' ', false, TJson::error_handler_t::replace); }

std::string JsonString(std::string_view text) { return JsonText(TJson(std::string(text))); }

std::string ShortestDecimal(double value)
{
    if (!std::isfinite(value))
        throw EORVAError("", "A value to write as a decimal is not finite");
    // A double's fixed form has at most 309 integer digits and 1074 fractional ones.
    char text[1100];
    const auto result = std::to_chars(text, text + sizeof text, value == 0 ? 0.0 : value, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

std::string TsvField(std::string_view text)
{
    if (text.empty())
        return "n/a";
    std::string out(text);
    for (char& ch : out)
        if (ch == '\t' || ch == '\r' || ch == '\n')
            ch = ' ';
    return out;
}

} // namespace orva
