#include "formats/JsonText.h"

#include "model/ORVAError.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace orva {

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", byte);
                out += escape;
            } else {
                out.push_back(ch);
            }
        }
    }
    out.push_back('"');
    return out;
}

std::string ShortestDecimal(double value)
{
    if (!std::isfinite(value))
        throw EORVAError("", "A value to write as a decimal is not finite");
    // A double's fixed form has at most 309 integer digits and 1074 fractional ones.
    char text[1100];
    const auto result = std::to_chars(text, text + sizeof text, value == 0 ? 0.0 : value, std::chars_format::fixed);
    return std::string(text, result.ptr);
}

TJsonObject& TJsonObject::Raw(std::string_view key, std::string value)
{
    members_.emplace_back(JsonString(key), std::move(value));
    nested_.push_back(false);
    objects_.emplace_back();
    return *this;
}

TJsonObject& TJsonObject::String(std::string_view key, std::string_view value) { return Raw(key, JsonString(value)); }

TJsonObject& TJsonObject::Number(std::string_view key, double value) { return Raw(key, ShortestDecimal(value)); }

TJsonObject& TJsonObject::Integer(std::string_view key, long long value) { return Raw(key, std::to_string(value)); }

TJsonObject& TJsonObject::Object(std::string_view key, const TJsonObject& value)
{
    members_.emplace_back(JsonString(key), std::string());
    nested_.push_back(true);
    objects_.push_back(value);
    return *this;
}

std::string TJsonObject::Text(int level) const
{
    if (members_.empty())
        return "{}";
    const std::string indent(static_cast<std::size_t>(2 * (level + 1)), ' ');
    std::string out = "{\n";
    for (std::size_t i = 0; i < members_.size(); ++i) {
        out += indent + members_[i].first + ": ";
        out += nested_[i] ? objects_[i].Text(level + 1) : members_[i].second;
        out += i + 1 < members_.size() ? ",\n" : "\n";
    }
    out += std::string(static_cast<std::size_t>(2 * level), ' ') + "}";
    return out;
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
