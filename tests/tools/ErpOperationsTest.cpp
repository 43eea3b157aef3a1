// The ERP operations on files small enough to check by hand: one or two channels, a few
// samples, values whose means and scales can be worked out in one's head.
#include "model/ORVAError.h"
#include "tests/support/LoadChecked.h"
#include "tests/support/TestFileBuilder.h"
#include "tools/ErpAverage.h"
#include "tools/ErpCombine.h"
#include "tools/ErpTraces.h"

#include <gtest/gtest.h>

namespace orva::test {
namespace {

// A session file whose values are the raw samples (zero 0, gain 400).
TTestFileBuilder PlainSession(std::vector<TTestCell> cells, int channels)
{
    TTestFileBuilder b = TTestFileBuilder::Session(0, 0, 0, channels);
    b.Zeros.assign(static_cast<std::size_t>(channels), 0);
    b.Gains.assign(static_cast<std::size_t>(channels), 400);
    b.Cells = std::move(cells);
    return b;
}

// An average file at ScaleBins 10 (value = raw / 10), baseline 8 ms, 250 samples a second.
TTestFileBuilder PlainAverage(std::vector<TTestCell> cells, int channels)
{
    TTestFileBuilder b = TTestFileBuilder::Average(0, 0, 0, channels);
    b.General[9] = 8;
    b.Cells = std::move(cells);
    return b;
}

TTestCell Cell(const std::string& name, int observations, int samples, std::vector<std::int16_t> data,
               std::int16_t number = 1)
{
    TTestCell c;
    c.Name = name;
    c.CellNumber = number;
    c.NumObservations = static_cast<std::int16_t>(observations);
    c.SamplesPerObservation = static_cast<std::int16_t>(samples);
    c.Data = std::move(data);
    return c;
}

class ErpTest : public ::testing::Test {
protected:
    TORVAFile Load(const TTestFileBuilder& b, const std::string& name = "in.ave")
    {
        b.WriteTo(dir.Path(name));
        return LoadChecked(dir.Path(name));
    }
    // The refusal's text, or "" when nothing was refused.
    template <class F> std::string Refusal(F&& f)
    {
        try {
            f();
        } catch (const EORVAError& e) {
            return e.what();
        }
        return "";
    }
    TTempDir dir;
};

double Value(const TORVAFile& f, int c, int o, int s, int h)
{
    return CalibratedValue(f, f.Cells[static_cast<std::size_t>(c)].Data(o, s, h), h);
}

TEST_F(ErpTest, AverageIsTheMeanOfTheChosenTrialsAtTheScaleTheLargestNeeds)
{
    // Sample 0: 10, 20, 30; sample 1: 1, 2, 4 (one channel).
    TTestCell cell = Cell("tone", 3, 2, {10, 1, 20, 2, 30, 4});
    cell.TrialSpecificsLength = 4;
    const TORVAFile session = Load(PlainSession({cell}, 1), "in.ses");
    TAverageOptions all;
    all.BaselineMs = 100;
    const TORVAFile a = AverageSession(session, all).File;
    ASSERT_TRUE(a.IsAverageFile());
    // Mean 20 and 7/3: the largest is 20, so ScaleBins is floor(32767 / 20) = 1638.
    EXPECT_EQ(a.GeneralInformation.ScaleBins, 1638);
    EXPECT_EQ(a.Cells[0].Data(0, 0, 0), 20 * 1638);
    EXPECT_EQ(a.Cells[0].Data(0, 1, 0), 3822); // 7/3 x 1638
    EXPECT_EQ(a.Cells[0].NumObservations, 1);
    EXPECT_EQ(a.Cells[0].TrialSpecificsLength, 28);
    EXPECT_EQ(a.Cells[0].TrialSpecifics(0, 0), 3);
    for (int w = 1; w < 14; ++w)
        EXPECT_EQ(a.Cells[0].TrialSpecifics(0, w), 0);
    EXPECT_EQ(a.GeneralInformation.LastSubjectDone, 1);
    EXPECT_EQ(a.GeneralInformation.ScaleCalibration, 0);
    EXPECT_EQ(a.GeneralInformation.BaselineDuration, 100);
    EXPECT_EQ(a.Comment, session.Comment);
    EXPECT_EQ(a.DataDescription.CellWords, session.DataDescription.CellWords);

    // Observations 3, 1 and 3 again: the mean of 10 and 30, and of 1 and 4.
    TAverageOptions some;
    some.Observations = TSelectionList{2, 0, 2};
    TORVAFile b = AverageSession(session, some).File;
    EXPECT_EQ(b.Cells[0].TrialSpecifics(0, 0), 2);
    EXPECT_DOUBLE_EQ(Value(b, 0, 0, 0, 0), 20.0);
    EXPECT_NEAR(Value(b, 0, 0, 1, 0), 2.5, 0.5 / b.GeneralInformation.ScaleBins);

    // The file written and read back is what was built.
    b.SaveToFile(dir.Path("out.ave"));
    const TORVAFile back = LoadChecked(dir.Path("out.ave"));
    EXPECT_EQ(back.Cells[0].Data, b.Cells[0].Data);
    EXPECT_EQ(back.GeneralInformation, b.GeneralInformation);
}

TEST_F(ErpTest, AverageCalibratesWithZeroAndGain)
{
    TTestFileBuilder b = PlainSession({Cell("c", 2, 1, {12, 2, 22, 2})}, 2);
    b.Zeros = {2, 2};
    b.Gains = {800, 200}; // (raw - 2) x 400 / gain: channel 1 halves, channel 2 doubles
    const TORVAFile a = AverageSession(Load(b, "in.ses"), {}).File;
    EXPECT_NEAR(Value(a, 0, 0, 0, 0), 7.5, 1e-3); // (5 + 10) / 2
    EXPECT_NEAR(Value(a, 0, 0, 0, 1), 0.0, 1e-12);
}

TEST_F(ErpTest, AverageRefusesWhatItCannotAverage)
{
    const TORVAFile session = Load(PlainSession({Cell("a", 2, 1, {1, 2}), Cell("b", 1, 1, {3})}, 1), "in.ses");
    TAverageOptions beyond;
    beyond.Observations = TSelectionList{1};
    const std::string text = Refusal([&] { AverageSession(session, beyond); });
    EXPECT_NE(text.find("in.ses"), std::string::npos) << text;
    EXPECT_NE(text.find("Observations: 2 is outside"), std::string::npos) << text;
    EXPECT_NE(text.find("cell 2 \"b\" has 1 observations"), std::string::npos) << text;

    const TORVAFile empty = Load(PlainSession({Cell("a", 1, 1, {1}), Cell("none", 0, 1, {})}, 1), "empty.ses");
    EXPECT_NE(Refusal([&] { AverageSession(empty, {}); }).find("cell 2 \"none\" has no observation"),
              std::string::npos);
    const TORVAFile average = Load(PlainAverage({Cell("a", 1, 1, {1})}, 1));
    EXPECT_NE(Refusal([&] { AverageSession(average, {}); }).find("takes session files"), std::string::npos);
}

TEST_F(ErpTest, UntouchedCellsAreStoredAgainAtTheNewScale)
{
    // ScaleBins 10: cell 1 holds 10 and -5 uV, cell 2 holds 3 and 2 uV.
    const TORVAFile f = Load(PlainAverage({Cell("a", 1, 2, {100, -50}, 4), Cell("b", 1, 2, {30, 20}, 9)}, 1));
    TDifferenceOptions options;
    options.CellA = 0;
    options.CellB = 1;
    const TORVAFile d = DifferenceWave(f, options).File;
    ASSERT_EQ(d.NumCells(), 3);
    // The largest value is 10 uV: ScaleBins floor(32767 / 10) = 3276.
    EXPECT_EQ(d.GeneralInformation.ScaleBins, 3276);
    EXPECT_EQ(d.Cells[0].Data(0, 0, 0), 32760);
    EXPECT_EQ(d.Cells[1].Data(0, 1, 0), 6552);
    EXPECT_EQ(d.Cells[2].Data(0, 0, 0), 7 * 3276);
    EXPECT_EQ(d.Cells[2].Data(0, 1, 0), -7 * 3276);
    EXPECT_EQ(d.Cells[2].Name, "a-b");
    EXPECT_EQ(d.Cells[2].CellNumber, 10);
    EXPECT_EQ(d.DataDescription.CellWords[2], f.DataDescription.CellWords[0]);
    EXPECT_EQ(d.Cells[2].TrialSpecifics, f.Cells[0].TrialSpecifics);
    EXPECT_EQ(d.GeneralInformation.LastSubjectDone, f.GeneralInformation.LastSubjectDone);

    options.Name = std::string(100, 'x');
    EXPECT_EQ(DifferenceWave(f, options).File.Cells[2].Name, std::string(80, 'x'));
}

TEST_F(ErpTest, DifferenceRefusesSessionsAndCellsThatDoNotPair)
{
    const TORVAFile f = Load(PlainAverage({Cell("a", 1, 2, {1, 2}), Cell("b", 2, 2, {1, 2, 3, 4})}, 1));
    TDifferenceOptions options;
    options.CellB = 1;
    EXPECT_NE(Refusal([&] { DifferenceWave(f, options); }).find("cell 1 \"a\" has 1 observations, cell 2 \"b\" has 2"),
              std::string::npos);
    options.CellB = 2;
    EXPECT_NE(Refusal([&] { DifferenceWave(f, options); }).find("Cells: 3 is outside"), std::string::npos);
    const TORVAFile s = Load(PlainSession({Cell("a", 1, 1, {1})}, 1), "in.ses");
    EXPECT_NE(Refusal([&] { DifferenceWave(s, {}); }).find("not paired"), std::string::npos);
}

TEST_F(ErpTest, AValueBeyondWhatAnySampleHoldsIsRefusedByPlace)
{
    // ScaleBins 1 with -32768: stored again it would need a scale below 1.
    TTestFileBuilder b = PlainAverage({Cell("a", 1, 1, {0, 5}), Cell("loud", 2, 2, {0, 0, 1, 1, 7, 7, 2, -32768})}, 2);
    b.General[7] = 1;
    const TORVAFile f = Load(b);
    const std::string text = Refusal([&] { AverageReference(f, {}); });
    // Its mean over both channels is (2 - 32768) / 2, and channel 2 less it is -16385.
    EXPECT_EQ(text, "");
    const std::string refused = Refusal([&] { DifferenceWave(f, {}); });
    EXPECT_NE(refused.find(PathText(f.FullFileName)), std::string::npos) << refused;
    EXPECT_NE(refused.find("cell 2 \"loud\", observation 2, channel 2, sample 2 is -32768.000 uV"), std::string::npos)
        << refused;
    // 32767 at ScaleBins 1 still fits.
    b.Cells[1].Data.back() = 32767;
    EXPECT_EQ(DifferenceWave(Load(b, "fits.ave"), {}).File.GeneralInformation.ScaleBins, 1);
}

TEST_F(ErpTest, BaselineTakesOutTheMeanBeforeTheStimulus)
{
    // 250 samples a second after 8 ms of baseline: samples at -8, -4, 0 and 4 ms.
    const TORVAFile f = Load(PlainAverage({Cell("a", 1, 4, {10, 30, 100, 200})}, 1));
    const TORVAFile b = CorrectBaseline(f, {}).File;
    EXPECT_EQ(b.GeneralInformation.BaselineDuration, 8);
    const double step = 1.0 / b.GeneralInformation.ScaleBins;
    EXPECT_NEAR(Value(b, 0, 0, 0, 0), -1.0, step);
    EXPECT_NEAR(Value(b, 0, 0, 1, 0), 1.0, step);
    EXPECT_NEAR(Value(b, 0, 0, 3, 0), 18.0, step);
    // A window from -4 to 0 ms holds samples 2 and 3 (3 and 10 uV).
    TBaselineOptions window;
    window.Start = -4;
    window.End = 0;
    EXPECT_NEAR(Value(CorrectBaseline(f, window).File, 0, 0, 0, 0), 1.0 - 6.5, step);
    window.Start = 50;
    window.End = 60;
    EXPECT_NE(Refusal([&] { CorrectBaseline(f, window); })
                  .find("Cell 1 has no sample in the window 50 to 60 ms: its samples lie from -8 to 4 ms"),
              std::string::npos);
}

TEST_F(ErpTest, SessionValuesBeyondTheSampleRangeAreClampedAndCounted)
{
    // One channel: -32000 then 32000; taking out the first sample leaves 0 and 64000.
    const TORVAFile f = Load(PlainSession({Cell("a", 1, 2, {-32000, 32000})}, 1), "in.ses");
    EXPECT_NE(Refusal([&] { CorrectBaseline(f, {}); }).find("give the window"), std::string::npos);
    TBaselineOptions first;
    first.Start = 0;
    first.End = 0;
    const TErpResult r = CorrectBaseline(f, first);
    EXPECT_EQ(r.Clamped, 1);
    EXPECT_EQ(r.File.Cells[0].Data(0, 0, 0), 0);
    EXPECT_EQ(r.File.Cells[0].Data(0, 1, 0), 32767);
    EXPECT_TRUE(r.File.IsSessionFile());
    EXPECT_EQ(r.File.DataDescription.Gains, f.DataDescription.Gains);
}

TEST_F(ErpTest, AverageReferenceSubtractsTheMeanOfTheChannelsNotExcluded)
{
    TTestFileBuilder b = PlainSession({Cell("a", 1, 1, {1, 2, 6})}, 3);
    b.Zeros = {1, 0, 0};
    b.Gains = {400, 400, 200}; // channel 3's raw 6 is 12 uV; values 0, 2, 12
    const TORVAFile f = Load(b, "in.ses");
    const TErpResult all = AverageReference(f, {});
    // Mean 14/3; written back as nearest(gain x v / 400) + zero.
    EXPECT_EQ(all.File.Cells[0].Data(0, 0, 0), -4); // nearest(-4.667) + 1
    EXPECT_EQ(all.File.Cells[0].Data(0, 0, 1), -3);         // nearest(-2.667)
    EXPECT_EQ(all.File.Cells[0].Data(0, 0, 2), 4);          // nearest(7.333 / 2)
    // Channel 3 excluded twice: the mean is 1, and channel 3 becomes 11 uV (raw 5.5, to even 6).
    const TErpResult some = AverageReference(f, {2, 2});
    EXPECT_EQ(some.File.Cells[0].Data(0, 0, 0), 0);
    EXPECT_EQ(some.File.Cells[0].Data(0, 0, 1), 1);
    EXPECT_EQ(some.File.Cells[0].Data(0, 0, 2), 6);
    EXPECT_NE(Refusal([&] { AverageReference(f, {0, 1, 2}); }).find("every channel is excluded"), std::string::npos);
    EXPECT_NE(Refusal([&] { AverageReference(f, {3}); }).find("Channels: 4 is outside"), std::string::npos);
}

class ErpStudyTest : public ErpTest {
protected:
    // Two subjects' files; s2 lists its cells the other way round.
    void SetUp() override
    {
        TTestCell a1 = Cell("std", 1, 1, {10, 20});
        TTestCell b1 = Cell("dev", 1, 1, {30, 40}, 2);
        a1.TrialSpecifics = std::vector<std::int16_t>(14, 0);
        a1.TrialSpecifics[0] = 30;
        a1.TrialSpecifics[1] = 5;
        s1 = Load(PlainAverage({a1, b1}, 2), "s1.ave");
        TTestCell a2 = Cell("std", 2, 1, {40, 50, 70, 80});
        a2.TrialSpecificsLength = 2; // word 0 only: padded to 28 bytes
        a2.TrialSpecifics = {10, 20};
        TTestCell b2 = Cell("dev", 1, 1, {0, 0}, 2);
        s2 = Load(PlainAverage({b2, a2}, 2), "s2.ave");
    }
    TORVAFile s1, s2;
};

TEST_F(ErpStudyTest, CombineJoinsTheSubjectsCellByName)
{
    const TORVAFile c = CombineAverages({&s1, &s2}).File;
    ASSERT_EQ(c.NumCells(), 2);
    EXPECT_EQ(c.Cells[0].Name, "std");
    ASSERT_EQ(c.Cells[0].NumObservations, 3);
    EXPECT_EQ(c.Cells[1].NumObservations, 2);
    EXPECT_EQ(c.GeneralInformation.LastSubjectDone, 3);
    EXPECT_EQ(c.GeneralInformation.BaselineDuration, 8);
    const double step = 1.0 / c.GeneralInformation.ScaleBins;
    EXPECT_NEAR(Value(c, 0, 0, 0, 1), 2.0, step);
    EXPECT_NEAR(Value(c, 0, 2, 0, 0), 7.0, step);
    EXPECT_NEAR(Value(c, 1, 1, 0, 0), 0.0, step);
    EXPECT_EQ(c.Cells[0].TrialSpecifics(0, 1), 5);
    EXPECT_EQ(c.Cells[0].TrialSpecifics(1, 0), 10);
    EXPECT_EQ(c.Cells[0].TrialSpecifics(2, 0), 20);
    EXPECT_EQ(c.Cells[0].TrialSpecifics(2, 1), 0);
}

TEST_F(ErpStudyTest, GrandAverageUnweightedAndWeighted)
{
    // std, channel 1: subjects 1, 4 and 7 uV with 30, 10 and 20 trials.
    const TErpResult plain = GrandAverage({&s1, &s2}, false);
    const TORVAFile& g = plain.File;
    const double step = 1.0 / g.GeneralInformation.ScaleBins;
    EXPECT_NEAR(Value(g, 0, 0, 0, 0), 4.0, step);
    EXPECT_NEAR(Value(g, 0, 0, 0, 1), 5.0, step);
    EXPECT_EQ(g.Cells[0].TrialSpecifics(0, 0), 60);
    EXPECT_EQ(g.GeneralInformation.LastSubjectDone, 3);
    const TORVAFile w = GrandAverage({&s1, &s2}, true).File;
    EXPECT_NEAR(Value(w, 0, 0, 0, 0), (30 * 1 + 10 * 4 + 20 * 7) / 60.0, 1.0 / w.GeneralInformation.ScaleBins);

    // The dev cells carry the builder's pattern of trial counts; a count of 0 is refused.
    s2.Cells[0].TrialSpecifics(0, 0) = 0;
    const std::string text = Refusal([&] { GrandAverage({&s1, &s2}, true); });
    EXPECT_NE(text.find("s2.ave"), std::string::npos) << text;
    EXPECT_NE(text.find("cell 1 \"dev\", observation 1 has a trial count of 0"), std::string::npos) << text;
    // Trial counts that add up beyond the field are written as 32767 and said.
    s2.Cells[0].TrialSpecifics(0, 0) = 32000;
    s1.Cells[1].TrialSpecifics(0, 0) = 32000;
    const TErpResult many = GrandAverage({&s1, &s2}, false);
    EXPECT_EQ(many.File.Cells[1].TrialSpecifics(0, 0), 32767);
    ASSERT_EQ(many.Notes.size(), 1u);
    EXPECT_NE(many.Notes[0].find("64000"), std::string::npos);
}

TEST_F(ErpStudyTest, InputsThatDoNotMatchAreRefusedNamingFileAndCell)
{
    TORVAFile other = s2;
    other.FullFileName = "other.ave";
    other.Cells[1].SamplesPerSecond = 500;
    EXPECT_NE(Refusal([&] { CombineAverages({&s1, &other}); })
                  .find("other.ave: Cannot combine: cell 2 \"std\" has 500 samples per second, cell 1 \"std\""),
              std::string::npos);
    other = s2;
    other.FullFileName = "other.ave";
    other.Cells[0].Name = "odd";
    EXPECT_NE(Refusal([&] { GrandAverage({&s1, &other}, false); }).find("it has no cell named \"dev\""),
              std::string::npos);
    other = s2;
    other.GeneralInformation.BaselineDuration = 100;
    EXPECT_NE(Refusal([&] { CombineAverages({&s1, &other}); }).find("its baseline is 100 ms"), std::string::npos);
    const TORVAFile session = Load(PlainSession({Cell("std", 1, 1, {1, 2})}, 2), "x.ses");
    EXPECT_NE(Refusal([&] { CombineAverages({&s1, &session}); }).find("x.ses: Cannot combine: this is a session file"),
              std::string::npos);
}

} // namespace
} // namespace orva::test
