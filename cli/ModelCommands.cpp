// Subcommands of the data file model: check, header, save, demo.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ManyFiles.h"
#include "data/DemoData.h"
#include "model/ORVAError.h"

#include <iostream>
#include <memory>
#include <optional>

namespace orva::cli {

namespace {

// "OK", or the reason the file may not be opened (after the length question when asked).
bool CheckOne(const std::string& input, bool openAnyway, std::string& text)
{
    TORVAFile file;
    text = CheckVerdict(file, AbsolutePath(input), openAnyway);
    if (text.empty()) {
        text = "OK";
        return true;
    }
    return false;
}

// The arguments of the commands that read many files and write nothing.
struct TReadArguments {
    std::vector<std::string> Inputs;
    int Jobs = 1;
    bool OpenAnyway = false;
};

std::shared_ptr<TReadArguments> DeclareReading(CLI::App* command)
{
    auto a = std::make_shared<TReadArguments>();
    AddInputFiles(command, a->Inputs);
    AddJobs(command, a->Jobs);
    AddOpenAnyway(command, a->OpenAnyway);
    return a;
}

TRun DeclareCheck(CLI::App* command)
{
    return [a = DeclareReading(command)] {
        const std::vector<std::string>& inputs = a->Inputs;
        if (inputs.size() <= 1) {
            RequirePositionals(inputs, 1);
            std::string text;
            const bool ok = CheckOne(inputs[0], a->OpenAnyway, text);
            std::cout << text << "\n";
            return ok ? 0 : 1;
        }
        // Several files: one line each, naming the file as given.
        const std::size_t failed =
            RunOnFiles("check", inputs.size(), a->Jobs, [&](std::size_t i, TFileResult& r, TProgressDisplay*) {
                std::string text;
                try {
                    r.Failed = !CheckOne(inputs[i], a->OpenAnyway, text);
                    text = text.substr(text.rfind('\n') + 1);
                } catch (const EORVAError& e) { // a file that cannot be read is one more line
                    r.Failed = true;
                    text = e.Cause();
                }
                r.Out = inputs[i] + ": " + text + "\n";
            });
        return failed > 0 ? 1 : 0;
    };
}

std::string HeaderReport(const std::string& input, bool openAnyway, TProgressDisplay* progress)
{
    TORVAFile file = OpenDataFile(input, openAnyway, progress);
    std::vector<std::string> lines;
    file.GetHeaderText(lines);
    std::string text;
    for (const auto& line : lines)
        text.append(line).push_back('\n');
    return text;
}

TRun DeclareHeader(CLI::App* command)
{
    return [a = DeclareReading(command)] {
        const std::vector<std::string>& inputs = a->Inputs;
        if (inputs.empty())
            RequirePositionals(inputs, 1);
        // Several files: each report under a line naming its file, a blank line between.
        const bool named = inputs.size() > 1;
        const std::size_t failed =
            RunOnFiles("header", inputs.size(), a->Jobs, [&](std::size_t i, TFileResult& r, TProgressDisplay* progress) {
                const std::string report = HeaderReport(inputs[i], a->OpenAnyway, progress);
                r.Out = named ? (i > 0 ? "\n==> " : "==> ") + inputs[i] + " <==\n" + report : report;
            });
        return failed > 0 ? 1 : 0;
    };
}

TRun DeclareSave(CLI::App* command)
{
    struct TArgs : TReadArguments {
        std::optional<std::string> OutDir;
    };
    auto a = std::make_shared<TArgs>();
    AddInputFiles(command, a->Inputs);
    AddOutDir(command, a->OutDir);
    AddJobs(command, a->Jobs);
    AddOpenAnyway(command, a->OpenAnyway);
    return [a] {
        return ForEachOutput("save", a->Inputs, a->OutDir, a->Jobs,
                             [&](const std::string& input, const std::filesystem::path& output, TFileResult&,
                                 TProgressDisplay* progress) {
                                 TORVAFile file = OpenDataFile(input, a->OpenAnyway, progress);
                                 file.SaveToFile(output, progress);
                             });
    };
}

TRun DeclareDemo(CLI::App* command)
{
    auto folder = std::make_shared<std::vector<std::string>>();
    command->add_option("DIR", *folder, "the folder to write the files into")->type_name(kFolder);
    return [folder] {
        RequirePositionals(*folder, 1);
        for (const auto& path : WriteDemoFiles(PathFromText((*folder)[0])))
            std::cout << PathText(path) << "\n";
        return 0;
    };
}

} // namespace

std::vector<TCommand> ModelCommands()
{
    return {
        {"check", "tell whether a data file may be opened",
         "usage: orva check FILE... [-j JOBS] [--open-anyway]\n",
         "Prints OK when FILE may be loaded, otherwise the reason (exit status 1).\n"
         "With several files, one line each: \"FILE: OK\" or \"FILE: reason\", in the order given;\n"
         "files are checked in parallel (-j JOBS, default the number of cores).\n"
         "A file whose length does not match its header is refused unless --open-anyway is given.\n",
         DeclareCheck},
        {"header", "print the header report of a data file",
         "usage: orva header FILE... [-j JOBS] [--open-anyway]\n",
         "Prints the header report of FILE, one line per line. With several files each\n"
         "report follows a line \"==> FILE <==\", in the order given, read in parallel (-j JOBS).\n",
         DeclareHeader},
        {"save", "load a data file and write it under another name",
         "usage: orva save FILE OUT [--open-anyway]\n"
         "       orva save FILE... --out-dir DIR [-j JOBS] [--open-anyway]\n",
         "Loads FILE and writes it whole to OUT. OUT is replaced only once it is complete.\n"
         "With --out-dir each FILE is written to DIR under its own name (never over itself),\n"
         "in parallel (-j JOBS, default the number of cores).\n",
         DeclareSave},
        {"demo", "write the demo session and average files",
         "usage: orva demo DIR\n",
         "Writes demo.ave (64 channels, 3 cells, 12 subjects), demo.ses (64 channels,\n"
         "2 cells, 40 trials each), the sensor positions demo.sfp and demo-study.ave (12\n"
         "subjects paired in the cells Standard and Target, the Target's P3 larger at the\n"
         "parietal sensors, for orva cluster-test) into DIR and prints their paths.\n",
         DeclareDemo},
    };
}

} // namespace orva::cli
