#include "select/CsvText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace orva {
namespace {

TEST(CsvText, Windows1252BytesBecomeUtf8)
{
    const struct {
        std::string Bytes;
        std::string Utf8;
    } cases[] = {
        {"plain ASCII, 0-9", "plain ASCII, 0-9"},
        {"\x80", "\xe2\x82\xac"},           // euro sign
        {"\x8a\x9a", "\xc5\xa0\xc5\xa1"},   // S and s with caron
        {"\x93q\x94", "\xe2\x80\x9cq\xe2\x80\x9d"},
        {"\x99", "\xe2\x84\xa2"},           // trade mark
        {"\x9f", "\xc5\xb8"},               // Y with diaeresis
        {"\x81\x8d\x8f\x90\x9d", "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"}, // unassigned: C1 controls
        {"\xa0\xe9\xff", "\xc2\xa0\xc3\xa9\xc3\xbf"},                       // Latin-1 half
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Windows1252ToUtf8(c.Bytes), c.Utf8) << c.Bytes;
}

TEST(CsvText, FieldsAreQuotedOnlyWhereRfc4180NeedsIt)
{
    const struct {
        const char* Text;
        const char* Field;
    } cases[] = {
        {"Standard", "Standard"},
        {"", ""},
        {" spaced ", " spaced "},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"semi;colon\ttab", "semi;colon\ttab"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CsvField(c.Text), c.Field) << c.Text;
}

TEST(CsvText, ShortDecimalRoundsAsTheExportsAndDropsTrailingZeros)
{
    const struct {
        double Value;
        int Decimals;
        const char* Text;
    } cases[] = {
        {-200.0, 3, "-200"},   {3.5, 3, "3.5"},      {13.0 / 3.0, 3, "4.333"},  {1000.0 / 6.0, 3, "166.667"},
        {0.0625, 3, "0.063"},  {-0.0625, 3, "-0.063"}, {-0.0004, 3, "0"},      {-0.0, 3, "0"},
        {100.0, 3, "100"},     {1.10, 2, "1.1"},     {2.5, 0, "3"},             {-2.5, 0, "-3"},
        {120.0, 0, "120"},     {-196.6666666, 3, "-196.667"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortDecimal(c.Value, c.Decimals), c.Text) << c.Value;
}

} // namespace
} // namespace orva
