#include "formats/EdfExport.h"
#include "formats/EdfFields.h"
#include "model/ORVAError.h"
#include "model/PathText.h"
#include "tests/support/ExportDocument.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::TTestFileBuilder;
namespace fs = std::filesystem;

std::string Text(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t width)
{
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.begin() + static_cast<std::ptrdiff_t>(offset + width));
}

std::string Padded(const std::string& text, std::size_t width) { return text + std::string(width - text.size(), ' '); }

double Number(const std::string& text)
{
    double value = 0;
    const std::string trimmed = text.substr(0, text.find(' '));
    std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
    return value;
}

TEST(Edf, NumbersAreTheClosestTextOfEightCharacters)
{
    EXPECT_EQ(EdfNumber(1.0), "1");
    EXPECT_EQ(EdfNumber(250.0 / 256), ".9765625");
    EXPECT_EQ(EdfNumber(-3276.8), "-3276.8");
    EXPECT_EQ(EdfNumber(1.0 / 3), ".3333333");
    EXPECT_EQ(EdfNumber(-1.0 / 3), "-.333333");
    EXPECT_EQ(EdfNumber(100.0 / 3), "33.33333");
    EXPECT_EQ(EdfNumber(-13146800.0 / 3), "-4382267");
    EXPECT_EQ(EdfNumber(12345678.0), "12345678");
    EXPECT_EQ(EdfNumber(99999999.4), "99999999");
    EXPECT_EQ(EdfNumber(-1e-9), "0");
    EXPECT_EQ(EdfNumber(0.0), "0");
    EXPECT_EQ(EdfNumber(99999999.6), std::nullopt);
    EXPECT_EQ(EdfNumber(-13107200.0), std::nullopt);
}

// A session file of 2 cells x 2 trials x 3 samples at 250 Hz, 2 channels, collected on
// 24 Nov 2002 at 14:05:07, read field by field at the offsets of the EDF+ header.
TEST(Edf, HeaderFieldsAndRecordsByOffset)
{
    test::TTempDir dir;
    TTestFileBuilder b = TTestFileBuilder::Session(2, 2, 3, 2);
    b.General[0] = 11, b.General[1] = 24, b.General[2] = 2, b.General[3] = 14, b.General[4] = 5, b.General[5] = 7;
    b.Zeros = {10, -20};
    b.Gains = {800, -1600};
    b.Cells[1].Name = "T,\xe9";
    const TORVAFile f = test::LoadBuilt(b, dir, "s.ses");
    TEpochSelection selection;
    selection.Channels = TSelectionList{1, 0};
    const fs::path path = PathFromText(dir.Path("s.edf"));
    WriteEdf(f, LayOutEpochs(f, selection), {"Fp1", "C3-A2"}, path);
    const std::vector<std::uint8_t> h = test::ReadBytes(path);

    EXPECT_EQ(Text(h, 0, 8), Padded("0", 8));
    EXPECT_EQ(Text(h, 8, 80), Padded("X X X X", 80));
    EXPECT_EQ(Text(h, 88, 80), Padded("Startdate 24-NOV-2002 X X X", 80));
    EXPECT_EQ(Text(h, 168, 16), "24.11.0214.05.07");
    EXPECT_EQ(Text(h, 184, 8), Padded("1024", 8));
    EXPECT_EQ(Text(h, 192, 44), Padded("EDF+C", 44));
    EXPECT_EQ(Text(h, 236, 8), Padded("4", 8)); // records: one per epoch
    EXPECT_EQ(Text(h, 244, 8), Padded(".012", 8));
    EXPECT_EQ(Text(h, 252, 4), Padded("3", 4));
    std::size_t at = 256;
    auto fields = [&](std::size_t width) {
        std::vector<std::string> out;
        for (int k = 0; k < 3; ++k, at += width)
            out.push_back(Text(h, at, width));
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(fields(16), (V{Padded("C3-A2", 16), Padded("Fp1", 16), Padded("EDF Annotations", 16)}));
    EXPECT_EQ(fields(80), (V(3, std::string(80, ' '))));
    EXPECT_EQ(fields(8), (V{Padded("uV", 8), Padded("uV", 8), std::string(8, ' ')}));
    // (-32768 + 20) * 400 / -1600 = 8187, (32767 + 20) * 400 / -1600 = -8196.75: a negative
    // gain puts the minimum above the maximum.
    EXPECT_EQ(fields(8), (V{Padded("8187", 8), Padded("-16389", 8), Padded("-1", 8)}));
    EXPECT_EQ(fields(8), (V{Padded("-8196.75", 8), Padded("16378.5", 8), Padded("1", 8)}));
    EXPECT_EQ(fields(8), (V(3, Padded("-32768", 8))));
    EXPECT_EQ(fields(8), (V(3, Padded("32767", 8))));
    EXPECT_EQ(fields(80), (V(3, std::string(80, ' '))));
    // The longest record's annotations: "+0.012\x14\x14\0+0.012\x14cell 1\x14\0" is 24 bytes.
    EXPECT_EQ(fields(8), (V{Padded("3", 8), Padded("3", 8), Padded("12", 8)}));
    EXPECT_EQ(fields(32), (V(3, std::string(32, ' '))));
    ASSERT_EQ(at, 1024u);
    ASSERT_EQ(h.size(), 1024u + 4 * (2 * 3 * 2 + 24));

    // Record 4 (cell 2, trial 2): channel 2's samples, then channel 1's, little-endian, raw.
    const std::size_t record = 1024 + 3 * 36;
    for (int s = 0; s < 3; ++s) {
        for (int k = 0; k < 2; ++k) {
            const auto raw = static_cast<std::uint16_t>(TTestFileBuilder::PatternSample(1, 1, s, 1 - k));
            const std::size_t byte = record + static_cast<std::size_t>(k * 6 + s * 2);
            EXPECT_EQ(h[byte] | h[byte + 1] << 8, raw) << "sample " << s << " signal " << k;
        }
    }
    EXPECT_EQ(Text(h, record + 12, 24), std::string("+0.036\x14\x14\0+0.036\x14T,\xc3\xa9\x14\0\0\0", 24));
    EXPECT_EQ(Text(h, 1024 + 12, 24), std::string("+0\x14\x14\0+0\x14" "cell 1\x14\0\0\0\0\0\0\0\0\0", 24));
}

// Annotations fall at the stimulus in the record's own time: at 256 Hz a 250-sample epoch
// lasts .9765625 s and the 200 ms baseline ends at sample 51 (51.2 rounded).
TEST(Edf, AverageStimulusAnnotationsAtTheBaselineEnd)
{
    test::TTempDir dir;
    TTestFileBuilder b = TTestFileBuilder::Average(1, 2, 250, 1);
    b.Cells[0].SamplesPerSecond = 256;
    b.Cells[0].Name = "Std";
    const TORVAFile f = test::LoadBuilt(b, dir, "a.ave");
    const fs::path path = PathFromText(dir.Path("a.edf"));
    ExportEdf(f, {}, std::nullopt, path);
    const std::vector<std::uint8_t> h = test::ReadBytes(path);
    EXPECT_EQ(Text(h, 88, 80), Padded("Startdate X X X X", 80));
    EXPECT_EQ(Text(h, 168, 16), "01.01.8500.00.00");
    EXPECT_EQ(Text(h, 244, 8), Padded(".9765625", 8));
    EXPECT_EQ(Text(h, 256, 16), Padded("E1", 16));
    // ScaleBins 10: -3276.8 and 3276.7.
    EXPECT_EQ(Text(h, 256 + 2 * (16 + 80 + 8), 8), Padded("-3276.8", 8));
    EXPECT_EQ(Text(h, 256 + 2 * (16 + 80 + 8 + 8), 8), Padded("3276.7", 8));
    const std::size_t annotations = 768 + 250 * 2;
    const std::size_t recordSize = 250 * 2 + 2 * 15;
    EXPECT_EQ(Text(h, 256 + 2 * (16 + 80 + 8 * 5 + 80) + 8, 8), Padded("15", 8));
    EXPECT_EQ(Text(h, annotations, 17), std::string("+0\x14\x14\0+0.19921875\x14", 17));
    EXPECT_EQ(Text(h, annotations + recordSize, 30), std::string("+0.9765625\x14\x14\0+1.17578125\x14Std\x14\0", 30));
    EXPECT_EQ(h.size(), 768 + 2 * recordSize);
}

TEST(Edf, StartDateOnlyFromARealCollectionDate)
{
    struct Case {
        int month, day, year, hour, minute, second;
        const char *date, *time, *recording;
    };
    const Case cases[] = {
        {2, 29, 0, 23, 59, 59, "29.02.00", "23.59.59", "Startdate 29-FEB-2000 X X X"},
        {12, 31, 85, 0, 0, 0, "31.12.85", "00.00.00", "Startdate 31-DEC-1985 X X X"},
        {1, 1, 84, 9, 8, 7, "01.01.84", "09.08.07", "Startdate 01-JAN-2084 X X X"},
        {2, 29, 1, 0, 0, 0, nullptr, nullptr, nullptr},   // 2001 is no leap year
        {4, 31, 2, 0, 0, 0, nullptr, nullptr, nullptr},   // April has 30 days
        {13, 1, 2, 0, 0, 0, nullptr, nullptr, nullptr},
        {0, 1, 2, 0, 0, 0, nullptr, nullptr, nullptr},
        {1, 0, 2, 0, 0, 0, nullptr, nullptr, nullptr},
        {1, 1, 100, 0, 0, 0, nullptr, nullptr, nullptr},
        {1, 1, -1, 0, 0, 0, nullptr, nullptr, nullptr},
        {1, 1, 2, 24, 0, 0, nullptr, nullptr, nullptr},
        {1, 1, 2, 0, 60, 0, nullptr, nullptr, nullptr},
        {1, 1, 2, 0, 0, 60, nullptr, nullptr, nullptr},
        {1, 1, 2, -1, 0, 0, nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        TORVAFile f = test::MakeDocument(false, {1}, {1}, 1);
        f.GeneralInformation.CollectionMonth = c.month;
        f.GeneralInformation.CollectionDay = c.day;
        f.GeneralInformation.CollectionYear = c.year;
        f.GeneralInformation.CollectionHour = c.hour;
        f.GeneralInformation.CollectionMinute = c.minute;
        f.GeneralInformation.CollectionSecond = c.second;
        const TEdfStart start = EdfStartOf(f);
        const std::string label = std::to_string(c.month) + "/" + std::to_string(c.day) + "/" + std::to_string(c.year);
        EXPECT_EQ(start.Date, c.date ? c.date : "01.01.85") << label;
        EXPECT_EQ(start.Time, c.time ? c.time : "00.00.00") << label;
        EXPECT_EQ(start.Recording, c.recording ? c.recording : "Startdate X X X X") << label;
    }
}

// What a reader computes from the header (linear between the physical limits as written)
// stays within 5e-6 of the larger limit, and within a third of one digital step, of our
// calibrated value, for every gain and several zeros of a session file and every scale of
// an average file.
TEST(Edf, ReaderCalibrationStaysWithinTheStatedBound)
{
    TORVAFile f = test::MakeDocument(false, {1}, {1}, 1);
    double worst = 0;
    auto check = [&] {
        TEdfPhysicalRange range;
        try {
            range = EdfPhysicalRange(f, 0);
        } catch (const EORVAError&) {
            return; // refused: limits that do not fit 8 characters
        }
        const double low = Number(range.Minimum), high = Number(range.Maximum);
        const double limit = std::max(std::abs(CalibratedValue(f, -32768, 0)), std::abs(CalibratedValue(f, 32767, 0)));
        for (int d : {-32768, -32767, -1, 0, 1, 1234, 32766, 32767}) {
            const double reader = low + (d + 32768.0) * (high - low) / 65535.0;
            const double error = std::abs(reader - CalibratedValue(f, d, 0)) / limit;
            worst = std::max(worst, error);
            const double step = std::abs(CalibratedValue(f, 32767, 0) - CalibratedValue(f, -32768, 0)) / 65535;
            ASSERT_LE(error * limit, step / 3) << "raw " << d;
            ASSERT_LE(error, 5e-6) << "raw " << d << " zero " << f.DataDescription.Zeros[0] << " gain "
                                   << f.DataDescription.Gains[0] << " scale " << f.GeneralInformation.ScaleBins;
        }
    };
    for (int zero : {-32768, -1000, 0, 7, 32767})
        for (int gain = -32768; gain <= 32767; ++gain) {
            if (gain == 0)
                continue;
            f.DataDescription.Zeros[0] = zero;
            f.DataDescription.Gains[0] = gain;
            check();
        }
    f.FileDescription.HeaderVersion = kAverageFileVersion;
    for (int scale = -32768; scale <= 32767; ++scale) {
        if (scale == 0)
            continue;
        f.GeneralInformation.ScaleBins = scale;
        check();
    }
    EXPECT_GT(worst, 5e-7); // the bound is not loose by orders of magnitude
}

TEST(Edf, RefusalsNameTheCauseAndWriteNothing)
{
    test::TTempDir dir;
    TTestFileBuilder b = TTestFileBuilder::Session(3, 1, 3, 2);
    b.Cells[2].SamplesPerObservation = 4;
    const TORVAFile f = test::LoadBuilt(b, dir, "s.ses");
    const fs::path path = PathFromText(dir.Path("s.edf"));
    auto cause = [&](const TORVAFile& file, const TEpochSelection& selection, const std::vector<std::string>& names) {
        try {
            WriteEdf(file, LayOutEpochs(file, selection), names, path);
        } catch (const EORVAError& e) {
            return e.Cause();
        }
        return std::string("accepted");
    };
    EXPECT_EQ(cause(f, {}, {"a", "b"}), "EDF+ needs epochs of one length, but cell 1 has 3 samples and cell 3 has 4");
    TEpochSelection two;
    two.Cells = TSelectionList{0, 1};
    EXPECT_EQ(cause(f, two, {"a", "\xc2\xb5V"}), "Channel 2 (\xc2\xb5V): an EDF+ label holds printable ASCII characters only");
    EXPECT_EQ(cause(f, two, {"a\tb", "b"}), "Channel 1 (a\tb): an EDF+ label holds printable ASCII characters only");
    EXPECT_EQ(cause(f, two, {"0123456789abcdefg", "b"}),
              "Channel 1 (0123456789abcdefg): an EDF+ label has at most 16 characters");
    EXPECT_EQ(cause(f, two, {"a", "EDF Annotations"}), "Channel 2 (EDF Annotations): EDF+ keeps this label for its annotations");
    TORVAFile wide = f;
    wide.DataDescription.Zeros[1] = 0;
    wide.DataDescription.Gains[1] = 1; // -13107200 needs 9 characters
    EXPECT_EQ(cause(wide, two, {"a", "b"}),
              "Channel 2: its calibrated range does not fit the 8 characters of an EDF+ header field");
    wide.DataDescription.Gains[1] = 0;
    EXPECT_NE(cause(wide, two, {"a", "b"}).find("Gain of channel 2 is 0"), std::string::npos);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(std::distance(fs::directory_iterator(PathFromText(dir.Root())), fs::directory_iterator()), 1);
    EXPECT_EQ(cause(f, two, {"a", "b"}), "accepted");
}

} // namespace
} // namespace orva
