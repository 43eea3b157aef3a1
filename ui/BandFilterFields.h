#pragma once
// The fields of Tools > Filters... as plain values, read into the options of the band
// filters. What the options may hold is the core's rule (CheckBandFilterOptions); only the
// reading of the typed numbers is decided here.
#include "tools/BandFilter.h"

#include <QString>

#include <optional>

namespace orva::ui {

/// What the fields hold, as the user left them.
struct TBandFilterFields {
    EBandKind Kind = EBandKind::LowPass;
    /// The cut-off, the notch frequency or the band's low edge, in Hz.
    QString Frequency;
    /// The band's high edge, in Hz (band-pass only).
    QString Upper;
    EFilterDesign Design = EFilterDesign::Iir;
    int Order = kDefaultButterworthOrder;
    /// The FIR notch's width in Hz; empty: MNE-Python's (f0 / 200).
    QString NotchWidth;
};

/// Which fields a kind and design take; the others are disabled and not read.
bool TakesUpper(EBandKind kind);
bool TakesOrder(EBandKind kind, EFilterDesign design);
bool TakesNotchWidth(EBandKind kind, EFilterDesign design);

/// The options the fields give, or why they give none.
struct TBandFilterRead {
    std::optional<TBandFilterOptions> Options;
    QString Problem;
};

/// Reads the fields the kind and design take ('.' as the decimal separator, blanks around
/// the number allowed) and checks them with CheckBandFilterOptions, whose message is the
/// problem. A text that is no number is named with the field it was typed in.
TBandFilterRead ReadBandFilterFields(const TBandFilterFields& fields);

/// ReadBandFilterFields, then CheckBandFilterFor on file (the Nyquist frequency of each
/// cell's rate, a document that cannot be filtered).
TBandFilterRead ReadBandFilterFieldsFor(const TORVAFile& file, const TBandFilterFields& fields);

} // namespace orva::ui
