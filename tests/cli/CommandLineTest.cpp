// The command line as every command shares it: option spellings, one wording for the
// usage errors, and help that lists what each command declares.
#include "tests/cli/RunOrva.h"
#include "tests/support/TestFileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace orva::test {
namespace {

struct TDeclared {
    std::string Name;
    std::vector<std::string> Options;      // every spelling, "-j" and "--jobs" alike
    std::vector<std::string> ValueOptions; // those that take a value
};

std::vector<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// The commands as the program declares them (orva --declarations).
std::vector<TDeclared> Declared()
{
    const TOrvaRun run = RunOrva({"--declarations"});
    EXPECT_EQ(run.ExitStatus, 0);
    std::vector<TDeclared> commands;
    std::istringstream lines(run.Out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string f; std::getline(cells, f, '\t');)
            fields.push_back(f);
        if (fields.size() < 3)
            continue;
        TDeclared d{fields[0], {}, {}};
        for (std::string spellings : Words(fields[1])) {
            std::replace(spellings.begin(), spellings.end(), ',', ' ');
            for (const auto& name : Words(spellings))
                d.Options.push_back(name);
        }
        for (const auto& v : Words(fields[2]))
            d.ValueOptions.push_back(v.substr(0, v.find_first_of(",=")));
        commands.push_back(d);
    }
    return commands;
}

std::string UsageLine(const std::string& command) { return "usage: orva " + command; }

TEST(OrvaCommandLine, DeclaresEveryCommandOfTheOverview)
{
    const auto commands = Declared();
    ASSERT_GE(commands.size(), 11u); // 12 where "plot" is built
    const TOrvaRun overview = RunOrva({"--help"});
    for (const auto& c : commands) {
        EXPECT_NE(overview.Out.find("\n  " + c.Name + " "), std::string::npos) << c.Name;
        EXPECT_NE(std::find(c.Options.begin(), c.Options.end(), "--help"), c.Options.end()) << c.Name;
    }
}

TEST(OrvaCommandLine, HelpOfEveryCommandListsEveryOptionItDeclares)
{
    for (const auto& c : Declared()) {
        const TOrvaRun help = RunOrva({c.Name, "--help"});
        EXPECT_EQ(help.ExitStatus, 0) << c.Name;
        EXPECT_EQ(help.Out.rfind(UsageLine(c.Name), 0), 0u) << help.Out;
        // "orva help COMMAND" prints the same text.
        EXPECT_EQ(RunOrva({"help", c.Name}).Out, help.Out) << c.Name;
        for (const auto& option : c.Options) {
            const bool listed = help.Out.find("  " + option + " ") != std::string::npos ||
                                help.Out.find("  " + option + ",") != std::string::npos ||
                                help.Out.find("," + option + " ") != std::string::npos ||
                                help.Out.find("  " + option + "\n") != std::string::npos;
            EXPECT_TRUE(listed) << c.Name << " " << option << "\n" << help.Out;
        }
    }
}

TEST(OrvaCommandLine, UnknownOptionsAndMissingValuesAreWordedAlikeEverywhere)
{
    for (const auto& c : Declared()) {
        const TOrvaRun unknown = RunOrva({c.Name, "--no-such-option"});
        EXPECT_EQ(unknown.ExitStatus, 1) << c.Name;
        EXPECT_EQ(unknown.Out, "");
        EXPECT_EQ(unknown.Err.rfind("orva " + c.Name + ": unknown option --no-such-option\n" + UsageLine(c.Name), 0), 0u)
            << unknown.Err;
        for (const auto& option : c.ValueOptions) {
            const TOrvaRun missing = RunOrva({c.Name, "in.ave", "out.ave", option});
            EXPECT_EQ(missing.ExitStatus, 1) << c.Name << " " << option;
            // An option of two spellings is named by its long one.
            const std::string named = option == "-j" ? "--jobs" : option;
            const std::string says = "orva " + c.Name + ": option " + named + " needs ";
            EXPECT_EQ(missing.Err.rfind(says, 0), 0u) << c.Name << " " << option << ": " << missing.Err;
        }
    }
}

TEST(OrvaCommandLine, BadNumbersNameTheOptionAndTheValue)
{
    const struct {
        std::vector<std::string> Args;
        std::string Says;
    } cases[] = {
        {{"check", "-j", "0", "a.ave"}, "orva check: --jobs needs a whole number from 1 to 9999, not \"0\"\n"},
        {{"header", "-jx", "a.ave"}, "orva header: --jobs needs a whole number from 1 to 9999, not \"x\"\n"},
        {{"export-text", "a.ave", "b.txt", "--cell", "1.5"},
         "orva export-text: --cell needs a whole number of at least 1, not \"1.5\"\n"},
        {{"measure", "a.ave", "-o", "m.csv", "--window", "0", "10", "--measure", "mean", "--neighbours", "-2"},
         "orva measure: --neighbours needs a whole number of at least 1, not \"-2\"\n"},
        {{"export-stats", "a.ave", "b.txt", "--decimal-separator", ",,"},
         "orva export-stats: --decimal-separator needs exactly one character, not \",,\"\n"},
    };
    for (const auto& c : cases) {
        const TOrvaRun run = RunOrva(c.Args);
        EXPECT_EQ(run.ExitStatus, 1) << c.Says;
        EXPECT_EQ(run.Err.rfind(c.Says, 0), 0u) << run.Err;
    }
}

TEST(OrvaCommandLine, AnEmptyFileArgumentIsAUsageErrorOfEveryCommand)
{
    // As "$f" gives it when f is unset: the core would get a file without a name to report.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"bids", "", "--out", "study", "--task", "t"},
             {"measure", "a.ave", "", "-o", "m.csv", "--window", "0", "1", "--measure", "mean"},
             {"export-text", "a.ave", "", "--all-cells"},
             {"check", ""}}) {
        const TOrvaRun run = RunOrva(args);
        EXPECT_EQ(run.ExitStatus, 1) << args[0];
        EXPECT_EQ(run.Err.rfind("orva " + args[0] + ": FILE is an empty argument, which names no file\n", 0), 0u)
            << run.Err;
    }
}

TEST(OrvaCommandLine, JobsTakeEveryUsualSpelling)
{
    TTempDir dir;
    TTestFileBuilder::Average(1, 1, 4, 2).WriteTo(dir.Path("a.ave"));
    TTestFileBuilder::Session(1, 2, 3, 4).WriteTo(dir.Path("b.ses"));
    const std::string expected = dir.Path("a.ave") + ": OK\n" + dir.Path("b.ses") + ": OK\n";
    for (const auto& jobs : std::vector<std::vector<std::string>>{{"-j", "2"}, {"-j2"}, {"--jobs", "2"}, {"--jobs=2"}}) {
        std::vector<std::string> args{"check"};
        args.insert(args.end(), jobs.begin(), jobs.end());
        args.push_back(dir.Path("a.ave"));
        args.push_back(dir.Path("b.ses"));
        const TOrvaRun run = RunOrva(args);
        EXPECT_EQ(run.ExitStatus, 0) << jobs[0] << run.Err;
        EXPECT_EQ(run.Out, expected) << jobs[0];
    }
}

TEST(OrvaCommandLine, ASlashBeginsAPathNotAnOption)
{
    // (Windows programs often take "/name" as an option; here it is a file on every system.)
    const TOrvaRun run = RunOrva({"check", "/no-such-folder/x.ave"});
    EXPECT_EQ(run.ExitStatus, 1);
    EXPECT_EQ(run.Err.rfind("orva: ", 0), 0u) << run.Err;
    EXPECT_NE(run.Err.find("x.ave: Cannot open file for reading"), std::string::npos) << run.Err;
}

TEST(OrvaCommandLine, DoubleDashTakesFileNamesThatBeginWithADash)
{
    // A relative name, as a shell glob gives it: the file lies in the working folder.
    const std::filesystem::path name = "-orva-dash-test.ave";
    TTestFileBuilder::Average(1, 1, 4, 2).WriteTo(name.string());
    const TOrvaRun asOption = RunOrva({"check", name.string()});
    const TOrvaRun asFile = RunOrva({"check", "--", name.string()});
    const TOrvaRun negative = RunOrva({"check", "--open-anyway", "--", name.string(), "-j"});
    std::filesystem::remove(name);
    EXPECT_EQ(asOption.ExitStatus, 1);
    EXPECT_EQ(asFile.ExitStatus, 0) << asFile.Err;
    EXPECT_EQ(asFile.Out, "OK\n");
    // After --, "-j" is a file name too (one that does not exist).
    EXPECT_EQ(negative.ExitStatus, 1);
    EXPECT_NE(negative.Out.find("-j: Cannot open file for reading"), std::string::npos) << negative.Out;
}

} // namespace
} // namespace orva::test
