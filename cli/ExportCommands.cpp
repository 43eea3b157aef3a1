// Subcommands of the exports: export-text, export-stats.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "export/StatsExport.h"
#include "export/TextExport.h"

#include <climits>
#include <clocale>
#include <memory>
#include <optional>
#include <string>

namespace orva::cli {

namespace {

// The decimal separator of the user's locale (LC_NUMERIC from the environment). The
// program's own locale is put back, so nothing else is affected.
char LocaleDecimalSeparator()
{
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = current ? current : "C";
    char separator = '.';
    if (std::setlocale(LC_NUMERIC, "")) {
        const char* point = std::localeconv()->decimal_point;
        // A separator of several bytes (a multibyte character) cannot stand in one 8-bit field.
        if (point && point[0] != '\0' && point[1] == '\0')
            separator = point[0];
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    return separator;
}

CLI::Option* AddDecimalSeparator(CLI::App* command, std::optional<std::string>& separator)
{
    return AddText(command, "--decimal-separator", separator, "C",
                   "the character between units and decimals (default: that of the locale, from "
                   "LC_ALL/LC_NUMERIC/LANG)",
                   [](const std::string& text) {
                       return text.size() == 1 ? std::string()
                                               : "needs exactly one character, not \"" + text + "\"";
                   });
}

char DecimalSeparator(const std::optional<std::string>& separator)
{
    return separator ? (*separator)[0] : LocaleDecimalSeparator();
}

TRun DeclareExportText(CLI::App* command)
{
    struct TArgs {
        std::vector<std::string> Positionals;
        bool OpenAnyway = false, NoHeader = false, AllCells = false, AllObs = false, Average = false,
             AllChans = false;
        std::optional<int> Cell, Obs, Chan;
        std::optional<std::string> Separator;
    };
    auto a = std::make_shared<TArgs>();
    AddInputFiles(command, a->Positionals)->description("FILE and OUT");
    AddFlag(command, "--no-header", a->NoHeader, "leave out the 'Source file:' header");
    CLI::Option* cell = AddWholeNumber(command, "--cell", a->Cell, 1, INT_MAX, "N", "the cell (default 1)");
    CLI::Option* allCells = AddFlag(command, "--all-cells", a->AllCells, "every cell");
    CLI::Option* obs = AddWholeNumber(command, "--obs", a->Obs, 1, INT_MAX, "N", "the observation (default 1)");
    CLI::Option* allObs = AddFlag(command, "--all-obs", a->AllObs, "every observation");
    CLI::Option* average =
        AddFlag(command, "--average", a->Average, "the mean over all observations of each cell");
    CLI::Option* chan = AddWholeNumber(command, "--chan", a->Chan, 1, INT_MAX, "N", "the channel (default 1)");
    CLI::Option* allChans = AddFlag(command, "--all-chans", a->AllChans, "every channel");
    cell->excludes(allCells);
    obs->excludes(allObs)->excludes(average);
    allObs->excludes(average);
    chan->excludes(allChans);
    AddDecimalSeparator(command, a->Separator);
    AddOpenAnyway(command, a->OpenAnyway);
    return [a] {
        RequirePositionals(a->Positionals, 2);
        TTextExportOptions options;
        options.IncludeHeader = !a->NoHeader;
        options.AllCells = a->AllCells;
        options.ChosenCell = a->Cell.value_or(1);
        options.ObservationMode = a->Average ? omAverage : a->AllObs ? omAll : omOne;
        options.ChosenObservation = a->Obs.value_or(1);
        options.AllChannels = a->AllChans;
        options.ChosenChannel = a->Chan.value_or(1);
        const char separator = DecimalSeparator(a->Separator);

        TTerminalProgress progress;
        const TORVAFile file = OpenDataFile(a->Positionals[0], a->OpenAnyway, &progress);
        SaveLines(AbsolutePath(a->Positionals[1]), kCrLf,
                  [&](TLineSink& sink) { WriteTextExport(file, options, separator, sink); });
        return 0;
    };
}

TRun DeclareExportStats(CLI::App* command)
{
    struct TArgs {
        std::vector<std::string> Positionals;
        bool OpenAnyway = false;
        std::optional<std::string> Cells, Obs, Chans, Samples, Separator;
    };
    auto a = std::make_shared<TArgs>();
    AddInputFiles(command, a->Positionals)->description("FILE and OUT");
    AddSelectionList(command, "--cells", a->Cells);
    AddSelectionList(command, "--obs", a->Obs);
    AddSelectionList(command, "--chans", a->Chans);
    AddSelectionList(command, "--samples", a->Samples);
    AddDecimalSeparator(command, a->Separator);
    AddOpenAnyway(command, a->OpenAnyway);
    return [a] {
        RequirePositionals(a->Positionals, 2);
        const char separator = DecimalSeparator(a->Separator);
        TTerminalProgress progress;
        const TORVAFile file = OpenDataFile(a->Positionals[0], a->OpenAnyway, &progress);
        // The defaults are what a new stats window proposes.
        const TStatsProposal proposal = ProposeStatsSelection(file);
        const TSelectionList cells = ParseSelectionList(a->Cells.value_or(NumberListText(1, file.NumCells())));
        const TSelectionList obs = ParseSelectionList(a->Obs.value_or(NumberListText(1, proposal.MinObservations)));
        const TSelectionList chans = ParseSelectionList(a->Chans.value_or(""));
        const TSelectionList samples = ParseSelectionList(a->Samples.value_or(NumberListText(1, proposal.MinSamples)));
        SaveLines(AbsolutePath(a->Positionals[1]), kCrLf,
                  [&](TLineSink& sink) { WriteStatsExport(file, cells, obs, chans, samples, separator, sink); });
        return 0;
    };
}

} // namespace

std::vector<TCommand> ExportCommands()
{
    return {
        {"export-text", "export cells, observations and channels as tab-separated text",
         "usage: orva export-text FILE OUT [--no-header] [--cell N | --all-cells]\n"
         "                        [--obs N | --all-obs | --average] [--chan N | --all-chans]\n"
         "                        [--decimal-separator C] [--open-anyway]\n",
         "Writes the calibrated values of FILE to OUT, one block per cell and observation\n"
         "(or per cell with --average: the mean over all of its observations), one row per\n"
         "sample and one column per channel, each line ended by CR LF.\n"
         "Defaults: the 'Source file:' header, cell 1, observation 1, channel 1.\n"
         "OUT is replaced only once it is complete.\n",
         DeclareExportText},
        {"export-stats", "export a selection as one table for a statistics package",
         "usage: orva export-stats FILE OUT [--cells LIST] [--obs LIST] [--chans LIST]\n"
         "                         [--samples LIST] [--decimal-separator C] [--open-anyway]\n",
         "Writes one column per listed cell, observation and channel (channel fastest),\n"
         "three label rows and one row per listed sample, each line ended by CR LF.\n"
         "A LIST holds numbers separated by spaces, e.g. \"1 3 5\"; they are read leniently\n"
         "(\"3,\" reads as 3) and kept in the order given, duplicates included.\n"
         "Defaults: every cell, the observations and samples that every cell has, no channel\n"
         "(so give --chans to export values). Numbers outside the file are refused.\n"
         "OUT is replaced only once it is complete.\n",
         DeclareExportStats},
    };
}

} // namespace orva::cli
