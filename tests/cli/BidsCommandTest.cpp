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

TEST_F(OrvaBids, PositionsGiveElectrodesAndCoordinateSystemPerSubjectAndSession)
{
    const std::string sfp = "FidNz 0 9 -2\r\nE1 -3.50 2 8.125\r\nE2 3 2 8\r\nREF 0 -1 9.5\r\n";
    WriteBytes(dir.Path("net.SFP"), std::vector<std::uint8_t>(sfp.begin(), sfp.end()));
    TOrvaRun run = RunOrva(Bids({"s01.ses"}, {"--session", "2", "--positions", dir.Path("net.SFP"),
                                              "--position-units", "cm"}));
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    // Named without the task: one recording's positions serve every task of the session.
    EXPECT_EQ(ReadText(Ds("sub-s01/ses-2/eeg/sub-s01_ses-2_electrodes.tsv")),
              "name\tx\ty\tz\nE1\t-3.5\t2\t8.125\nE2\t3\t2\t8\nREF\t0\t-1\t9.5\n");
    const std::string coordsystem = ReadText(Ds("sub-s01/ses-2/eeg/sub-s01_ses-2_coordsystem.json"));
    EXPECT_NE(coordsystem.find("\"EEGCoordinateSystem\": \"Other\""), std::string::npos) << coordsystem;
    EXPECT_NE(coordsystem.find("\"EEGCoordinateUnits\": \"cm\""), std::string::npos) << coordsystem;
    EXPECT_NE(coordsystem.find("\"EEGCoordinateSystemDescription\": \""), std::string::npos) << coordsystem;

    // Without units the units are not known; without positions nothing of the kind is written.
    run = RunOrva(Bids({"s_02.ses"}, {"--positions", dir.Path("net.SFP")}));
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_NE(ReadText(Ds("sub-s02/eeg/sub-s02_coordsystem.json")).find("\"EEGCoordinateUnits\": \"n/a\""),
              std::string::npos);
    run = RunOrva(Bids({"s01.ses"}, {"--session", "3"}));
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_FALSE(fs::exists(Ds("sub-s01/ses-3/eeg/sub-s01_ses-3_electrodes.tsv")));

    // A positions file refused, or units without positions: nothing written.
    WriteBytes(dir.Path("bad.sfp"), {'E', '1', ' ', '1', '\n'});
    run = RunOrva(Bids({"s01.ses"}, {"--session", "4", "--positions", dir.Path("bad.sfp")}));
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find(dir.Path("bad.sfp") + ": line 1: expected a label and x, y and z"), std::string::npos)
        << run.Err;
    run = RunOrva(Bids({"s01.ses"}, {"--session", "4", "--position-units", "mm"}));
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("--position-units needs --positions"), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(Ds("sub-s01/ses-4")));
}

} // namespace
} // namespace orva::test
