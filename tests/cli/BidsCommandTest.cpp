#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orva::test {
namespace {

namespace fs = std::filesystem;

class OrvaBids : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto session = TTestFileBuilder::Session(2, 3, 4, 5);
        session.ExperimentName = "  Go/No-go  ";
        session.WriteTo(dir.Path("s01.ses"));
        session.WriteTo(dir.Path("s_02.ses"));
        TTestFileBuilder::Average(1, 2, 4, 5).WriteTo(dir.Path("grand.ave"));
    }
    std::vector<std::string> Bids(std::vector<std::string> inputs, std::vector<std::string> more = {})
    {
        std::vector<std::string> args = {"bids"};
        for (const auto& name : inputs)
            args.push_back(dir.Path(name));
        args.insert(args.end(), {"--out", dir.Path("ds"), "--task", "gonogo"});
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
    std::string Ds(const std::string& relative) const { return dir.Path("ds") + "/" + relative; }
    TTempDir dir;
};

TEST_F(OrvaBids, WritesARecordingPerInputAndTheDatasetFiles)
{
    TOrvaRun run = RunOrva(Bids({"s01.ses", "s_02.ses"}, {"--session", "1", "-j", "2", "--reference", "Cz"}));
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    for (const char* subject : {"s01", "s02"})
        for (const char* suffix : {"_eeg.vhdr", "_eeg.vmrk", "_eeg.eeg", "_eeg.json", "_channels.tsv", "_events.tsv",
                                   "_events.json"}) {
            const std::string name = std::string("sub-") + subject + "/ses-1/eeg/sub-" + subject + "_ses-1_task-gonogo" +
                                     suffix;
            EXPECT_TRUE(fs::exists(Ds(name))) << name;
        }
    EXPECT_EQ(ReadText(Ds("participants.tsv")), "participant_id\nsub-s01\nsub-s02\n");
    EXPECT_NE(ReadText(Ds("dataset_description.json")).find("\"Name\": \"Go/No-go\""), std::string::npos);
    EXPECT_NE(ReadText(Ds("sub-s01/ses-1/eeg/sub-s01_ses-1_task-gonogo_eeg.json")).find("\"EEGReference\": \"Cz\""),
              std::string::npos);
    // 2 cells x 3 observations of 4 samples at 250 Hz.
    const std::string events = ReadText(Ds("sub-s02/ses-1/eeg/sub-s02_ses-1_task-gonogo_events.tsv"));
    EXPECT_NE(events.find("\n0.064\t0.016\tcell 2\t2\t16\n"), std::string::npos) << events;

    // Once there, the same subject, session and task is refused; the dataset's own files
    // are written only when absent, participants.tsv keeps what the user added.
    WriteBytes(Ds("README"), {'m', 'i', 'n', 'e'});
    run = RunOrva(Bids({"s01.ses"}, {"--session", "1"}));
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("Subject s01, session 1, task gonogo is already in the dataset"), std::string::npos)
        << run.Err;
    const std::string participants = "participant_id\tage\nsub-s02\t31\nsub-s01\t29\n";
    WriteBytes(Ds("participants.tsv"), std::vector<std::uint8_t>(participants.begin(), participants.end()));
    run = RunOrva(Bids({"s01.ses"}, {"--session", "1", "--overwrite"}));
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    run = RunOrva(Bids({"s01.ses"}, {"--subject", "Extra7"}));
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_TRUE(fs::exists(Ds("sub-Extra7/eeg/sub-Extra7_task-gonogo_eeg.vhdr")));
    EXPECT_EQ(ReadText(Ds("participants.tsv")), "participant_id\tage\nsub-Extra7\tn/a\nsub-s01\t29\nsub-s02\t31\n");
    EXPECT_EQ(ReadText(Ds("README")), "mine");
}

TEST_F(OrvaBids, RefusesBeforeWritingAnything)
{
    TOrvaRun run = RunOrva(Bids({"s01.ses", "grand.ave"}));
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("grand.ave: This is an average file, and a BIDS dataset holds recordings: write averages "
                           "with orva export-brainvision"),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(fs::exists(dir.Path("ds")));

    run = RunOrva(Bids({"s01.ses", "s_02.ses"}, {"--subject", "x"}));
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("--subject names one input, not 2"), std::string::npos) << run.Err;
    WriteBytes(dir.Path("names.txt"), {'a', '\n', 'b', '\n'});
    run = RunOrva(Bids({"s01.ses"}, {"--channel-names", dir.Path("names.txt")}));
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("names.txt"), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(dir.Path("ds")));

    run = RunOrva({"bids", dir.Path("s01.ses"), "--out", dir.Path("ds")});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("--task is required"), std::string::npos) << run.Err;
}

} // namespace
} // namespace orva::test
