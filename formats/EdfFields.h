#pragma once
// The text fields of an EDF+ header: numbers in 8 characters, the start date and time, and
// the time texts of annotations.
#include "model/ORVAFile.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orva {

/// The decimal text of at most 8 characters closest to value: as many decimals as fit,
/// trailing zeros and a leading zero dropped ("1", ".9765625", "-3276.8"); nothing when
/// even the whole number does not fit.
std::optional<std::string> EdfNumber(double value);

/// The start of an EDF+ recording: its two header fields and the recording field's date.
struct TEdfStart {
    std::string Date = "01.01.85";        ///< dd.mm.yy
    std::string Time = "00.00.00";        ///< hh.mm.ss
    std::string Recording = "Startdate X X X X";
};

/// The collection date and time of a session file when they make a real date and time
/// (years 85-99 read as 19xx and 0-84 as 20xx, hours 0-23, minutes and seconds 0-59);
/// otherwise, and for average files, the EDF+ placeholder 01.01.85 00.00.00.
TEdfStart EdfStartOf(const TORVAFile& file);

/// A time in seconds, exact: whole + fraction / 10^9 (fraction below 10^9), as an EDF+
/// annotation writes it: "+12", "+0.5", "+3.0625".
struct TEdfTime {
    std::int64_t Whole = 0;
    std::int64_t Nanos = 0;
};
std::string EdfOnsetText(TEdfTime time);

} // namespace orva
