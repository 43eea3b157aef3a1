// Files that end before their header says: missing values read as 0, but cost neither
// memory nor time in proportion to what the header declares.
#include "model/BigEndianFileStream.h"
#include "model/MemoryStream.h"
#include "model/ORVAFile.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace orva {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TTestFileBuilder;

TORVAFile LoadBytes(const Bytes& bytes)
{
    TBigEndianFileStream s(MemoryReader(bytes), "cut.ses", TFileMode::fmOpenRead);
    TORVAFile f;
    f.LoadFromStream(s, "cut.ses");
    return f;
}

Bytes CutTo(Bytes bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}

// 226 bytes: a session header of one channel and one cell that declares 32767 observations
// of 16383 trial-specific words each (1 GiB), followed by `extra` bytes of those words.
Bytes ImpossibleTrialSpecifics(std::size_t extra)
{
    auto b = TTestFileBuilder::Session(1, 0, 0, 1);
    b.Cells[0].TrialSpecificsLength = 32766;
    b.Comment.clear();
    b.Text.clear();
    b.HeaderLength = 226;
    b.DataLength = 2147483647 - 226;
    Bytes bytes = b.Build();
    const std::size_t numObservations = 130 + 2 + 4 + 82;
    bytes[numObservations] = 0x7F;
    bytes[numObservations + 1] = 0xFF;
    bytes.resize(226 + extra, 0x11);
    return bytes;
}

// A session file of `observations` observations of 250 samples on 64 channels, cut to the
// first `keep` bytes (about 2 KB: the header and a few samples).
TTestFileBuilder LargeSession(int observations)
{
    auto b = TTestFileBuilder::Session(1, 1, 250, 64);
    b.Cells[0].NumObservations = static_cast<std::int16_t>(observations);
    b.Cells[0].TrialSpecificsLength = 0;
    b.Cells[0].Data.assign(250 * 64, 5); // the one observation the builder writes
    b.DataLength = observations * 250 * 64 * 2;
    return b;
}

TEST(TruncatedFile, KeepsWhatTheFileHoldsAndReadsTheRestAsZero)
{
    const Bytes full = LargeSession(4).Build(); // holds observation 1 only
    for (std::size_t size : {full.size(), full.size() - 1, full.size() - 129}) {
        SCOPED_TRACE(size);
        TORVAFile f = LoadBytes(CutTo(full, size));
        const auto& data = f.Cells[0].Data;
        ASSERT_EQ(data.Observations(), 4);
        const std::size_t present = (size - static_cast<std::size_t>(f.FileDescription.HeaderLength)) / 2;
        for (std::size_t i = 0; i < data.size(); ++i)
            ASSERT_EQ(data.data()[i], i < present ? 5 : 0) << i;
    }
}

TEST(TruncatedFile, CountsTheObservationsWhoseTrialSpecificsItHolds)
{
    auto b = TTestFileBuilder::Session(1, 5, 1, 1);
    b.Cells[0].TrialSpecificsLength = 6; // 3 words per observation
    const Bytes full = b.Build();
    const std::size_t specifics = 130 + 2 + 4 + 90; // where observation 1's words begin
    const struct {
        std::size_t size;
        std::int32_t inFile;
    } cases[] = {{specifics, 0}, {specifics + 1, 0}, {specifics + 2, 1}, {specifics + 6, 1},
                 {specifics + 8, 2}, {specifics + 30, 5}, {full.size(), 5}};
    for (const auto& c : cases) {
        TORVAFile f = LoadBytes(CutTo(full, c.size));
        EXPECT_EQ(f.Cells[0].TrialSpecifics.ObservationsInFile(), c.inFile) << c.size;
    }
}

std::vector<std::string> Report(const TORVAFile& f)
{
    std::vector<std::string> lines;
    f.GetHeaderText(lines);
    return lines;
}

// Trial specifics beyond the end of the file are summed up in one line, but only when the
// header declares more than any header can hold; otherwise every observation has its line.
TEST(TruncatedFile, ReportSumsUpMissingTrialSpecificsOfAnImpossibleHeader)
{
    const auto lines = Report(LoadBytes(ImpossibleTrialSpecifics(4))); // two words of observation 1
    ASSERT_LT(lines.size(), 100u);
    std::string observation1 = "   Obs.#1 Trial specifics : 4369 4369"; // the words 11 11 that are there
    for (int w = 2; w < 16383; ++w)
        observation1 += " 0";
    EXPECT_TRUE(lines[lines.size() - 2] == observation1); // (not printed: 32 KB)
    EXPECT_EQ(lines.back(), "   Obs.#2 to #32767 Trial specifics : not in the file (read as 0)");

    // A header that could be written lists every observation, present or not, so that a
    // saved copy (which holds the zeros) gives the same report.
    auto small = TTestFileBuilder::Average(1, 3, 2, 2);
    const Bytes full = small.Build();
    const TORVAFile cut = LoadBytes(CutTo(full, 130 + 2 + 8 + 90 + 28));
    const auto listed = Report(cut);
    EXPECT_EQ(listed[listed.size() - 2], "   Subj.#3 Number of obs. : 0");
    Bytes saved;
    TBigEndianFileStream out(MemoryWriter(saved), "cut.ses", TFileMode::fmCreate);
    cut.SaveRemappedTo(out, IdentityChannelMap(cut.NumChannels()));
    EXPECT_EQ(Report(LoadBytes(saved)), listed);
}

// Cell records beyond the end of an impossible header are summed up too: a 130-byte file
// that declares 32767 cells reports them in one line, not in a quarter of a million.
TEST(TruncatedFile, ReportSumsUpMissingCellsOfAnImpossibleHeader)
{
    auto b = TTestFileBuilder::Session(2, 1, 1, 1);
    b.NumCells = 32767;
    b.Comment.clear();
    b.Text.clear();
    b.HeaderLength = 400;
    b.DataLength = 2147483647 - 400;
    const Bytes bytes = b.Build(); // the 32767 cell words alone would take 64 KB
    const TORVAFile f = LoadBytes(bytes);
    EXPECT_FALSE(f.Cells[0].RecordInFile);
    const auto lines = Report(f);
    EXPECT_EQ(lines.back(), " [Cells 1 to 32767: not in the file (every field read as 0)]");
    EXPECT_LT(lines.size(), 60u);
}

#ifndef _WIN32
// The peak memory of a child process that loads `bytes`, in bytes.
long PeakOfLoading(const Bytes& bytes)
{
    const pid_t child = fork();
    if (child == 0) {
        try {
            TORVAFile f = LoadBytes(bytes);
            std::vector<std::string> lines;
            f.GetHeaderText(lines);
            _exit(f.Cells.empty() ? 2 : 0);
        } catch (...) {
            _exit(3);
        }
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
#ifdef __APPLE__
    return usage.ru_maxrss;
#else
    return usage.ru_maxrss * 1024;
#endif
}

TEST(TruncatedFile, MemoryFollowsTheFileNotTheHeader)
{
    // What a child that loads a small whole file holds: the test program and, in a cross
    // build, the emulator that runs it. The files below may add little to that.
    const long base = PeakOfLoading(LargeSession(1).Build());
    ASSERT_GT(base, 0);

    // 2 KB that declare 200 MB of samples (6553 observations of 250 samples on 64 channels).
    const Bytes tiny = CutTo(LargeSession(6553).Build(), 2048);
    const long peak = PeakOfLoading(tiny);
    ASSERT_GT(peak, 0);
    EXPECT_LT(peak - base, 32L << 20) << "peak " << peak << ", small file " << base;

    // 226 bytes that declare 32767 observations of 16383 trial-specific words (1 GiB).
    const long trialsPeak = PeakOfLoading(ImpossibleTrialSpecifics(0));
    ASSERT_GT(trialsPeak, 0);
    EXPECT_LT(trialsPeak - base, 32L << 20) << "peak " << trialsPeak << ", small file " << base;
}
#endif

} // namespace
} // namespace orva
