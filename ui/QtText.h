#pragma once
// Conversions between the core's 8-bit texts (paths, header report) and Qt's texts.
#include <QString>

#include <string>

namespace orva::ui {

/// An 8-bit text of the core (a path or a line of a report) as Qt text, in the system's encoding.
QString NativeToText(const std::string& text);
/// A Qt text (a chosen path, a typed value) as the core's 8-bit text.
std::string TextToNative(const QString& text);

} // namespace orva::ui
