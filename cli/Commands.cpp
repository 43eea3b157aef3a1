// The list of every command, shared by main and the fuzz target of the command line.
#include "cli/Commands.h"

namespace orva::cli {

std::vector<TCommand> AllCommands()
{
    std::vector<std::vector<TCommand> (*)()> groups{ModelCommands, ToolCommands, ExportCommands, LongTableCommands,
                                                    RecordingExportCommands, BidsCommands, MeasureCommands,
                                                    ErpCommands, InterpolateCommands, NeighboursCommands,
                                                    ArtifactCommands, QualityCommands, ClusterTestCommands};
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
