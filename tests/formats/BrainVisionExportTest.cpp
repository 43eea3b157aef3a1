#include "formats/BrainVisionExport.h"
#include "model/ORVAError.h"
#include "model/PathText.h"
#include "tests/support/ExportDocument.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::TTestFileBuilder;
namespace fs = std::filesystem;

// The float32 values of an .eeg file, read as little-endian whatever the machine.
std::vector<float> Floats(const fs::path& path)
{
    const std::vector<std::uint8_t> bytes = test::ReadBytes(path);
    EXPECT_EQ(bytes.size() % 4, 0u);
    std::vector<float> values;
    for (std::size_t i = 0; i + 3 < bytes.size(); i += 4)
        values.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(bytes[i] | bytes[i + 1] << 8 |
                                                                         bytes[i + 2] << 16 | bytes[i + 3] << 24)));
    return values;
}

// Two cells of 2 x 2 and 1 x 5 samples, a 8 ms baseline (2 samples at 250 Hz, beyond the
// first cell's epochs), names that need cleaning, commas in names.
TEST(BrainVision, AverageFileHeaderAndMarkersByteForByte)
{
    test::TTempDir dir;
    TTestFileBuilder b = TTestFileBuilder::Average(2, 2, 2, 2);
    b.General[7] = 10; // ScaleBins
    b.General[9] = 8;  // BaselineDuration
    b.Cells[0].Name = "Std, \x80\xe9\t";
    b.Cells[1].Name = "\r\n";
    b.Cells[1].NumObservations = 1;
    b.Cells[1].SamplesPerObservation = 5;
    b.Cells[0].TrialSpecifics.assign(28, 0);
    b.Cells[0].TrialSpecifics[0] = 40;
    b.Cells[0].TrialSpecifics[14] = 38;
    b.Cells[1].TrialSpecifics.assign(14, 0);
    b.Cells[1].TrialSpecifics[0] = 25;
    const TORVAFile f = test::LoadBuilt(b, dir, "s01.ave");
    const fs::path vhdr = PathFromText(dir.Path("out.vhdr"));
    WriteBrainVision(f, LayOutEpochs(f, {}), {"Fp1,x", "\xc2\xb5"}, vhdr);

    EXPECT_EQ(test::ReadText(vhdr), "Brain Vision Data Exchange Header File Version 1.0\r\n"
                                    "; Data exported by ORVA Toolbox\r\n"
                                    "\r\n"
                                    "[Common Infos]\r\n"
                                    "Codepage=UTF-8\r\n"
                                    "DataFile=out.eeg\r\n"
                                    "MarkerFile=out.vmrk\r\n"
                                    "DataFormat=BINARY\r\n"
                                    "; Data orientation: MULTIPLEXED=ch1,pt1, ch2,pt1 ...\r\n"
                                    "DataOrientation=MULTIPLEXED\r\n"
                                    "NumberOfChannels=2\r\n"
                                    "; Sampling interval in microseconds\r\n"
                                    "SamplingInterval=4000\r\n"
                                    "\r\n"
                                    "[Binary Infos]\r\n"
                                    "BinaryFormat=IEEE_FLOAT_32\r\n"
                                    "\r\n"
                                    "[Channel Infos]\r\n"
                                    "; Each entry: Ch<Channel number>=<Name>,<Reference channel name>,\r\n"
                                    "; <Resolution in \"Unit\">,<Unit>; commas in names are coded as \"\\1\".\r\n"
                                    "Ch1=Fp1\\1x,,1,\xc2\xb5V\r\n"
                                    "Ch2=\xc2\xb5,,1,\xc2\xb5V\r\n"
                                    "\r\n"
                                    "[Comment]\r\n"
                                    "Exported by ORVA Toolbox from s01.ave, an average file (one observation per subject)\r\n"
                                    "Cell 1: Std, \xe2\x82\xac\xc3\xa9; 2 observations in the file, 2 samples per observation\r\n"
                                    "Cell 1: trials behind each subject: 40 38\r\n"
                                    "Cell 2: Cell2; 1 observations in the file, 5 samples per observation\r\n"
                                    "Cell 2: trials behind each subject: 25\r\n");
    EXPECT_EQ(test::ReadText(PathFromText(dir.Path("out.vmrk"))),
              "Brain Vision Data Exchange Marker File, Version 1.0\r\n"
              "\r\n"
              "[Common Infos]\r\n"
              "Codepage=UTF-8\r\n"
              "DataFile=out.eeg\r\n"
              "\r\n"
              "[Marker Infos]\r\n"
              "; Each entry: Mk<Marker number>=<Type>,<Description>,<Position in data points>,\r\n"
              "; <Size in data points>, <Channel number (0 = marker is related to all channels)>\r\n"
              "; Positions count from 1; commas in descriptions are coded as \"\\1\".\r\n"
              "Mk1=New Segment,,1,1,0\r\n"
              "Mk2=Stimulus,Std\\1 \xe2\x82\xac\xc3\xa9,2,1,0\r\n" // clamped to the 2-sample epoch
              "Mk3=New Segment,,3,1,0\r\n"
              "Mk4=Stimulus,Std\\1 \xe2\x82\xac\xc3\xa9,4,1,0\r\n"
              "Mk5=New Segment,,5,1,0\r\n"
              "Mk6=Stimulus,Cell2,7,1,0\r\n");
    EXPECT_EQ(Floats(PathFromText(dir.Path("out.eeg"))).size(), 2u * (2 * 2 + 5));
}

// Every value is the calibrated value computed in double and rounded once to float32; the
// expected values here are worked out by hand from the raw values, zeros and gains.
TEST(BrainVision, SamplesAreCalibratedFloat32InListOrder)
{
    test::TTempDir dir;
    TTestFileBuilder b = TTestFileBuilder::Session(2, 2, 2, 3);
    b.Zeros = {-100, 32767, 0};
    b.Gains = {-3, 1, 3};
    // cell 1: observation 1 holds the extremes; cell 2 is not exported.
    b.Cells[0].Data = {0, 0, 0, 1, 2, 1, /* obs 2 */ 32767, -32768, -32768, -32768, 32767, 32767};
    const TORVAFile f = test::LoadBuilt(b, dir, "s.ses");
    TEpochSelection selection;
    selection.Cells = TSelectionList{0};
    selection.Observations = TSelectionList{1, 0};
    selection.Channels = TSelectionList{2, 0, 1};
    const fs::path vhdr = PathFromText(dir.Path("s.vhdr"));
    ExportBrainVision(f, selection, std::nullopt, vhdr);
    const std::vector<float> expected = {
        // observation 2, sample 1: channels 3, 1, 2
        static_cast<float>(-13107200.0 / 3), -4382266.5f, -26214000.0f,
        // sample 2
        static_cast<float>(13106800.0 / 3), static_cast<float>(-13067200.0 / -3), 0.0f,
        // observation 1, sample 1: (0 - -100) * 400 / -3 and (0 - 32767) * 400
        0.0f, static_cast<float>(-40000.0 / 3), -13106800.0f,
        // sample 2
        static_cast<float>(133.33333333333334), static_cast<float>(-40400.0 / 3), -13106000.0f};
    const std::vector<float> got = Floats(PathFromText(dir.Path("s.eeg")));
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(std::bit_cast<std::uint32_t>(got[i]), std::bit_cast<std::uint32_t>(expected[i])) << "value " << i;
    const std::string header = test::ReadText(vhdr);
    EXPECT_NE(header.find("Ch1=E3,,1,\xc2\xb5V\r\nCh2=E1,,1,\xc2\xb5V\r\nCh3=E2,,1,\xc2\xb5V\r\n"), std::string::npos);
    const std::string tail = "a session file (one observation per trial)\r\n"
                             "Cell 1: cell 1; 2 observations in the file, 2 samples per observation\r\n";
    EXPECT_EQ(header.substr(header.size() - tail.size()), tail);
}

TEST(BrainVision, SamplingIntervalIsTheShortestTextThatReadsBack)
{
    EXPECT_EQ(SamplingIntervalText(250), "4000");
    EXPECT_EQ(SamplingIntervalText(256), "3906.25");
    EXPECT_EQ(SamplingIntervalText(1), "1000000");
    EXPECT_EQ(SamplingIntervalText(3), "333333.3333333333");
    EXPECT_EQ(SamplingIntervalText(1000), "1000");
    for (int rate = 1; rate <= 32767; ++rate) {
        const std::string text = SamplingIntervalText(rate);
        ASSERT_EQ(std::stod(text), 1e6 / rate) << text;
        ASSERT_EQ(text.find('e'), std::string::npos) << text;
    }
}

// A refusal leaves existing targets as they were and creates nothing beside them.
TEST(BrainVision, RefusalsWriteNothing)
{
    test::TTempDir dir;
    TTestFileBuilder b = TTestFileBuilder::Session(2, 1, 3, 2);
    b.Cells[1].SamplesPerSecond = 500;
    const TORVAFile f = test::LoadBuilt(b, dir, "s.ses");
    const fs::path vhdr = PathFromText(dir.Path("s.vhdr"));
    test::WriteBytes(vhdr, {'o', 'l', 'd'});
    auto cause = [&](const TEpochSelection& selection, const std::vector<std::string>& names,
                     const fs::path& target) -> std::string {
        try {
            WriteBrainVision(f, LayOutEpochs(f, selection), names, target);
        } catch (const EORVAError& e) {
            return e.Cause();
        }
        return "accepted";
    };
    EXPECT_EQ(cause({}, {"a", "b"}, vhdr),
              "The exported cells must share one sampling rate, but cell 1 has 250 Hz and cell 2 has 500 Hz");
    TEpochSelection one;
    one.Cells = TSelectionList{0};
    EXPECT_EQ(cause(one, {"a", "a"}, vhdr), "The channel name \"a\" is given twice");
    EXPECT_EQ(cause(one, {"a"}, vhdr), "1 channel names were given for 2 channels");
    EXPECT_EQ(cause(one, {"a", ""}, vhdr), "Channel 2 has no name");
    one.Channels = TSelectionList{1, 1};
    EXPECT_EQ(cause(one, {"a", "b"}, vhdr), "Channels: 2 is listed twice, and a channel's name may appear only once");
    one.Channels.reset();
    one.Observations = TSelectionList{};
    EXPECT_EQ(cause(one, {"a", "b"}, vhdr),
              "There is nothing to export: no exported cell has observations with samples");
    one.Observations.reset();
    EXPECT_EQ(cause(one, {"a", "b"}, PathFromText(dir.Path("s.eeg"))),
              "The name of a BrainVision header file must end in .vhdr");
    EXPECT_EQ(test::ReadText(vhdr), "old");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(PathFromText(dir.Root())))
        left.push_back(PathText(entry.path().filename()));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"s.ses", "s.vhdr"}));

    // Accepted: all three replaced, upper-case extension kept.
    EXPECT_EQ(cause(one, {"a", "b"}, PathFromText(dir.Path("S2.VHDR"))), "accepted");
    EXPECT_TRUE(fs::exists(PathFromText(dir.Path("S2.eeg"))));
    EXPECT_TRUE(fs::exists(PathFromText(dir.Path("S2.vmrk"))));
    EXPECT_EQ(cause(one, {"a", "b"}, vhdr), "accepted");
    EXPECT_EQ(test::ReadText(vhdr).substr(0, 5), "Brain");
}

} // namespace
} // namespace orva
