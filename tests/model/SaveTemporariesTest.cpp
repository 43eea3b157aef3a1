// Temporary files of saves: their names, the removal of those left by killed saves, and
// saves killed at random moments.
#include "model/ORVAFile.h"
#include "model/Platform.h"
#include "model/SaveTemporaries.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace orva {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TTempDir;
using test::WriteBytes;

// No process has this id on any system the program runs on (Linux allows ids up to 2^22).
constexpr std::uint64_t kDeadProcess = 2147480000;

int CountTemporaries(const TTempDir& dir, const fs::path& target)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(dir.Root()))
        if (entry.path() != target)
            ++count;
    return count;
}

TEST(SaveTemporaries, NamesCarryTheOwner)
{
    const fs::path target = fs::path("folder") / "data.ses";
    EXPECT_EQ(TemporaryName(target, 4321, 0), fs::path("folder") / "data.ses.partial-4321-0");
    const struct {
        const char* name;
        std::optional<std::uint64_t> owner;
    } cases[] = {
        {"data.ses.partial-4321-0", 4321},
        {"data.ses.partial-7-12", 7},
        {"data.ses.partial", std::nullopt},     // a name that carries no owner
        {"data.ses.partial-3", std::nullopt},   // nor does this one
        {"data.ses.partial--1", std::nullopt},
        {"data.ses.partial-12x-1", std::nullopt},
        {"data.ses.partial-12-", std::nullopt},
        {"other.ses.partial-12-0", std::nullopt}, // another target's
        {"data.sesx.partial-12-0", std::nullopt},
        {"data.ses.partial-99999999999999999999-0", std::nullopt}, // too large for an id
    };
    for (const auto& c : cases)
        EXPECT_EQ(TemporaryOwner(target, fs::path("folder") / c.name), c.owner) << c.name;
}

TEST(SaveTemporaries, ThisProcessIsRunningAndAnImpossibleIdIsNot)
{
    EXPECT_TRUE(platform::ProcessIsRunning(platform::CurrentProcessId()));
    EXPECT_FALSE(platform::ProcessIsRunning(kDeadProcess));
    EXPECT_FALSE(platform::ProcessIsRunning(0));
}

// A save removes what dead saves of its target left, and nothing else.
TEST(SaveTemporaries, SaveRemovesOnlyTheLeftoversOfDeadSaves)
{
    TTempDir dir;
    const fs::path target = dir.Path("data.ave");
    const fs::path dead = TemporaryName(target, kDeadProcess, 0);
    const fs::path running = TemporaryName(target, platform::CurrentProcessId(), 0);
    const fs::path otherTarget = TemporaryName(dir.Path("other.ave"), kDeadProcess, 0);
    const fs::path legacy = dir.Path("data.ave.partial");
    for (const auto& p : {dead, running, otherTarget, legacy})
        WriteBytes(p.string(), {1});

    auto b = test::TTestFileBuilder::Average(1, 1, 2, 2);
    b.WriteTo(target.string());
    TORVAFile f;
    f.LoadFromFile(target);
    f.SaveToFile(target);

    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(running)); // another save of this very process may be writing it
    EXPECT_TRUE(fs::exists(otherTarget));
    EXPECT_TRUE(fs::exists(legacy));
    EXPECT_EQ(ReadBytes(target.string()), b.Build());
}

// Once a hundred dead saves had left their files, saving to that target failed.
TEST(SaveTemporaries, ManyLeftoversDoNotStopASave)
{
    TTempDir dir;
    const fs::path target = dir.Path("data.ave");
    for (int i = 0; i < 120; ++i)
        WriteBytes(TemporaryName(target, kDeadProcess - static_cast<std::uint64_t>(i), 0).string(), {1});
    auto b = test::TTestFileBuilder::Average(1, 1, 2, 2);
    b.WriteTo(target.string());
    TORVAFile f;
    f.LoadFromFile(target);
    f.SaveToFile(target);
    EXPECT_EQ(CountTemporaries(dir, target), 0);
}

#ifndef _WIN32
// Saves killed with SIGKILL at random moments: the target is always the old file or the
// new one, whole, and at most one temporary file is ever left (the last killed save's).
TEST(SaveTemporaries, KilledSavesLeaveTheTargetWholeAndOneTemporaryAtMost)
{
    TTempDir dir;
    const fs::path target = dir.Path("data.ses");
    auto oldFile = test::TTestFileBuilder::Session(2, 20, 250, 64); // about 1.3 MB
    oldFile.WriteTo(target.string());
    const auto oldBytes = oldFile.Build();
    TORVAFile model;
    model.LoadFromFile(target);
    model.FileDescription.ExperimentName = "the new one";
    std::vector<std::uint8_t> newBytes;
    {
        const std::string scratch = dir.Path("scratch");
        model.SaveToFile(scratch);
        newBytes = ReadBytes(scratch);
        fs::remove(scratch);
    }

    // How long an unkilled save takes, so the kills spread over its whole course.
    const auto start = std::chrono::steady_clock::now();
    model.SaveToFile(target);
    const auto saveTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    test::WriteBytes(target.string(), oldBytes);

    std::mt19937 random(14);
    std::uniform_int_distribution<long> moment(0, saveTime.count() * 3 / 2 + 200);
    int finished = 0;
    for (int round = 0; round < 40; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                model.SaveToFile(target);
            } catch (...) {
                _exit(3);
            }
            _exit(0);
        }
        usleep(static_cast<useconds_t>(moment(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (WIFEXITED(status)) {
            EXPECT_EQ(WEXITSTATUS(status), 0) << round;
            ++finished;
        }
        const auto now = ReadBytes(target.string());
        EXPECT_TRUE(now == oldBytes || now == newBytes) << "round " << round << ": " << now.size() << " bytes";
        EXPECT_LE(CountTemporaries(dir, target), 1) << round;
        if (now == newBytes)
            WriteBytes(target.string(), oldBytes); // so the next round can be told apart again
    }
    EXPECT_LT(finished, 40); // some saves must really have been killed
}
#endif

} // namespace
} // namespace orva
