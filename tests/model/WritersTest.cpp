#include "model/ORVAError.h"
#include "model/ORVAFile.h"
#ifndef _WIN32
#include "tests/support/FileSizeLimit.h"
#endif
#include "tests/support/RecordingProgress.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva {
namespace {

using test::LoadChecked;
using test::ReadBytes;
using test::TRecordingProgress;
using test::TTempDir;
using test::TTestFileBuilder;
using test::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

std::int32_t BigEndian16(const Bytes& b, std::size_t at)
{
    return static_cast<std::int16_t>(b[at] << 8 | b[at + 1]);
}

class WritersTest : public ::testing::Test {
protected:
    TORVAFile LoadBuilt(const TTestFileBuilder& b, const std::string& name = "in")
    {
        b.WriteTo(dir.Path(name));
        return LoadChecked(dir.Path(name));
    }
    TTempDir dir;
};

void ExpectSameModel(const TORVAFile& a, const TORVAFile& b)
{
    EXPECT_EQ(a.FileDescription.HeaderVersion, b.FileDescription.HeaderVersion);
    EXPECT_EQ(a.FileDescription.ExperimentName, b.FileDescription.ExperimentName);
    EXPECT_EQ(a.GeneralInformation, b.GeneralInformation);
    EXPECT_EQ(a.DataDescription.NumChannels, b.DataDescription.NumChannels);
    EXPECT_EQ(a.DataDescription.CellWords, b.DataDescription.CellWords);
    EXPECT_EQ(a.DataDescription.Zeros, b.DataDescription.Zeros);
    EXPECT_EQ(a.DataDescription.Gains, b.DataDescription.Gains);
    EXPECT_EQ(a.Comment, b.Comment);
    EXPECT_EQ(a.TextSegment, b.TextSegment);
    ASSERT_EQ(a.Cells.size(), b.Cells.size());
    for (std::size_t i = 0; i < a.Cells.size(); ++i) {
        EXPECT_EQ(a.Cells[i].Name, b.Cells[i].Name);
        EXPECT_EQ(a.Cells[i].CellNumber, b.Cells[i].CellNumber);
        EXPECT_EQ(a.Cells[i].TrialSpecifics, b.Cells[i].TrialSpecifics);
        EXPECT_EQ(a.Cells[i].Data, b.Cells[i].Data);
    }
}

TEST_F(WritersTest, SaveToFileReproducesAConsistentFileByteForByte)
{
    for (auto b : {TTestFileBuilder::Average(3, 2, 5, 4), TTestFileBuilder::Session(2, 3, 4, 64),
                   TTestFileBuilder::Average(0, 0, 0, 0)}) {
        b.PaddingLength = 77;
        const Bytes original = b.Build();
        TORVAFile f = LoadBuilt(b);
        f.Saved = false;
        f.SaveToFile(dir.Path("out"));
        EXPECT_TRUE(f.Saved);
        EXPECT_EQ(ReadBytes(dir.Path("out")), original);
    }
}

TEST_F(WritersTest, ZerosTheBytesThatCarryNoValue)
{
    auto b = TTestFileBuilder::Average(1, 1, 2, 2);
    b.General = {1, 2, 3, 4, 5, 6, 12, 10, 11, 200, 7, 8, 9};
    b.PaddingLength = 4;
    Bytes bytes = b.Build();
    const std::size_t name = 12 + 3, padding = b.HeaderSize() - 4;
    bytes[name + 20] = 'Z'; // after the name's first NUL
    bytes[padding + 1] = 0xEE;
    const std::string path = dir.Path("garbage");
    WriteBytes(path, bytes);
    TORVAFile f = LoadChecked(path);
    f.SaveToFile(dir.Path("clean"));
    Bytes clean = ReadBytes(dir.Path("clean"));
    ASSERT_EQ(clean.size(), bytes.size());
    EXPECT_EQ(clean[name + 20], 0);
    EXPECT_EQ(clean[padding + 1], 0);
    for (std::size_t word : {0, 1, 2, 3, 4, 5, 10, 11, 12})
        EXPECT_EQ(BigEndian16(clean, 92 + 2 * word), 0) << word;
    EXPECT_EQ(BigEndian16(clean, 92 + 2 * 7), 10);
}

TEST_F(WritersTest, SaveRemappedReordersChannelsWithZerosGainsAndSamples)
{
    auto b = TTestFileBuilder::Session(2, 2, 3, 4);
    TORVAFile f = LoadBuilt(b);
    f.Saved = false;
    f.SaveRemapped(dir.Path("mapped"), {2, 2, -1, 4, 99});
    EXPECT_FALSE(f.Saved);
    TORVAFile m = LoadChecked(dir.Path("mapped"));
    EXPECT_EQ(m.DataDescription.Zeros, (std::vector<std::int32_t>{2042, 2042, 0, 0}));
    EXPECT_EQ(m.DataDescription.Gains, (std::vector<std::int32_t>{1606, 1606, 1638, 1638}));
    for (int c = 0; c < 2; ++c)
        for (int o = 0; o < 2; ++o)
            for (int s = 0; s < 3; ++s) {
                const auto& in = f.Cells[static_cast<std::size_t>(c)].Data;
                const auto& out = m.Cells[static_cast<std::size_t>(c)].Data;
                EXPECT_EQ(out(o, s, 0), in(o, s, 2));
                EXPECT_EQ(out(o, s, 1), in(o, s, 2));
                EXPECT_EQ(out(o, s, 2), 0);
                EXPECT_EQ(out(o, s, 3), 0);
            }
    EXPECT_THROW(f.SaveRemapped(dir.Path("short"), {0, 1}), EORVAError);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("short")));
}

TEST_F(WritersTest, SaveCellLaysOutItsHeaderIn512ByteBlocks)
{
    auto b = TTestFileBuilder::Average(2, 2, 3, 64);
    b.Comment = b.Text = "";
    TORVAFile f = LoadBuilt(b);
    f.Saved = false;
    f.SaveCell(dir.Path("cell2"), 1);
    EXPECT_TRUE(f.Saved);
    const Bytes bytes = ReadBytes(dir.Path("cell2"));
    EXPECT_EQ(BigEndian16(bytes, 6), 1024); // a = 222 + 256 + 56 = 534
    EXPECT_EQ(BigEndian16(bytes, 126), 490);
    EXPECT_EQ(bytes.size(), 1024u + 3 * 256);
    TORVAFile cell = LoadChecked(dir.Path("cell2"));
    EXPECT_EQ(cell.DataDescription.NumCells, 1);
    EXPECT_EQ(cell.DataDescription.CellWords, (std::vector<std::int32_t>{101}));
    EXPECT_EQ(cell.Cells[0].Data, f.Cells[1].Data);
    EXPECT_EQ(cell.Cells[0].TrialSpecifics, f.Cells[1].TrialSpecifics);
    EXPECT_EQ(f.FileDescription.HeaderLength, static_cast<std::int32_t>(b.HeaderSize())); // the model is unchanged
}

TEST_F(WritersTest, SaveCellPaddingAtTheBlockBoundaries)
{
    // a = 222 + 4 * channels + comment: choose the comment so that a is 511, 512 or 1024.
    struct {
        int a, header, padding;
    } cases[] = {{511, 512, 1}, {512, 1024, 512}, {1024, 1536, 512}, {1023, 1024, 1}};
    for (const auto& c : cases) {
        auto b = TTestFileBuilder::Session(1, 1, 1, 2);
        b.Cells[0].TrialSpecificsLength = 0;
        b.Text = "";
        b.Comment = std::string(static_cast<std::size_t>(c.a - 222 - 8), 'c');
        TORVAFile f = LoadBuilt(b);
        f.SaveCell(dir.Path("c"), 0);
        const Bytes bytes = ReadBytes(dir.Path("c"));
        EXPECT_EQ(BigEndian16(bytes, 6), c.header) << c.a;
        EXPECT_EQ(BigEndian16(bytes, 126), c.padding) << c.a;
        LoadChecked(dir.Path("c"));
    }
}

TEST_F(WritersTest, SaveCellRefusesAHeaderBeyondTheLengthField)
{
    auto b = TTestFileBuilder::Session(1, 1, 1, 1);
    b.Cells[0].TrialSpecificsLength = 0;
    b.Comment = std::string(16100, 'c');
    b.Text = std::string(16000, 't');
    TORVAFile f = LoadBuilt(b);
    f.Saved = false;
    try {
        f.SaveCell(dir.Path("big"), 0);
        FAIL() << "wrote an undescribable header";
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Cause(), "Cannot write cell 1: its header needs 32768 bytes, more than a header length field "
                             "can describe (32767)");
    }
    EXPECT_FALSE(f.Saved);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("big")));
}

TEST_F(WritersTest, HeaderThatDoesNotAddUpIsWrittenConsistently)
{
    // Header fields shorter than HeaderLength (bytes no field accounts for), longer than it,
    // and a DataLength that does not match the samples.
    auto gap = TTestFileBuilder::Average(1, 2, 3, 4);
    gap.HeaderLength = static_cast<std::int16_t>(gap.HeaderSize() + 10);
    auto raw = gap.Build();
    raw.insert(raw.begin() + static_cast<std::ptrdiff_t>(gap.HeaderSize()), 10, 0x55);
    WriteBytes(dir.Path("gap"), raw);

    auto overlap = TTestFileBuilder::Session(1, 2, 3, 4);
    overlap.HeaderLength = 140;
    overlap.DataLength = static_cast<std::int32_t>(overlap.Build().size()) - 140;
    overlap.WriteTo(dir.Path("overlap"));

    auto wrongData = TTestFileBuilder::Session(1, 2, 3, 4);
    wrongData.DataLength = 5;
    wrongData.Trailing.resize(43);
    wrongData.WriteTo(dir.Path("wrongdata"));

    for (const char* name : {"gap", "overlap", "wrongdata"}) {
        TORVAFile f;
        f.CheckFile(dir.Path(name));
        f.LoadFromFile(dir.Path(name));
        f.SaveToFile(dir.Path(std::string(name) + ".out"));
        TORVAFile back = LoadChecked(dir.Path(std::string(name) + ".out")); // passes CheckFile
        ExpectSameModel(f, back);
        if (std::string(name) == "gap") {
            EXPECT_EQ(back.FileDescription.HeaderLength, f.FileDescription.HeaderLength);
            EXPECT_EQ(back.DataDescription.PaddingLength, 10);
        }
    }
}

#ifndef _WIN32 // a full disk is provoked through a POSIX file size limit
TEST_F(WritersTest, FailedSaveReportsTheFileAndKeepsTheTarget)
{
    TORVAFile f = LoadBuilt(TTestFileBuilder::Session(2, 100, 250, 8));
    const std::string target = dir.Path("old.ses");
    WriteBytes(target, {1, 2, 3});
    f.Saved = false;
    TRecordingProgress progress;
    try {
        test::TFileSizeLimit fullDisk(200000);
        f.SaveToFile(target, &progress);
        FAIL() << "reported a failed write as success";
    } catch (const EORVAError& e) {
        EXPECT_EQ(std::string(e.what()), target + ": Write failed: File too large");
    }
    EXPECT_FALSE(f.Saved);
    EXPECT_EQ(ReadBytes(target), (Bytes{1, 2, 3}));
    EXPECT_EQ(progress.Running, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Root()), {}), 2); // no partial file left
}
#endif

TEST_F(WritersTest, UncreatableFileIsReportedBeforeAnythingIsWritten)
{
    TORVAFile f = LoadBuilt(TTestFileBuilder::Average(1, 2, 3, 4));
    const std::string target = dir.Path("missing-folder/out.ave");
    try {
        f.SaveCell(target, 0);
        FAIL() << "created a file in a missing folder";
    } catch (const EORVAError& e) {
        EXPECT_EQ(std::string(e.what()), target + ": Cannot create file: No such file or directory");
    }
}

TEST_F(WritersTest, ProgressCaptionsAndMaximum)
{
    TORVAFile f = LoadBuilt(TTestFileBuilder::Session(2, 3, 4, 5));
    TRecordingProgress whole, cell;
    f.SaveToFile(dir.Path("whole.ses"), &whole);
    f.SaveCell(dir.Path("one.ses"), 1, &cell);
    EXPECT_EQ(whole.Calls, (std::vector<std::string>{"Begin Saving whole.ses...", "End"}));
    EXPECT_EQ(whole.Maximum, 1 + 2 * 3 * 4 * 5);
    EXPECT_EQ(whole.EventTurns, 6);
    EXPECT_FALSE(whole.PositionReachedMaximumEarly);
    EXPECT_EQ(cell.Calls.front(), "Begin Saving one.ses...");
    EXPECT_EQ(cell.Maximum, 1 + 3 * 4 * 5);
}

} // namespace
} // namespace orva
