#pragma once
#include "model/ORVAFile.h"

#include <optional>
#include <string>

namespace orva {

/// Reads a cut-off frequency typed by the user: leading blanks, an optional sign, digits
/// with an optional fraction after "." and an optional exponent. "." is the decimal
/// separator whatever the locale; anything else (trailing blanks included) is invalid.
std::optional<float> ParseCutoffText(const std::string& text);

/// Low-pass filters every trace of the file in place with a brick-wall cut at cutoff Hz.
/// Every cell is checked before anything changes: a negative cut-off, a sampling rate of 0,
/// fewer than two samples per observation or a zero divisor of the calibration throws an
/// EORVAError naming the cell or channel, and the file stays exactly as it was.
/// A file that was changed is marked not saved.
void LowPassFilter(TORVAFile& file, float cutoff);

} // namespace orva
