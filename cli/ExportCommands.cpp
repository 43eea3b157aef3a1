// Subcommands of the exports.
#include "cli/Commands.h"

namespace orva::cli {

std::vector<TCommand> ExportCommands() { return {}; }

} // namespace orva::cli
