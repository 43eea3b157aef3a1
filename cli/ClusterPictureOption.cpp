#include "cli/ClusterPictureOption.h"

#include "cli/CliSupport.h"
#include "model/PathText.h"

#ifdef ORVA_WITH_PLOT
#include "cli/PictureOptions.h"
#include "plot/ClusterPicture.h"
#include "plot/PlotPicture.h"
#include "plot/QtText.h"
#endif

#include <iostream>

namespace orva::cli {

CLI::Option* AddClusterPicture(CLI::App* command, std::optional<std::string>& path)
{
    return AddText(command, "--picture", path, kAnyFile,
                   "also draw channels x time coloured by t, the significant clusters outlined, and a scalp map "
                   "per significant cluster: STATS.png or STATS.svg");
}

void CheckClusterPicture(const std::optional<std::string>& path)
{
    if (!path)
        return;
#ifdef ORVA_WITH_PLOT
    if (!plot::PictureFormatOf(plot::PathToText(AbsolutePath(*path))))
        throw TUsageError{"the picture's name must end in .png or .svg"};
#else
    throw TUsageError{"--picture needs the build with the desktop program's pictures"};
#endif
}

void SaveClusterPictureIfAsked(const std::optional<std::string>& path, const TClusterTestResult& result,
                               const std::vector<TPoint3>& directions, double alpha)
{
    if (!path)
        return;
#ifdef ORVA_WITH_PLOT
    const std::filesystem::path picture = AbsolutePath(*path);
    const auto application = DrawingApplication();
    plot::SaveClusterPicture(plot::PathToText(picture), {result, directions, alpha});
    std::cout << PathText(picture) << "\n";
#else
    (void)result;
    (void)directions;
    (void)alpha;
    CheckClusterPicture(path);
#endif
}

} // namespace orva::cli
