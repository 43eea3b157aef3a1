// Subcommands of the data file model: check, header, save, demo.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "data/DemoData.h"
#include "model/ORVAError.h"

#include <iostream>

namespace orva::cli {

namespace {

int RunCheck(const std::vector<std::string>& args)
{
    TArguments a(args, {"open-anyway"}, {});
    const std::filesystem::path path = AbsolutePath(a.Positionals(1)[0]);
    TORVAFile file;
    TFixedAnswer answer(a.Has("open-anyway"));
    const std::string problem = file.CheckFile(path, &answer);
    if (problem.empty()) {
        std::cout << "OK\n";
        return 0;
    }
    if (!answer.Asked().empty() && problem == "Bad file length")
        std::cout << answer.Asked().substr(0, answer.Asked().find('\r')) << "\n";
    std::cout << problem << "\n";
    return 1;
}

int RunHeader(const std::vector<std::string>& args)
{
    TArguments a(args, {"open-anyway"}, {});
    TTerminalProgress progress;
    TORVAFile file = OpenDataFile(a.Positionals(1)[0], a.Has("open-anyway"), &progress);
    std::vector<std::string> lines;
    file.GetHeaderText(lines);
    std::string text;
    for (const auto& line : lines)
        text.append(line).push_back('\n');
    std::cout << text;
    return 0;
}

int RunSave(const std::vector<std::string>& args)
{
    TArguments a(args, {"open-anyway"}, {});
    const auto& p = a.Positionals(2);
    TTerminalProgress progress;
    TORVAFile file = OpenDataFile(p[0], a.Has("open-anyway"), &progress);
    file.SaveToFile(AbsolutePath(p[1]), &progress);
    return 0;
}

int RunDemo(const std::vector<std::string>& args)
{
    TArguments a(args, {}, {});
    for (const auto& path : WriteDemoFiles(PathFromText(a.Positionals(1)[0])))
        std::cout << PathText(path) << "\n";
    return 0;
}

} // namespace

std::vector<TCommand> ModelCommands()
{
    return {
        {"check", "tell whether a data file may be opened",
         "usage: orva check FILE [--open-anyway]\n"
         "Prints OK when FILE may be loaded, otherwise the reason (exit status 1).\n"
         "A file whose length does not match its header is refused unless --open-anyway is given.\n",
         RunCheck},
        {"header", "print the header report of a data file",
         "usage: orva header FILE [--open-anyway]\n"
         "Prints the header report of FILE, one line per line.\n",
         RunHeader},
        {"save", "load a data file and write it under another name",
         "usage: orva save FILE OUT [--open-anyway]\n"
         "Loads FILE and writes it whole to OUT. OUT is replaced only once it is complete.\n",
         RunSave},
        {"demo", "write the demo session and average files",
         "usage: orva demo DIR\n"
         "Writes demo.ave (64 channels, 3 cells, 12 subjects) and demo.ses (64 channels,\n"
         "2 cells, 40 trials each) into DIR and prints their paths.\n",
         RunDemo},
    };
}

} // namespace orva::cli
