#include "cli/ClusterPictureOption.h"

#include "cli/CliSupport.h"
#include "head/SensorPositions.h"
#include "model/PathText.h"

#ifdef ORVA_WITH_PLOT
#include "cli/PictureOptions.h"
#include "plot/ClusterPicture.h"
#include "plot/PlotPicture.h"
#include "plot/QtText.h"
#endif

#include <iostream>

namespace orva::cli {

namespace {

#ifdef ORVA_WITH_PLOT
// The tested channels' directions, or none when one of them has no position.
std::vector<TPoint3> TestedDirections(const TClusterTestRun& run)
{
    if (!run.Positions)
        return {};
    const auto directions = ChannelDirections(ReadSensorPositions(*run.Positions), run.ChannelNames);
    std::vector<TPoint3> tested;
    for (int c : run.Result.Channels) {
        if (c < 0 || static_cast<std::size_t>(c) >= directions.size() || !directions[static_cast<std::size_t>(c)])
            return {};
        tested.push_back(*directions[static_cast<std::size_t>(c)]);
    }
    return tested;
}
#endif

} // namespace

std::shared_ptr<TClusterPictureRequest> AddClusterPicture(CLI::App* command)
{
    auto request = std::make_shared<TClusterPictureRequest>();
    AddText(command, "--picture", request->Path, kAnyFile,
            "also draw channels x time coloured by t, the significant clusters outlined, and a scalp map per "
            "significant cluster: STATS.png or STATS.svg",
            [](const std::string& text) {
#ifdef ORVA_WITH_PLOT
                return plot::PictureFormatOf(plot::PathToText(AbsolutePath(text)))
                           ? std::string()
                           : "needs a name ending in .png or .svg, not \"" + text + "\"";
#else
                (void)text;
                return std::string("needs the build with the desktop program's pictures");
#endif
            });
    return request;
}

void SaveClusterPicture(const TClusterPictureRequest& request, const TClusterTestRun& run,
                        const std::optional<std::string>& alpha)
{
    if (!request.Path)
        return;
#ifdef ORVA_WITH_PLOT
    const std::filesystem::path picture = AbsolutePath(*request.Path);
    const auto application = DrawingApplication();
    plot::SaveClusterPicture(plot::PathToText(picture),
                             {run.Result, TestedDirections(run), alpha ? *ParseTime(*alpha) : 0.05});
    std::cout << PathText(picture) << "\n";
#else
    (void)run;
    (void)alpha;
#endif
}

} // namespace orva::cli
