#include "tools/MappingFileLocation.h"

#include "model/ORVAError.h"
#include "model/PathText.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

using namespace orva;
using namespace orva::test;

namespace {

namespace fs = std::filesystem;

/// An installation folder: prefix/bin for the programs, prefix/share/orva-toolbox for the data.
class TMappingFileLocation : public ::testing::Test {
protected:
    TTempDir Temp;
    const fs::path Prefix = PathFromText(Temp.Path("prefix"));
    const fs::path Bin = Prefix / "bin";
    const fs::path Share = Prefix / "share" / "orva-toolbox";

    void SetUp() override
    {
        fs::create_directories(Bin);
        fs::create_directories(Share);
    }
    static void Place(const fs::path& dir, const std::string& text)
    {
        WriteBytes(dir / kMappingFileName, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
};

TEST_F(TMappingFileLocation, TheFileBesideTheProgramIsFoundFirst)
{
    Place(Bin, "1\t2\n");
    Place(Share, "1\t1\n");
    EXPECT_EQ(FindMappingFile(Bin), Bin / kMappingFileName);
}

TEST_F(TMappingFileLocation, TheInstalledDataFolderIsFoundWhenNothingLiesBesideTheProgram)
{
    Place(Share, "1\t1\n");
    const fs::path found = FindMappingFile(Bin);
    EXPECT_EQ(found, Share / kMappingFileName);
    // Shown as a user would type it, without "bin/..".
    EXPECT_EQ(PathText(found).find(".."), std::string::npos) << PathText(found);
}

TEST_F(TMappingFileLocation, AProgramFolderWithATrailingSeparatorFindsTheSameFiles)
{
    Place(Share, "1\t1\n");
    fs::path dir = Bin;
    dir += fs::path::preferred_separator;
    EXPECT_EQ(FindMappingFile(dir), Share / kMappingFileName);
}

TEST_F(TMappingFileLocation, AFolderOfThatNameBesideTheProgramIsNotTheFile)
{
    fs::create_directories(Bin / kMappingFileName);
    Place(Share, "1\t1\n");
    EXPECT_EQ(FindMappingFile(Bin), Share / kMappingFileName);
}

TEST_F(TMappingFileLocation, NoFileAnywhereIsAnErrorNamingEveryPlaceLookedAt)
{
    const std::string beside = PathText(Bin / kMappingFileName);
    const std::string shared = PathText(Share / kMappingFileName);
    try {
        FindMappingFile(Bin);
        ADD_FAILURE() << "no error";
    } catch (const EORVAError& e) {
        EXPECT_EQ(e.Path(), kMappingFileName);
        EXPECT_EQ(e.Cause(), "mapping file not found; looked for " + beside + ", " + shared);
    }
}

TEST(MappingFileCandidates, WithoutAProgramFolderTheWorkingFolderStandsIn)
{
    const std::vector<fs::path> candidates = MappingFileCandidates(fs::path());
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[0], fs::path(".") / kMappingFileName);
    EXPECT_EQ(candidates[1], fs::path("..") / "share" / "orva-toolbox" / kMappingFileName);
}

} // namespace
