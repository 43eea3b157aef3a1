#pragma once
#include "cli/CommandLine.h"

#include <vector>

namespace orva::cli {

// Each group of subcommands lists itself here; the command line joins the lists.
std::vector<TCommand> ModelCommands();
std::vector<TCommand> ToolCommands();
std::vector<TCommand> ExportCommands();
std::vector<TCommand> LongTableCommands();
std::vector<TCommand> MeasureCommands();
std::vector<TCommand> RecordingExportCommands();
std::vector<TCommand> BidsCommands();
/// The ERP operations that write new data files (average, combine, ...).
std::vector<TCommand> ErpCommands();
/// Bad channels repaired from the sensors' positions (interpolate).
std::vector<TCommand> InterpolateCommands();
/// The artifact rules: artifacts, reject.
std::vector<TCommand> ArtifactCommands();
/// Data quality of the averages (quality).
std::vector<TCommand> QualityCommands();
/// The channel neighbours of a net's positions (neighbours).
std::vector<TCommand> NeighboursCommands();
/// The cluster-based permutation test (cluster-test).
std::vector<TCommand> ClusterTestCommands();
/// The picture commands: present only where the desktop program (Qt) is built.
std::vector<TCommand> PlotCommands();
/// The scalp maps: present with the picture commands.
std::vector<TCommand> MapCommands();

/// Every command of this build, in the order "orva --help" lists them.
std::vector<TCommand> AllCommands();

} // namespace orva::cli
