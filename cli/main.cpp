// orva: the batch tool. One subcommand per capability of the core.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/ORVAError.h"
#include "model/Platform.h"

#include "OrvaVersion.h"

#include <cstdio>
#include <exception>
#include <iostream>

using namespace orva;
using namespace orva::cli;

namespace {

std::vector<TCommand> AllCommands()
{
    std::vector<std::vector<TCommand> (*)()> groups{ModelCommands, ToolCommands, ExportCommands, LongTableCommands,
                                                    RecordingExportCommands, BidsCommands, MeasureCommands,
                                                    ErpCommands};
#ifdef ORVA_WITH_PLOT
    groups.push_back(PlotCommands);
#endif
    std::vector<TCommand> all;
    for (auto group : groups)
        for (const auto& c : group())
            all.push_back(c);
    return all;
}

void PrintOverview(std::ostream& out, const std::vector<TCommand>& commands)
{
    out << "usage: orva COMMAND [ARGS...]\n\n"
           "Works on session (*.ses) and average (*.ave) EEG data files.\n\ncommands:\n";
    for (const auto& c : commands) {
        std::string name = c.Name;
        out << "  " << name << std::string(name.size() < 14 ? 14 - name.size() : 1, ' ') << c.Summary << "\n";
    }
    out << "\nRun 'orva COMMAND --help' for the arguments of a command.\n";
}

} // namespace

int main(int argc, char** argv)
{
    const auto commands = AllCommands();
    std::vector<std::string> args = platform::ProgramArguments(argc, argv);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintOverview(args.empty() ? std::cerr : std::cout, commands);
        return args.empty() ? 1 : 0;
    }
    if (args[0] == "--version") {
        std::cout << "orva " << kOrvaVersion << "\n";
        return 0;
    }
    const TCommand* command = nullptr;
    for (const auto& c : commands)
        if (args[0] == c.Name)
            command = &c;
    if (!command) {
        std::cerr << "orva: unknown command '" << args[0] << "'\n";
        PrintOverview(std::cerr, commands);
        return 1;
    }
    args.erase(args.begin());
    for (const auto& a : args)
        if (a == "--help" || a == "-h") {
            std::cout << command->Usage;
            return 0;
        }
    try {
        return command->Run(args);
    } catch (const TUsageError& e) {
        std::cerr << "orva " << command->Name << ": " << e.Message << "\n" << command->Usage;
    } catch (const EORVAError& e) {
        std::cerr << "orva: " << e.what() << "\n";
    } catch (const std::bad_alloc&) {
        std::cerr << "orva: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "orva: " << e.what() << "\n";
    }
    return 1;
}
