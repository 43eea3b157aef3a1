// orva interpolate: bad channels repaired by spherical splines from the sensors' positions.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ErpOutputs.h"
#include "head/SensorPositions.h"
#include "model/PathText.h"
#include "select/EpochLayout.h"
#include "select/Selection.h"
#include "tools/ChannelInterpolation.h"

namespace orva::cli {

namespace {

TRun DeclareInterpolate(CLI::App* command)
{
    struct TArgs : TErpArguments {
        std::optional<std::string> Positions;
        std::optional<std::string> Chans;
        std::optional<std::string> Exclude;
        std::optional<std::string> ChannelNames;
        std::vector<std::string> Origin;
    };
    auto a = DeclareEachInput<TArgs>(command);
    AddText(command, "--positions", a->Positions, kAnyFile,
            "the sensors' positions: .sfp (label x y z per line) or a BIDS _electrodes.tsv")
        ->required();
    AddSelectionList(command, "--chans", a->Chans)->required()->description("the channels to interpolate (numbers from 1)");
    AddSelectionList(command, "--exclude", a->Exclude)
        ->description("channels (numbers from 1) neither interpolated nor interpolated from, such as EOG channels");
    AddText(command, "--channel-names", a->ChannelNames, kAnyFile,
            "one UTF-8 name per line for every channel, matched to the sensors' labels (default E1 ... En)");
    command->add_option("--origin", a->Origin, "the centre of the head in the positions' units (default 0 0 0)")
        ->type_name("X")
        ->option_text("X Y Z")
        ->expected(3)
        ->check(CLI::Validator(
            [](std::string& text) {
                return ParseTime(text) ? std::string() : "needs three numbers such as 0 -1.5 4, not \"" + text + "\"";
            },
            ""));
    return [a] {
        TInterpolationOptions options;
        options.PositionsFile = AbsolutePath(*a->Positions);
        options.Sensors = ReadSensorPositions(options.PositionsFile);
        options.Channels = ParseSelectionList(*a->Chans);
        if (a->Exclude)
            options.Excluded = ParseSelectionList(*a->Exclude);
        if (!a->Origin.empty())
            options.Origin = {*ParseTime(a->Origin[0]), *ParseTime(a->Origin[1]), *ParseTime(a->Origin[2])};
        std::optional<std::filesystem::path> names;
        if (a->ChannelNames)
            names = AbsolutePath(*a->ChannelNames);
        return ForEachInput("interpolate", *a, "", [&](TORVAFile file, TFileResult&) {
            TInterpolationOptions own = options;
            own.ChannelNames = ChannelNamesFor(file, names);
            return InterpolateChannels(std::move(file), own);
        });
    };
}

} // namespace

std::vector<TCommand> InterpolateCommands()
{
    return {
        {"interpolate", "repair bad channels by spherical splines from the other channels",
         "usage: orva interpolate FILE... --positions P --chans LIST (-o OUT | --out-dir DIR) [--exclude LIST]\n"
         "                        [--channel-names FILE] [--origin X Y Z] [-j JOBS] [--open-anyway]\n",
         "Replaces every channel of --chans, in every observation and sample of every cell, by\n"
         "the spherical spline (Perrin et al. 1989; order 4, 50 Legendre terms, 1e-5 on the\n"
         "diagonal, as MNE-Python and EEGLAB) through every channel neither in --chans nor in\n"
         "--exclude; at least 3 such channels are needed. Sensors are matched to channels by\n"
         "name (E1 ... En or --channel-names); labels that match no channel are ignored, and a\n"
         "channel that is needed without a position is refused. Only each sensor's direction\n"
         "from the origin counts. An average file is stored at the ScaleBins its new values\n"
         "need; session values beyond a 16-bit sample are clamped and counted on stderr.\n" ORVA_ERP_OUTPUTS,
         DeclareInterpolate},
    };
}

} // namespace orva::cli
