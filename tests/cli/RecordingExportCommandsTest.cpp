#include "formats/BrainVisionExport.h"
#include "formats/EdfExport.h"
#include "model/ORVAFile.h"
#include "model/PathText.h"
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace orva::test {
namespace {

namespace fs = std::filesystem;

class OrvaRecordingExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        TTestFileBuilder::Average(2, 3, 4, 3).WriteTo(dir.Path("s01.ave"));
        TTestFileBuilder::Session(2, 2, 5, 3).WriteTo(dir.Path("s02.ses"));
        WriteBytes(dir.Path("names.txt"), {'F', 'z', '\n', 'C', 'z', '\r', '\n', 'P', 'z', '\n'});
    }
    TORVAFile Loaded(const std::string& name)
    {
        TORVAFile file;
        file.LoadFromFile(dir.Path(name));
        return file;
    }
    std::vector<std::string> Entries()
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.Root()))
            names.push_back(PathText(e.path().filename()));
        std::sort(names.begin(), names.end());
        return names;
    }
    TTempDir dir;
};

// The command writes what the core writes for the same selection, and prints the paths.
TEST_F(OrvaRecordingExport, OneInputWithSelectionAndNames)
{
    TOrvaRun run = RunOrva({"export-brainvision", dir.Path("s01.ave"), "-o", dir.Path("out.vhdr"), "--cells", "2",
                            "--obs", "3 1", "--chans", "3 1", "--channel-names", dir.Path("names.txt")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    EXPECT_EQ(run.Out, dir.Path("out.vhdr") + "\n");
    TEpochSelection selection;
    selection.Cells = TSelectionList{1};
    selection.Observations = TSelectionList{2, 0};
    selection.Channels = TSelectionList{2, 0};
    ExportBrainVision(Loaded("s01.ave"), selection, PathFromText(dir.Path("names.txt")),
                      PathFromText(dir.Path("core.vhdr")));
    EXPECT_EQ(ReadBytes(dir.Path("out.eeg")), ReadBytes(dir.Path("core.eeg")));
    EXPECT_EQ(ReadBytes(dir.Path("out.eeg")).size(), 2u * 4u * 2u * 4u);
    std::string markers = ReadText(dir.Path("core.vmrk"));
    markers.replace(markers.find("core.eeg"), 8, "out.eeg");
    EXPECT_EQ(ReadText(dir.Path("out.vmrk")), markers);
    EXPECT_NE(ReadText(dir.Path("out.vhdr")).find("Ch1=Pz,,1,\xc2\xb5V\r\nCh2=Fz,,1,\xc2\xb5V\r\n"), std::string::npos);

    run = RunOrva({"export-edf", dir.Path("s01.ave"), "-o", dir.Path("out.edf"), "--cells", "2", "--obs", "3 1",
                   "--chans", "3 1", "--channel-names", dir.Path("names.txt")});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    ExportEdf(Loaded("s01.ave"), selection, PathFromText(dir.Path("names.txt")), PathFromText(dir.Path("core.edf")));
    EXPECT_EQ(ReadBytes(dir.Path("out.edf")), ReadBytes(dir.Path("core.edf")));
}

TEST_F(OrvaRecordingExport, OutDirWritesEachInputUnderItsStem)
{
    const std::string out = dir.Path("out");
    fs::create_directory(PathFromText(out));
    TOrvaRun run = RunOrva({"export-edf", dir.Path("s01.ave"), dir.Path("s02.ses"), "--out-dir", out, "-j", "2"});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
    EXPECT_EQ(run.Out, out + sep + "s01.edf\n" + out + sep + "s02.edf\n");
    ExportEdf(Loaded("s02.ses"), {}, std::nullopt, PathFromText(dir.Path("s02.edf")));
    EXPECT_EQ(ReadBytes(out + sep + "s02.edf"), ReadBytes(dir.Path("s02.edf")));

    run = RunOrva({"export-brainvision", dir.Path("s01.ave"), dir.Path("s02.ses"), "--out-dir", out});
    ASSERT_EQ(run.ExitStatus, 0) << run.Err;
    for (const char* name : {"s01.vhdr", "s01.vmrk", "s01.eeg", "s02.vhdr", "s02.vmrk", "s02.eeg"})
        EXPECT_TRUE(fs::exists(PathFromText(out + sep + name))) << name;
}

// A refused file is named with the cause and leaves no output; the other files are written.
TEST_F(OrvaRecordingExport, RefusalsComeBeforeAnythingIsWritten)
{
    TTestFileBuilder mixed = TTestFileBuilder::Session(2, 1, 3, 3);
    mixed.Cells[1].SamplesPerSecond = 500;
    mixed.WriteTo(dir.Path("mixed.ses"));
    WriteBytes(dir.Path("two.txt"), {'a', '\n', 'b', '\n'});
    const std::string out = dir.Path("out");
    fs::create_directory(PathFromText(out));
    TOrvaRun run = RunOrva({"export-brainvision", dir.Path("mixed.ses"), dir.Path("s02.ses"), "--out-dir", out});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find(dir.Path("mixed.ses") + ": The exported cells must share one sampling rate, but cell 1 "
                                                   "has 250 Hz and cell 2 has 500 Hz"),
              std::string::npos)
        << run.Err;
    EXPECT_EQ(std::distance(fs::directory_iterator(PathFromText(out)), fs::directory_iterator()), 3);

    const std::vector<std::string> before = Entries();
    run = RunOrva({"export-edf", dir.Path("s02.ses"), "-o", dir.Path("x.edf"), "--channel-names", dir.Path("two.txt")});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find(dir.Path("two.txt") + ": The file holds 2 channel names, but " + dir.Path("s02.ses") +
                           " has 3 channels"),
              std::string::npos)
        << run.Err;
    run = RunOrva({"export-brainvision", dir.Path("s02.ses"), "-o", dir.Path("x.vhdr"), "--chans", "1 1"});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("Channels: 1 is listed twice"), std::string::npos) << run.Err;
    run = RunOrva({"export-edf", dir.Path("s01.ave"), "-o", dir.Path("x.edf"), "--channel-names", dir.Path("names.txt"),
                   "--chans", "1", "--cells", "3"});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_NE(run.Err.find("Cells: 3 is outside the valid range 1 to 2"), std::string::npos) << run.Err;
    EXPECT_EQ(Entries(), before);
}

TEST_F(OrvaRecordingExport, UsageErrors)
{
    const std::string out = dir.Path("out");
    fs::create_directory(PathFromText(out));
    fs::create_directory(PathFromText(dir.Path("other")));
    TTestFileBuilder::Average(1, 1, 4, 3).WriteTo(dir.Path("other") + "/s01.ses");
    const struct {
        std::vector<std::string> Args;
        std::string Message;
    } cases[] = {
        {{"export-brainvision", dir.Path("s01.ave"), dir.Path("s02.ses"), "-o", dir.Path("x.vhdr")},
         "-o takes one input file; use --out-dir DIR for 2"},
        {{"export-edf", dir.Path("s01.ave"), "-o", dir.Path("x.edf"), "--out-dir", out},
         "-o excludes --out-dir"},
        {{"export-edf", dir.Path("s01.ave")}, "the output is missing: give -o OUT.edf or --out-dir DIR"},
        {{"export-brainvision", "-o", dir.Path("x.vhdr")}, "no input file given"},
        {{"export-brainvision", dir.Path("s01.ave"), dir.Path("other") + "/s01.ses", "--out-dir", out},
         "two inputs have the stem s01: their outputs in " + out + " would replace one another"},
        {{"export-edf", dir.Path("s01.ave"), "--out-dir", out, "--samples", "1"}, "unknown option --samples"},
    };
    for (const auto& c : cases) {
        const TOrvaRun run = RunOrva(c.Args);
        EXPECT_EQ(run.ExitStatus, 1) << c.Message;
        EXPECT_NE(run.Err.find(c.Message), std::string::npos) << run.Err;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(PathFromText(out)), fs::directory_iterator()), 0);
    EXPECT_FALSE(fs::exists(PathFromText(dir.Path("x.vhdr"))));
    EXPECT_FALSE(fs::exists(PathFromText(dir.Path("x.edf"))));
}

} // namespace
} // namespace orva::test
