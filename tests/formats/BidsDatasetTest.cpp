#include "formats/BidsDataset.h"
#include "formats/BidsSidecars.h"
#include "formats/JsonText.h"
#include "model/ORVAError.h"
#include "tests/support/ExportDocument.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace orva::test {
namespace {

namespace fs = std::filesystem;

// The cause of the EORVAError that f throws ("" when it throws none).
template <class F>
std::string Refusal(F&& f)
{
    try {
        f();
    } catch (const EORVAError& e) {
        return e.what();
    }
    return "";
}

std::string EventsOf(const TORVAFile& file)
{
    TLineCollector lines;
    WriteBidsEvents(file, LayOutEpochs(file, {}), lines);
    return JoinLines(lines.Lines, "\n");
}

TEST(BidsText, JsonStringsAndDecimals)
{
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a \"q\" \\ b"), "\"a \\\"q\\\" \\\\ b\"");
    EXPECT_EQ(JsonString("t\tn\nr\r\x01\x1f"), "\"t\\tn\\nr\\r\\u0001\\u001f\"");
    EXPECT_EQ(JsonString("Gr\xc3\xbc\xc3\x9f" "e \xe2\x82\xac"), "\"Gr\xc3\xbc\xc3\x9f" "e \xe2\x82\xac\"");
    EXPECT_EQ(ShortestDecimal(4000), "4000");
    EXPECT_EQ(ShortestDecimal(1e6 / 256), "3906.25");
    EXPECT_EQ(ShortestDecimal(1.0 / 250), "0.004");
    EXPECT_EQ(ShortestDecimal(3.0 / 300), "0.01");
    EXPECT_EQ(ShortestDecimal(1e-7), "0.0000001"); // never an exponent
    EXPECT_EQ(ShortestDecimal(-0.0), "0");
    EXPECT_EQ(TsvField("a\tb\r\nc"), "a b  c");
    EXPECT_EQ(TsvField(""), "n/a");
    TJson json;
    json["k"] = "v";
    json["o"] = {{"n", JsonNumber(-3)}};
    json["x"] = JsonNumber(0.5);
    EXPECT_EQ(JsonText(json), "{\n  \"k\": \"v\",\n  \"o\": {\n    \"n\": -3\n  },\n  \"x\": 0.5\n}");
}

// Every duration a sidecar can hold (samples / rate) is written as the shortest decimal.
TEST(BidsText, JsonNumbersAsShortestDecimals)
{
    for (int rate : {1, 3, 7, 100, 250, 256, 500, 512, 1000, 2048, 8000}) {
        for (long long samples = 1; samples <= 4096; samples = samples * 3 + 1) {
            const double seconds = static_cast<double>(samples) / rate;
            if (seconds < 1e-4)
                continue; // JSON writes these with an exponent
            EXPECT_EQ(JsonText(JsonNumber(seconds)), ShortestDecimal(seconds)) << samples << " / " << rate;
        }
    }
    EXPECT_EQ(JsonText(JsonNumber(50)), "50");
    EXPECT_EQ(JsonText(JsonNumber(-0.0)), "0");
    EXPECT_EQ(JsonText(TJson::object()), "{}");
    EXPECT_THROW(JsonNumber(std::nan("")), EORVAError);
}

TEST(BidsDataset, LabelsAndFileNames)
{
    EXPECT_EQ(SubjectLabelFromName("/d/S 01_b.ses"), "S01b");
    EXPECT_EQ(SubjectLabelFromName("/d/sub-07.x.ses"), "sub07x");
    EXPECT_EQ(SubjectLabelFromName("/d/\xc3\x84_-.ses"), "");

    TTempDir dir;
    TBidsOptions options;
    options.Dataset = dir.Path("ds");
    options.Task = "Oddball2";
    auto plan = PlanBidsDataset({dir.Path("p-01.ses"), dir.Path("p02.ses")}, options);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].Subject, "p01");
    EXPECT_EQ(plan[0].File("_eeg.vhdr"), fs::path(dir.Path("ds")) / "sub-p01" / "eeg" / "sub-p01_task-Oddball2_eeg.vhdr");
    options.Session = "2";
    options.Subject = "A7";
    plan = PlanBidsDataset({dir.Path("p-01.ses")}, options);
    EXPECT_EQ(plan[0].File("_events.tsv"),
              fs::path(dir.Path("ds")) / "sub-A7" / "ses-2" / "eeg" / "sub-A7_ses-2_task-Oddball2_events.tsv");
    EXPECT_FALSE(fs::exists(dir.Path("ds"))); // planning writes nothing
}

TEST(BidsDataset, RefusalsBeforeAnythingIsWritten)
{
    TTempDir dir;
    TBidsOptions options;
    options.Dataset = dir.Path("ds");
    options.Task = "task";
    auto refusal = [&](const std::vector<fs::path>& inputs, const TBidsOptions& o) {
        return Refusal([&] { PlanBidsDataset(inputs, o); });
    };
    EXPECT_NE(refusal({dir.Path("a/s-1.ses"), dir.Path("b/s1.ses")}, options).find("Gives the subject label s1"),
              std::string::npos);
    EXPECT_NE(refusal({dir.Path("__.ses")}, options).find("empty subject label"), std::string::npos);
    for (const char* bad : {"", "odd-ball", "t_1", "\xc3\xa9"}) {
        TBidsOptions o = options;
        o.Task = bad;
        EXPECT_NE(refusal({dir.Path("s1.ses")}, o).find("task label"), std::string::npos) << bad;
    }
    TBidsOptions o = options;
    o.Session = "";
    EXPECT_NE(refusal({dir.Path("s1.ses")}, o).find("The session label is empty"), std::string::npos);
    o = options;
    o.Subject = "x";
    EXPECT_NE(refusal({dir.Path("s1.ses"), dir.Path("s2.ses")}, o).find("--subject names one input, not 2"),
              std::string::npos);
    for (const char* bad : {"abc", "0", "-50", "50Hz", ""}) {
        o = options;
        o.LineFrequency = bad;
        EXPECT_NE(refusal({dir.Path("s1.ses")}, o).find("--line-frequency takes a frequency"), std::string::npos) << bad;
    }
    o.LineFrequency = "59.94";
    EXPECT_EQ(refusal({dir.Path("s1.ses")}, o), "");

    // The same subject, session and task already in the dataset, in any format.
    fs::create_directories(dir.Path("ds/sub-s1/eeg"));
    WriteBytes(dir.Path("ds/sub-s1/eeg/sub-s1_task-task_eeg.edf"), {1});
    EXPECT_NE(refusal({dir.Path("s1.ses")}, options).find("Subject s1, task task is already in the dataset "
                                                           "(sub-s1_task-task_eeg.edf); give --overwrite"),
              std::string::npos);
    o = options;
    o.Overwrite = true;
    EXPECT_EQ(refusal({dir.Path("s1.ses")}, o), "");
    o = options;
    o.Task = "other";
    EXPECT_EQ(refusal({dir.Path("s1.ses")}, o), "");

    WriteBytes(dir.Path("ds/participants.tsv"), {'i', 'd', '\n'});
    EXPECT_NE(refusal({dir.Path("s2.ses")}, options).find("The first column is not participant_id"), std::string::npos);
    WriteBytes(dir.Path("file"), {1});
    o.Dataset = dir.Path("file");
    EXPECT_NE(refusal({dir.Path("s2.ses")}, o).find("not a folder"), std::string::npos);
}

TEST(BidsDataset, AverageFilesAndEmptyRecordingsAreRefused)
{
    TBidsOptions options;
    const std::string average = Refusal([&] { CheckBidsRecording(MakeDocument(true, {2}, {3}, 2), options); });
    EXPECT_NE(average.find("/data/s01.ave: This is an average file, and a BIDS dataset holds recordings: write "
                           "averages with orva export-brainvision"),
              std::string::npos)
        << average;
    EXPECT_NE(Refusal([&] { CheckBidsRecording(MakeDocument(false, {0, 0}, {3}, 2), options); }).find("no recording"),
              std::string::npos);
    EXPECT_EQ(Refusal([&] { CheckBidsRecording(MakeDocument(false, {0, 1}, {3}, 2), options); }), "");
}

TEST(BidsDataset, ParticipantsKeepTheirRowsAndAreSortedByByteOrder)
{
    const fs::path path = "participants.tsv";
    EXPECT_EQ(MergeParticipants({}, {"sub-b", "sub-A", "sub-b"}, path),
              (std::vector<std::string>{"participant_id", "sub-A", "sub-b"}));
    const std::vector<std::string> existing = {"participant_id\tage\tsex", "sub-z\t30\tF", "", "sub-a\t25\tM"};
    EXPECT_EQ(MergeParticipants(existing, {"sub-a", "sub-Q", "sub-m"}, path),
              (std::vector<std::string>{"participant_id\tage\tsex", "sub-Q\tn/a\tn/a", "sub-a\t25\tM",
                                        "sub-m\tn/a\tn/a", "sub-z\t30\tF"}));
    EXPECT_NE(Refusal([&] { MergeParticipants({"name\tparticipant_id"}, {"sub-a"}, path); }).find("participant_id"),
              std::string::npos);
}

TEST(BidsDataset, EventsOfHandComputableFiles)
{
    // Cell 1: 2 observations of 3 samples; cell 2 without observations; cell 3: 1 of 5.
    TORVAFile file = MakeDocument(false, {2, 0, 1}, {3, 4, 5}, 2);
    file.Cells[0].Name = "Std, \"rare\"\t\x80 ";
    EXPECT_EQ(EventsOf(file), "onset\tduration\ttrial_type\tvalue\tsample\n"
                              "0\t0.012\tStd, \"rare\" \xe2\x82\xac\t1\t0\n"
                              "0.012\t0.012\tStd, \"rare\" \xe2\x82\xac\t1\t3\n"
                              "0.024\t0.02\tCell3\t3\t6\n");
    for (auto& cell : file.Cells)
        cell.SamplesPerSecond = 256;
    file.Cells[0].NumObservations = 1;
    file.Cells[0].Data = TSampleArray(1, 3, 2);
    EXPECT_EQ(EventsOf(file), "onset\tduration\ttrial_type\tvalue\tsample\n"
                              "0\t0.01171875\tStd, \"rare\" \xe2\x82\xac\t1\t0\n"
                              "0.01171875\t0.01953125\tCell3\t3\t3\n");
}

TEST(BidsDataset, SidecarFields)
{
    TORVAFile file = MakeDocument(false, {2, 1}, {5}, 3);
    file.Cells[0].Name = file.Cells[1].Name = "Same";
    TBidsOptions options;
    options.Task = "rest";
    const TEpochLayout layout = LayOutEpochs(file, {});
    EXPECT_EQ(BidsEegJson(layout, options),
              "{\n  \"TaskName\": \"rest\",\n  \"SamplingFrequency\": 250,\n  \"EEGChannelCount\": 3,\n"
              "  \"EOGChannelCount\": 0,\n  \"ECGChannelCount\": 0,\n  \"EMGChannelCount\": 0,\n"
              "  \"MiscChannelCount\": 0,\n  \"TriggerChannelCount\": 0,\n  \"PowerLineFrequency\": \"n/a\",\n"
              "  \"SoftwareFilters\": \"n/a\",\n  \"EEGReference\": \"n/a\",\n  \"RecordingType\": \"epoched\",\n"
              "  \"EpochLength\": 0.02,\n  \"RecordingDuration\": 0.06\n}");
    options.LineFrequency = "60";
    options.Reference = "linked \"mastoids\"";
    file.Cells[1].SamplesPerObservation = 7;
    file.Cells[1].Data = TSampleArray(1, 7, 3);
    const std::string json = BidsEegJson(LayOutEpochs(file, {}), options);
    EXPECT_NE(json.find("\"PowerLineFrequency\": 60,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"EEGReference\": \"linked \\\"mastoids\\\"\""), std::string::npos);
    EXPECT_EQ(json.find("EpochLength"), std::string::npos); // epochs of 5 and 7 samples
    EXPECT_NE(json.find("\"RecordingDuration\": 0.068\n"), std::string::npos);

    const std::string events = BidsEventsJson(file, layout);
    EXPECT_NE(events.find("\"Same\": \"Cells 1 and 2 of s01.ses\""), std::string::npos) << events;
    EXPECT_NE(events.find("\"1\": \"Same\",\n      \"2\": \"Same\"\n"), std::string::npos) << events;
}

} // namespace
} // namespace orva::test
