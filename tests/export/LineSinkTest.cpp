#include "export/SampleText.h"
#include "export/StatsExport.h"
#include "export/TextExport.h"
#include "model/ORVAError.h"
#include "select/LineSink.h"
#include "select/NumberFormat.h"
#include "tests/support/ExportDocument.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::ExportSample;
using test::MakeDocument;
using test::ReadText;
using test::TTempDir;

int EntriesIn(const std::string& folder)
{
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

TEST(LineSink, FileSinkWritesLineEndsAndCreatesNothingBeforeItsFirstLine)
{
    TTempDir dir;
    const std::string path = dir.Path("out.csv");
    SaveLines(path, "\n", [](TLineSink& sink) {
        sink.Write("a,");
        sink.Write("b");
        sink.EndLine();
        sink.Line("");
        sink.Line("c");
    });
    EXPECT_EQ(ReadText(path), "a,b\n\nc\n");

    // A writer that refuses before its first line leaves the existing file and nothing else.
    EXPECT_THROW(SaveLines(path, kCrLf, [](TLineSink&) { throw EORVAError("in", "refused"); }), EORVAError);
    EXPECT_EQ(ReadText(path), "a,b\n\nc\n");
    EXPECT_EQ(EntriesIn(dir.Root()), 1);
    // One that fails part way leaves it too, and no temporary file.
    EXPECT_THROW(SaveLines(path, kCrLf,
                           [](TLineSink& sink) {
                               sink.Line("half");
                               throw EORVAError("in", "failed");
                           }),
                 EORVAError);
    EXPECT_EQ(ReadText(path), "a,b\n\nc\n");
    EXPECT_EQ(EntriesIn(dir.Root()), 1);

    // An output without lines is an empty file.
    SaveLines(dir.Path("empty.txt"), kCrLf, [](TLineSink&) {});
    EXPECT_TRUE(std::filesystem::exists(dir.Path("empty.txt")));
    EXPECT_EQ(std::filesystem::file_size(dir.Path("empty.txt")), 0u);
}

TEST(LineSink, ComposerPassesLinesLongerThanItsBufferWhole)
{
    const std::size_t sizes[] = {0, 1, TLineComposer::kCapacity - 1, TLineComposer::kCapacity,
                                 TLineComposer::kCapacity + 1, 3 * TLineComposer::kCapacity + 17};
    for (std::size_t size : sizes) {
        TLineCollector lines;
        TLineComposer composer(lines);
        std::string expected;
        for (std::size_t i = 0; i < size; ++i) {
            const char ch = static_cast<char>('a' + i % 26);
            composer.Append(ch);
            expected.push_back(ch);
        }
        composer.EndLine();
        composer.Append(std::string(size, 'x'));
        composer.AppendNumber(-42);
        composer.EndLine();
        ASSERT_EQ(lines.Lines.size(), 2u) << size;
        EXPECT_EQ(lines.Lines[0], expected) << size;
        EXPECT_EQ(lines.Lines[1], std::string(size, 'x') + "-42") << size;
    }
}

// A remembered text must never be served for another channel or raw value that shares its
// slot: channels 64 apart and raw values 1024 apart do.
TEST(SampleText, AlwaysTheTextOfFormatFixed)
{
    for (bool average : {true, false}) {
        TORVAFile f = MakeDocument(average, {1}, {1}, 130);
        f.GeneralInformation.ScaleBins = 7;
        for (int c = 0; c < 130; ++c) {
            f.DataDescription.Zeros[static_cast<std::size_t>(c)] = c % 2 ? -32768 : 32767; // widest values
            f.DataDescription.Gains[static_cast<std::size_t>(c)] = c % 3 ? 1 : 1600 + c;
        }
        for (int width : {0, 5}) {
            TSampleText text(f, width, ',');
            char out[kMaxFormattedLength];
            for (int round = 0; round < 2; ++round)
                for (int c : {0, 64, 128, 1, 65, 129})
                    for (int v = -32768; v <= 32767; v += 97) {
                        const int raw = round == 0 ? v : -1 - v; // the second round in the other order
                        const std::size_t n = text.Put(out, static_cast<std::int16_t>(raw), c);
                        char expected[kMaxFormattedLength];
                        const std::size_t m = FormatFixed(expected, CalibratedValue(f, raw, c), width, 2, ',');
                        ASSERT_EQ(std::string(out, n), std::string(expected, m))
                            << average << " " << width << " " << c << " " << raw;
                    }
        }
    }
}

// The table is left aside while most values miss it and taken up again later; the texts stay
// those of FormatFixed throughout.
TEST(SampleText, SameTextsWhetherTheTableIsUsedOrLeftAside)
{
    const TORVAFile f = MakeDocument(false, {1}, {1}, 3);
    TSampleText text(f, 5, '.');
    char out[kMaxFormattedLength];
    char expected[kMaxFormattedLength];
    long long puts = 0;
    auto check = [&](int raw, int c) {
        const std::size_t n = text.Put(out, static_cast<std::int16_t>(raw), c);
        const std::size_t m = FormatFixed(expected, CalibratedValue(f, raw, c), 5, 2, '.');
        ++puts;
        return std::string(out, n) == std::string(expected, m);
    };
    // Every 16-bit value in a scattered order: nearly all miss.
    for (int i = 0; i < (1 << 16) + 16; ++i)
        ASSERT_TRUE(check(static_cast<std::int16_t>(static_cast<std::uint32_t>(i) * 40503u), i % 3)) << puts;
    EXPECT_FALSE(text.Remembering());
    for (int i = 0; i < (1 << 20); ++i)
        ASSERT_TRUE(check(static_cast<std::int16_t>(static_cast<std::uint32_t>(i) * 40503u), i % 3)) << puts;
    EXPECT_TRUE(text.Remembering());
    // A few values again and again: they hit, and the table stays in use.
    for (int i = 0; i < 3 * (1 << 16); ++i)
        ASSERT_TRUE(check(i % 50 - 25, i % 3)) << puts;
    EXPECT_TRUE(text.Remembering());
}

// Every row is handed to the file in pieces when it is wider than the composer's buffer.
TEST(StreamedExports, WideStatsRowsAreWrittenWhole)
{
    TTempDir dir;
    const TORVAFile f = MakeDocument(true, {300}, {2}, 64);
    const TSelectionList cells = ParseSelectionList("1");
    const TSelectionList observations = ParseSelectionList(NumberListText(1, 300));
    const TSelectionList channels = ParseSelectionList(NumberListText(1, 64));
    const TSelectionList samples = ParseSelectionList("2 1");
    SaveLines(dir.Path("stats.txt"), kCrLf, [&](TLineSink& sink) {
        WriteStatsExport(f, cells, observations, channels, samples, '.', sink);
    });
    const std::string text = ReadText(dir.Path("stats.txt"));
    std::vector<std::string> rows;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        rows.push_back(text.substr(start, end - start));
    ASSERT_EQ(rows.size(), 5u);
    for (int row = 0; row < 2; ++row) {
        std::string expected;
        for (int o = 0; o < 300; ++o)
            for (int h = 0; h < 64; ++h)
                expected += (expected.empty() ? "" : "\t") + Format5_2(ExportSample(0, o, 1 - row, h) / 4.0, '.');
        ASSERT_GT(expected.size(), TLineComposer::kCapacity);
        EXPECT_EQ(rows[3 + static_cast<std::size_t>(row)], expected);
    }
    EXPECT_EQ(rows[2].substr(0, 15), "chan# 1\tchan# 2");
}

TEST(StreamedExports, RefusedTextExportCreatesNoFile)
{
    TTempDir dir;
    const TORVAFile f = MakeDocument(true, {2}, {3}, 2);
    TTextExportOptions options;
    options.ChosenChannel = 3;
    EXPECT_THROW(SaveLines(dir.Path("t.txt"), kCrLf,
                           [&](TLineSink& sink) { WriteTextExport(f, options, '.', sink); }),
                 EORVAError);
    EXPECT_EQ(EntriesIn(dir.Root()), 0);
}

} // namespace
} // namespace orva
