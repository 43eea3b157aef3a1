#include "export/TextExport.h"
#include "model/ORVAError.h"
#include "select/NumberFormat.h"
#include "tests/support/ExportDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orva {
namespace {

using test::ExportSample;
using test::MakeDocument;
using Lines = std::vector<std::string>;

// The worked example: an average file of 2 channels, cell 1 with 3 observations of 2 samples.
TORVAFile WorkedExampleDocument()
{
    TORVAFile f = MakeDocument(true, {3}, {2}, 2);
    f.GeneralInformation.ScaleBins = 4;
    const std::int16_t raw[3][2][2] = {{{1, 8}, {0, -8}}, {{10, -1}, {5, 400}}, {{4, 0}, {-2, 2}}};
    for (int o = 0; o < 3; ++o)
        for (int s = 0; s < 2; ++s)
            for (int c = 0; c < 2; ++c)
                f.Cells[0].Data(o, s, c) = raw[o][s][c];
    return f;
}

TTextExportOptions Options(bool header, bool allCells, int cell, TObservationMode mode, int obs, bool allChans,
                           int chan)
{
    TTextExportOptions o;
    o.IncludeHeader = header;
    o.AllCells = allCells;
    o.ChosenCell = cell;
    o.ObservationMode = mode;
    o.ChosenObservation = obs;
    o.AllChannels = allChans;
    o.ChosenChannel = chan;
    return o;
}

std::string Cause(const TORVAFile& f, const TTextExportOptions& o)
{
    try {
        BuildTextExport(f, o, '.');
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), f.FullFileName);
        return e.Cause();
    }
    return "built";
}

TEST(TextExport, WorkedExampleOneObservationLineForLine)
{
    const Lines expected = {
        "Source file:s01.ave", "", "", "Cell#1\tObservation#2", "\tchan#1\tchan#2",
        "smpl#1\t 2.50\t-0.25", "smpl#2\t 1.25\t100.00",
    };
    EXPECT_EQ(BuildTextExport(WorkedExampleDocument(), Options(true, false, 1, omOne, 2, true, 1), '.'), expected);
}

TEST(TextExport, WorkedExampleAverageLineForLine)
{
    // Means of raw/4 over the three observations: (1+10+4)/12, (8-1+0)/12, (0+5-2)/12, (-8+400+2)/12.
    const Lines expected = {
        "Source file:s01.ave", "", "", "Cell#1\tAveraged Observations", "\tchan#1\tchan#2",
        "smpl#1\t 1.25\t 0.58", "smpl#2\t 0.25\t32.83",
    };
    // The chosen observation plays no part in an average.
    EXPECT_EQ(BuildTextExport(WorkedExampleDocument(), Options(true, false, 1, omAverage, 99, true, 1), '.'), expected);
}

TEST(TextExport, AverageSumsInSinglePrecision)
{
    // Session file, zero 0, gain 13. With each double value added to the float sum and rounded
    // to float the mean prints as -168348.75; adding float to float would give -168348.70 and
    // a double sum -168348.72.
    TORVAFile f = MakeDocument(false, {3}, {1}, 1);
    f.DataDescription.Zeros = {0};
    f.DataDescription.Gains = {13};
    const std::int16_t raw[] = {-28085, -12009, 23680};
    for (int o = 0; o < 3; ++o)
        f.Cells[0].Data(o, 0, 0) = raw[o];
    const Lines lines = BuildTextExport(f, Options(false, false, 1, omAverage, 1, false, 1), '.');
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], "smpl#1\t-168348.75");
}

TEST(TextExport, SessionValuesAreCalibratedWithZeroAndGain)
{
    TORVAFile f = MakeDocument(false, {1}, {1}, 3);
    f.DataDescription.Zeros = {0, 5, -10};
    f.DataDescription.Gains = {800, 800, 3};
    f.Cells[0].Data(0, 0, 0) = -3;  // -3*400/800 = -1.5
    f.Cells[0].Data(0, 0, 1) = 105; // 100*400/800 = 50
    f.Cells[0].Data(0, 0, 2) = -9;  // 1*400/3 = 133.33
    const Lines lines = BuildTextExport(f, Options(false, false, 1, omAll, 1, true, 1), ',');
    EXPECT_EQ(lines.back(), "smpl#1\t-1,50\t50,00\t133,33");
}

TEST(TextExport, LayoutOfHeaderCellsObservationsAndChannels)
{
    // Cells of 2 and 1 observations, 3 and 2 samples, 8 channels.
    const TORVAFile f = MakeDocument(true, {2, 1}, {3, 2}, 8);
    const Lines noHeader = BuildTextExport(f, Options(false, false, 2, omOne, 1, false, 7), '.');
    ASSERT_EQ(noHeader.size(), 5u);
    EXPECT_EQ(noHeader[0], "");
    EXPECT_EQ(noHeader[1], "Cell#2\tObservation#1");
    EXPECT_EQ(noHeader[2], "\tchan#7");
    EXPECT_EQ(noHeader[3].find('\t'), noHeader[3].rfind('\t')); // two fields per row
    EXPECT_EQ(noHeader[4].substr(0, 7), "smpl#2\t");

    const Lines all = BuildTextExport(f, Options(true, true, 1, omAll, 1, true, 1), '.');
    std::vector<std::string> blockTitles;
    for (const auto& line : all)
        if (line.rfind("Cell#", 0) == 0)
            blockTitles.push_back(line);
    EXPECT_EQ(blockTitles, (Lines{"Cell#1\tObservation#1", "Cell#1\tObservation#2", "Cell#2\tObservation#1"}));
    // Header 2 lines, blocks of 3 + samples: 2 + 2*(3+3) + (3+2).
    EXPECT_EQ(all.size(), 19u);
    EXPECT_EQ(all[4], "\tchan#1\tchan#2\tchan#3\tchan#4\tchan#5\tchan#6\tchan#7\tchan#8");
    // Sample 3 of observation 2 of cell 1, channel 8 (raw / ScaleBins 4).
    const std::string row = all[2 + 6 + 3 + 2];
    EXPECT_EQ(row.substr(0, 6), "smpl#3");
    EXPECT_EQ(row.substr(row.rfind('\t') + 1), Format5_2(ExportSample(0, 1, 2, 7) / 4.0, '.'));
    for (const auto& line : all)
        EXPECT_TRUE(line.empty() || line.back() != '\t') << line;

    const Lines averages = BuildTextExport(f, Options(false, true, 1, omAverage, 2, false, 1), '.');
    EXPECT_EQ(averages.size(), (3u + 3u) + (3u + 2u));
    EXPECT_EQ(averages[1], "Cell#1\tAveraged Observations");
    EXPECT_EQ(averages[7], "Cell#2\tAveraged Observations");
}

TEST(TextExport, RefusesChoicesOutsideTheDocument)
{
    TORVAFile f = MakeDocument(true, {4, 3}, {2}, 64);
    struct {
        TTextExportOptions Options;
        const char* Cause;
    } cases[] = {
        {Options(true, false, 0, omOne, 1, false, 1), "Cell 0 is outside the valid range 1 to 2"},
        {Options(true, false, 3, omAll, 1, false, 1), "Cell 3 is outside the valid range 1 to 2"},
        {Options(true, false, 1, omOne, 1, false, 65), "Channel 65 is outside the valid range 1 to 64"},
        {Options(true, false, 1, omOne, 1, false, -1), "Channel -1 is outside the valid range 1 to 64"},
        {Options(true, false, 2, omOne, 4, true, 1),
         "Observation 4 is outside the valid range 1 to 3: cell 2 has 3 observations"},
        {Options(true, false, 1, omOne, 0, true, 1),
         "Observation 0 is outside the valid range 1 to 4: cell 1 has 4 observations"},
        // All cells with an observation that only the first cell has: the other cell is named.
        {Options(true, true, 1, omOne, 4, true, 1),
         "Observation 4 is outside the valid range 1 to 3: cell 2 has 3 observations"},
        {Options(true, true, 1, static_cast<TObservationMode>(3), 1, true, 1), "Observation mode 3 is unknown"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cause(f, c.Options), c.Cause);
    EXPECT_EQ(BuildTextExport(f, Options(true, true, 1, omOne, 3, true, 1), '.').size(), 2u + 2u * 5u);
}

TEST(TextExport, RefusesDivisionsByZero)
{
    TORVAFile withEmptyCell = MakeDocument(true, {2, 0}, {2}, 2);
    EXPECT_EQ(Cause(withEmptyCell, Options(true, true, 1, omAverage, 1, true, 1)),
              "Cell 2 cannot be averaged: it has no observations");
    EXPECT_EQ(Cause(withEmptyCell, Options(true, false, 2, omOne, 1, true, 1)),
              "Observation 1 is outside the valid range: cell 2 has 0 observations");
    // All observations of an empty cell is simply no block.
    EXPECT_EQ(BuildTextExport(withEmptyCell, Options(false, false, 2, omAll, 1, true, 1), '.').size(), 0u);

    TORVAFile noScale = MakeDocument(true, {1}, {2}, 2);
    noScale.GeneralInformation.ScaleBins = 0;
    EXPECT_NE(Cause(noScale, Options(true, false, 1, omOne, 1, false, 1)).find("Scale bins is 0"), std::string::npos);

    TORVAFile noGain = MakeDocument(false, {2}, {2}, 4);
    noGain.DataDescription.Gains[2] = 0;
    EXPECT_NE(Cause(noGain, Options(true, false, 1, omAverage, 1, true, 1)).find("Gain of channel 3 is 0"),
              std::string::npos);
    // A channel that is not exported may have any gain.
    EXPECT_EQ(Cause(noGain, Options(true, false, 1, omAverage, 1, false, 2)), "built");
}

TEST(TextExport, RefusesADocumentWhoseCellsDoNotMatchTheirCounts)
{
    TORVAFile f = MakeDocument(true, {3}, {2}, 2);
    f.Cells[0].NumObservations = 5;
    EXPECT_EQ(Cause(f, Options(true, false, 1, omOne, 5, true, 1)),
              "Cell 1 does not hold the samples its header announces");
    TORVAFile g = MakeDocument(true, {3}, {2}, 2);
    g.DataDescription.NumCells = 2;
    EXPECT_EQ(Cause(g, Options(true, true, 1, omOne, 1, true, 1)), "The document announces 2 cells but holds 1");
}

} // namespace
} // namespace orva
