// The band-filter dialog's fields as plain values: what each kind and design reads, and the
// refusals, by the field's name or with the core's message.
#include "BandFilterTestSupport.h"

#include "ui/BandFilterFields.h"

#include <gtest/gtest.h>

namespace orva::test {
namespace {

using ui::TBandFilterFields;

TBandFilterFields Fields(EBandKind kind, const char* frequency, const char* upper, EFilterDesign design, int order,
                         const char* notchWidth)
{
    return {kind, QString::fromLatin1(frequency), QString::fromLatin1(upper), design, order,
            QString::fromLatin1(notchWidth)};
}

struct TFieldCase {
    const char* Name;
    TBandFilterFields Fields;
    TBandFilterOptions Expected;
};

TEST(TBandFilterFieldsTest, ReadOnlyTheFieldsTheKindAndDesignTake)
{
    const auto iir = EFilterDesign::Iir;
    const auto fir = EFilterDesign::Fir;
    const TFieldCase cases[] = {
        // The low-pass edge is HighHz; a stale upper edge and notch width are not read.
        {"low-pass", Fields(EBandKind::LowPass, "30", "5", iir, 2, "x"), Options(EBandKind::LowPass, 0, 30, iir, 2)},
        {"high-pass with blanks", Fields(EBandKind::HighPass, " 0.5 ", "", iir, 4, ""),
         Options(EBandKind::HighPass, 0.5, 0, iir, 4)},
        {"band-pass FIR takes no order", Fields(EBandKind::BandPass, "1", "40", fir, 6, ""),
         Options(EBandKind::BandPass, 1, 40, fir, std::nullopt)},
        {"IIR notch: neither order nor width", Fields(EBandKind::Notch, "50", "", iir, 3, "2"),
         Options(EBandKind::Notch, 50, 0, iir, std::nullopt)},
        {"FIR notch with a width", Fields(EBandKind::Notch, "60", "", fir, 2, "1.5"),
         Options(EBandKind::Notch, 60, 0, fir, std::nullopt, 1.5)},
        {"FIR notch, width left empty", Fields(EBandKind::Notch, "6e1", "", fir, 2, "  "),
         Options(EBandKind::Notch, 60, 0, fir, std::nullopt)},
    };
    for (const TFieldCase& c : cases) {
        const ui::TBandFilterRead read = ui::ReadBandFilterFields(c.Fields);
        ASSERT_TRUE(read.Options.has_value()) << c.Name << ": " << read.Problem.toStdString();
        const TBandFilterOptions& o = *read.Options;
        EXPECT_EQ(o.Kind, c.Expected.Kind) << c.Name;
        EXPECT_EQ(o.LowHz, c.Expected.LowHz) << c.Name;
        EXPECT_EQ(o.HighHz, c.Expected.HighHz) << c.Name;
        EXPECT_EQ(o.Design, c.Expected.Design) << c.Name;
        EXPECT_EQ(o.Order, c.Expected.Order) << c.Name;
        EXPECT_EQ(o.NotchWidthHz, c.Expected.NotchWidthHz) << c.Name;
    }
}

TEST(TBandFilterFieldsTest, TextsThatAreNoNumberAreNamedWithTheirField)
{
    const auto iir = EFilterDesign::Iir;
    const struct {
        TBandFilterFields Fields;
        const char* Problem;
    } cases[] = {
        {Fields(EBandKind::LowPass, "12,5", "", iir, 2, ""), "'12,5' is not a number of Hz for the low-pass cut-off."},
        {Fields(EBandKind::LowPass, "1,500", "", iir, 2, ""), "'1,500' is not a number of Hz for the low-pass cut-off."},
        {Fields(EBandKind::HighPass, "", "", iir, 2, ""), "Type the high-pass cut-off in Hz."},
        {Fields(EBandKind::BandPass, "1", "30 Hz", iir, 2, ""), "'30 Hz' is not a number of Hz for the band's high edge."},
        {Fields(EBandKind::Notch, "50", "", EFilterDesign::Fir, 2, "one"),
         "'one' is not a number of Hz for the notch width."},
    };
    for (const auto& c : cases) {
        const ui::TBandFilterRead read = ui::ReadBandFilterFields(c.Fields);
        EXPECT_FALSE(read.Options.has_value()) << c.Problem;
        EXPECT_EQ(read.Problem.toStdString(), c.Problem);
    }
}

TEST(TBandFilterFieldsTest, NumbersTheCoreRefusesGetTheCoresMessage)
{
    const auto iir = EFilterDesign::Iir;
    const struct {
        TBandFilterFields Fields;
        TBandFilterOptions AsCoreSeesThem;
    } cases[] = {
        {Fields(EBandKind::BandPass, "40", "1", iir, 2, ""), Options(EBandKind::BandPass, 40, 1, iir, 2)},
        {Fields(EBandKind::LowPass, "-5", "", iir, 2, ""), Options(EBandKind::LowPass, 0, -5, iir, 2)},
        {Fields(EBandKind::HighPass, "0", "", iir, 2, ""), Options(EBandKind::HighPass, 0, 0, iir, 2)},
        {Fields(EBandKind::LowPass, "30", "", iir, 9, ""), Options(EBandKind::LowPass, 0, 30, iir, 9)},
        {Fields(EBandKind::Notch, "50", "", EFilterDesign::Fir, 2, "0"),
         Options(EBandKind::Notch, 50, 0, EFilterDesign::Fir, std::nullopt, 0.0)},
    };
    for (const auto& c : cases) {
        const std::string expected = CoreRefusal([&] { CheckBandFilterOptions(c.AsCoreSeesThem); });
        ASSERT_NE(expected, "(accepted)");
        const ui::TBandFilterRead read = ui::ReadBandFilterFields(c.Fields);
        EXPECT_FALSE(read.Options.has_value()) << expected;
        EXPECT_EQ(read.Problem.toStdString(), expected);
    }
}

} // namespace
} // namespace orva::test
