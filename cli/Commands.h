#pragma once
#include <string>
#include <vector>

namespace orva::cli {

/// One subcommand of the batch tool: runs with its arguments, returns the exit status.
struct TCommand {
    const char* Name;
    const char* Summary;
    const char* Usage; ///< the full help text of the subcommand
    int (*Run)(const std::vector<std::string>& args);
};

// Each group of subcommands lists itself here; main() joins the lists.
std::vector<TCommand> ModelCommands();
std::vector<TCommand> ToolCommands();
std::vector<TCommand> ExportCommands();
std::vector<TCommand> LongTableCommands();
std::vector<TCommand> MeasureCommands();
std::vector<TCommand> RecordingExportCommands();
std::vector<TCommand> BidsCommands();
/// The ERP operations that write new data files (average, combine, ...).
std::vector<TCommand> ErpCommands();
/// The picture commands: present only where the desktop program (Qt) is built.
std::vector<TCommand> PlotCommands();

} // namespace orva::cli
