#include "ui/BandFilterFields.h"

#include "model/ORVAError.h"
#include "plot/QtText.h"

#include <QLocale>

namespace orva::ui {

namespace {

// The name of the frequency field for the kind, as its messages call it.
QString FrequencyName(EBandKind kind)
{
    switch (kind) {
    case EBandKind::Notch: return QStringLiteral("the notch frequency");
    case EBandKind::BandPass: return QStringLiteral("the band's low edge");
    case EBandKind::HighPass: return QStringLiteral("the high-pass cut-off");
    case EBandKind::LowPass: break;
    }
    return QStringLiteral("the low-pass cut-off");
}

// A number of Hz as typed, or the problem naming the field.
std::optional<double> Hz(const QString& text, const QString& name, QString& problem)
{
    const QString typed = text.trimmed();
    // "1,500" is no number here: a comma, wherever it stands, is refused.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(typed, &ok);
    if (ok)
        return value;
    problem = typed.isEmpty() ? QStringLiteral("Type %1 in Hz.").arg(name)
                              : QStringLiteral("'%1' is not a number of Hz for %2.").arg(typed, name);
    return std::nullopt;
}

} // namespace

bool TakesUpper(EBandKind kind)
{
    return kind == EBandKind::BandPass;
}

bool TakesOrder(EBandKind kind, EFilterDesign design)
{
    return design == EFilterDesign::Iir && kind != EBandKind::Notch;
}

bool TakesNotchWidth(EBandKind kind, EFilterDesign design)
{
    return design == EFilterDesign::Fir && kind == EBandKind::Notch;
}

TBandFilterRead ReadBandFilterFields(const TBandFilterFields& fields)
{
    TBandFilterRead read;
    TBandFilterOptions o;
    o.Kind = fields.Kind;
    o.Design = fields.Design;
    const std::optional<double> first = Hz(fields.Frequency, FrequencyName(fields.Kind), read.Problem);
    if (!first)
        return read;
    // The options keep the high-pass edge (or the notch) in LowHz, the low-pass edge in HighHz.
    (fields.Kind == EBandKind::LowPass ? o.HighHz : o.LowHz) = *first;
    if (TakesUpper(fields.Kind)) {
        const std::optional<double> upper = Hz(fields.Upper, QStringLiteral("the band's high edge"), read.Problem);
        if (!upper)
            return read;
        o.HighHz = *upper;
    }
    if (TakesOrder(fields.Kind, fields.Design))
        o.Order = fields.Order;
    if (TakesNotchWidth(fields.Kind, fields.Design) && !fields.NotchWidth.trimmed().isEmpty()) {
        o.NotchWidthHz = Hz(fields.NotchWidth, QStringLiteral("the notch width"), read.Problem);
        if (!o.NotchWidthHz)
            return read;
    }
    try {
        CheckBandFilterOptions(o);
    } catch (const EORVAError& error) {
        read.Problem = plot::NativeToText(error.what());
        return read;
    }
    read.Options = o;
    return read;
}

TBandFilterRead ReadBandFilterFieldsFor(const TORVAFile& file, const TBandFilterFields& fields)
{
    TBandFilterRead read = ReadBandFilterFields(fields);
    if (!read.Options)
        return read;
    try {
        CheckBandFilterFor(file, *read.Options);
    } catch (const EORVAError& error) {
        read.Options.reset();
        read.Problem = plot::NativeToText(error.what());
    }
    return read;
}

} // namespace orva::ui
