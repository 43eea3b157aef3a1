// orva: the batch tool. One subcommand per capability of the core, each declared once
// (cli/CommandLine.h) for parsing, help, completion and the manual page's check.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/ORVAError.h"
#include "model/Platform.h"

#include "OrvaVersion.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <map>

using namespace orva;
using namespace orva::cli;

namespace orva::cli {

std::vector<TCommand> AllCommands()
{
    std::vector<std::vector<TCommand> (*)()> groups{ModelCommands, ToolCommands, ExportCommands, LongTableCommands,
                                                    RecordingExportCommands, BidsCommands, MeasureCommands,
                                                    ErpCommands, InterpolateCommands, ArtifactCommands};
#ifdef ORVA_WITH_PLOT
    groups.push_back(PlotCommands);
    groups.push_back(MapCommands);
#endif
    std::vector<TCommand> all;
    for (auto group : groups)
        for (const auto& c : group())
            all.push_back(c);
    return all;
}

} // namespace orva::cli

namespace {

void PrintOverview(std::ostream& out, const std::vector<TCommand>& commands)
{
    out << "usage: orva COMMAND [ARGS...]\n\n"
           "Works on session (*.ses) and average (*.ave) EEG data files.\n\ncommands:\n";
    for (const auto& c : commands) {
        std::string name = c.Name;
        out << "  " << name << std::string(name.size() < 14 ? 14 - name.size() : 1, ' ') << c.Summary << "\n";
    }
    out << "\nRun 'orva COMMAND --help' (or 'orva help COMMAND') for the arguments of a command.\n";
}

// The declared words, one line per command, tab-separated: the name, every option (its
// spellings joined by commas), the options that take a value with the kind of value
// ("-j,--jobs=JOBS"), and the kind of the positionals. The shell completion and the manual page's check read this.
void PrintDeclarations(const CLI::App& app)
{
    for (const CLI::App* command : app.get_subcommands({})) {
        std::string names, values, positionals;
        for (const CLI::Option* option : command->get_options()) {
            if (option->get_positional()) {
                positionals = option->get_type_name();
                continue;
            }
            // One option's spellings joined by commas: "-j,--jobs".
            std::string spellings;
            for (const auto& n : option->get_snames())
                spellings += (spellings.empty() ? "-" : ",-") + n;
            for (const auto& n : option->get_lnames())
                spellings += (spellings.empty() ? "--" : ",--") + n;
            names += (names.empty() ? "" : " ") + spellings;
            if (!option->get_type_name().empty())
                values += (values.empty() ? "" : " ") + spellings + "=" + option->get_type_name();
        }
        std::cout << command->get_name() << "\t" << names << "\t" << values << "\t" << positionals << "\n";
    }
}

int Fail(const TCommand& command, const std::string& message)
{
    std::cerr << "orva " << command.Name << ": " << message << "\n"
              << command.Usage << "Run 'orva " << command.Name << " --help' for every option.\n";
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const auto commands = AllCommands();
    // UTF-8 on every system (on Windows from the wide command line).
    std::vector<std::string> args = platform::ProgramArguments(argc, argv);

    CLI::App app("orva", "orva");
    app.formatter(std::make_shared<THelpFormatter>());
    app.require_subcommand(1);
    // CLI11 reads "/name" as an option on Windows; there it is a path, as everywhere.
    app.allow_windows_style_options(false);
    std::map<std::string, TRun> runs;
    for (const auto& c : commands) {
        std::string help = std::string(c.Usage) + c.Description;
        help.pop_back(); // CLI11 ends the description with a line break of its own
        CLI::App* sub = app.add_subcommand(c.Name, help);
        runs[c.Name] = c.Declare(sub);
    }
    auto find = [&](const std::string& name) -> const TCommand* {
        const auto it = std::find_if(commands.begin(), commands.end(), [&](const TCommand& c) { return name == c.Name; });
        return it == commands.end() ? nullptr : &*it;
    };

    if (args.empty() || args[0] == "--help" || args[0] == "-h" || (args[0] == "help" && args.size() == 1)) {
        PrintOverview(args.empty() ? std::cerr : std::cout, commands);
        return args.empty() ? 1 : 0;
    }
    if (args[0] == "--version") {
        std::cout << "orva " << kOrvaVersion << "\n";
        return 0;
    }
    if (args[0] == "--declarations") {
        PrintDeclarations(app);
        return 0;
    }
    const bool helpFor = args[0] == "help";
    const TCommand* command = find(args[helpFor ? 1 : 0]);
    if (!command) {
        std::cerr << "orva: unknown command '" << args[helpFor ? 1 : 0] << "'\n";
        PrintOverview(std::cerr, commands);
        return 1;
    }
    CLI::App* sub = app.get_subcommand(command->Name);
    if (helpFor) {
        std::cout << sub->help();
        return 0;
    }
    try {
        std::reverse(args.begin(), args.end()); // CLI11 takes the arguments last first
        app.parse(args);
    } catch (const CLI::CallForHelp&) {
        std::cout << sub->help();
        return 0;
    } catch (const CLI::ParseError& e) {
        return Fail(*command, UsageErrorText(e, sub));
    }
    try {
        return runs[command->Name]();
    } catch (const TUsageError& e) {
        return Fail(*command, e.Message);
    } catch (const EORVAError& e) {
        std::cerr << "orva: " << e.what() << "\n";
    } catch (const std::bad_alloc&) {
        std::cerr << "orva: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "orva: " << e.what() << "\n";
    }
    return 1;
}
