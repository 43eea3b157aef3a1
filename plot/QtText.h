#pragma once
// Conversions between the core's texts and paths and Qt's texts.
#include <QString>

#include <filesystem>
#include <string>

namespace orva::plot {

/// A text of the core as Qt text. The core's own texts (paths, messages, reports) are UTF-8;
/// a text field of an old data file may hold bytes of an 8-bit code page instead, which are
/// read in the system's 8-bit encoding.
QString NativeToText(const std::string& text);
/// A Qt text (a typed value, a message) as the core's UTF-8 text.
std::string TextToNative(const QString& text);

/// The path that a Qt text names (a chosen file), without any 8-bit code page between.
std::filesystem::path TextToPath(const QString& text);
/// A path of the core as Qt text.
QString PathToText(const std::filesystem::path& path);

} // namespace orva::plot
