// Subcommands of the signal tools.
#include "cli/Commands.h"

namespace orva::cli {

std::vector<TCommand> ToolCommands() { return {}; }

} // namespace orva::cli
