#pragma once
// Text pieces of the JSON and TSV sidecar files of a BIDS dataset (UTF-8).
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orva {

/// text as a JSON string: between double quotes, with the quote, the backslash and every
/// control character escaped; other bytes (UTF-8) pass unchanged.
std::string JsonString(std::string_view text);

/// The shortest plain decimal that reads back as value, without exponent: "250",
/// "3906.25", "0.004". value must be finite.
std::string ShortestDecimal(double value);

/// A JSON object built member by member: each member on a line of its own, in the order
/// added, indented by two spaces per level.
class TJsonObject {
public:
    /// A member whose value is already JSON text (a number, a nested object).
    TJsonObject& Raw(std::string_view key, std::string value);
    TJsonObject& String(std::string_view key, std::string_view value);
    TJsonObject& Number(std::string_view key, double value);
    TJsonObject& Integer(std::string_view key, long long value);
    TJsonObject& Object(std::string_view key, const TJsonObject& value);

    /// The object's text at nesting depth `level`, without a line end after the brace.
    std::string Text(int level = 0) const;

private:
    std::vector<std::pair<std::string, std::string>> members_; // key text, value text
    std::vector<bool> nested_;                                 // value is a TJsonObject
    std::vector<TJsonObject> objects_;
};

/// A TSV field: the text with every tab, CR and LF replaced by a space, or "n/a" when empty,
/// as a BIDS table marks a missing value.
std::string TsvField(std::string_view text);

} // namespace orva
