#pragma once
// Text pieces of the JSON and TSV sidecar files of a BIDS dataset (UTF-8). JSON documents
// are built as nlohmann-json values, members kept in the order added.
#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace orva {

using TJson = nlohmann::ordered_json;

/// A number as a sidecar writes it: a whole number as an integer ("50", not "50.0"), any
/// other value as the shortest decimal that reads back as it. value must be finite.
TJson JsonNumber(double value);

/// The document's text: each member on a line of its own, two spaces per level, without a
/// line end after the last brace; UTF-8 passes unchanged (bytes that are not UTF-8 become
/// U+FFFD rather than an error).
std::string JsonText(const TJson& json);

/// text as a JSON string: between double quotes, with the quote, the backslash and every
/// control character escaped; other bytes (UTF-8) pass unchanged.
std::string JsonString(std::string_view text);

/// The shortest plain decimal that reads back as value, without exponent: "250",
/// "3906.25", "0.004". value must be finite.
std::string ShortestDecimal(double value);

/// A TSV field: the text with every tab, CR and LF replaced by a space, or "n/a" when empty,
/// as a BIDS table marks a missing value.
std::string TsvField(std::string_view text);

} // namespace orva
