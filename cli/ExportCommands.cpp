// Subcommands of the exports: export-text, export-stats.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "export/StatsExport.h"
#include "export/TextExport.h"

#include <charconv>
#include <clocale>
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

char DecimalSeparator(const TArguments& a)
{
    if (!a.Has("decimal-separator"))
        return LocaleDecimalSeparator();
    const std::string value = a.Value("decimal-separator");
    if (value.size() != 1)
        throw TUsageError{"--decimal-separator needs exactly one character, not '" + value + "'"};
    return value[0];
}

int NumberOption(const TArguments& a, const std::string& name, int fallback)
{
    if (!a.Has(name))
        return fallback;
    const std::string text = a.Value(name);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        throw TUsageError{"--" + name + " needs a whole number, not '" + text + "'"};
    return value;
}

void RefuseTogether(const TArguments& a, const std::string& one, const std::string& other)
{
    if (a.Has(one) && a.Has(other))
        throw TUsageError{"--" + one + " and --" + other + " exclude each other"};
}

int RunExportText(const std::vector<std::string>& args)
{
    TArguments a(args, {"open-anyway", "no-header", "all-cells", "all-obs", "average", "all-chans"},
                 {"cell", "obs", "chan", "decimal-separator"});
    const auto& p = a.Positionals(2);
    RefuseTogether(a, "cell", "all-cells");
    RefuseTogether(a, "obs", "all-obs");
    RefuseTogether(a, "obs", "average");
    RefuseTogether(a, "all-obs", "average");
    RefuseTogether(a, "chan", "all-chans");
    TTextExportOptions options;
    options.IncludeHeader = !a.Has("no-header");
    options.AllCells = a.Has("all-cells");
    options.ChosenCell = NumberOption(a, "cell", 1);
    options.ObservationMode = a.Has("average") ? omAverage : a.Has("all-obs") ? omAll : omOne;
    options.ChosenObservation = NumberOption(a, "obs", 1);
    options.AllChannels = a.Has("all-chans");
    options.ChosenChannel = NumberOption(a, "chan", 1);
    const char separator = DecimalSeparator(a);

    TTerminalProgress progress;
    const TORVAFile file = OpenDataFile(p[0], a.Has("open-anyway"), &progress);
    SaveLines(AbsolutePath(p[1]), kCrLf,
              [&](TLineSink& sink) { WriteTextExport(file, options, separator, sink); });
    return 0;
}

int RunExportStats(const std::vector<std::string>& args)
{
    TArguments a(args, {"open-anyway"}, {"cells", "obs", "chans", "samples", "decimal-separator"});
    const auto& p = a.Positionals(2);
    const char separator = DecimalSeparator(a);

    TTerminalProgress progress;
    const TORVAFile file = OpenDataFile(p[0], a.Has("open-anyway"), &progress);
    // The defaults are what a new stats window proposes.
    const TStatsProposal proposal = ProposeStatsSelection(file);
    const TSelectionList cells = ParseSelectionList(a.Value("cells", NumberListText(1, file.NumCells())));
    const TSelectionList obs = ParseSelectionList(a.Value("obs", NumberListText(1, proposal.MinObservations)));
    const TSelectionList chans = ParseSelectionList(a.Value("chans", ""));
    const TSelectionList samples = ParseSelectionList(a.Value("samples", NumberListText(1, proposal.MinSamples)));
    SaveLines(AbsolutePath(p[1]), kCrLf,
              [&](TLineSink& sink) { WriteStatsExport(file, cells, obs, chans, samples, separator, sink); });
    return 0;
}

} // namespace

std::vector<TCommand> ExportCommands()
{
    return {
        {"export-text", "export cells, observations and channels as tab-separated text",
         "usage: orva export-text FILE OUT [--no-header] [--cell N | --all-cells]\n"
         "                        [--obs N | --all-obs | --average] [--chan N | --all-chans]\n"
         "                        [--decimal-separator C] [--open-anyway]\n"
         "Writes the calibrated values of FILE to OUT, one block per cell and observation\n"
         "(or per cell with --average: the mean over all of its observations), one row per\n"
         "sample and one column per channel, each line ended by CR LF.\n"
         "Defaults: the 'Source file:' header, cell 1, observation 1, channel 1.\n"
         "  --decimal-separator C  the character between units and decimals\n"
         "                         (default: that of the locale, from LC_ALL/LC_NUMERIC/LANG)\n"
         "  --open-anyway          load a file whose length does not match its header\n"
         "OUT is replaced only once it is complete.\n",
         RunExportText},
        {"export-stats", "export a selection as one table for a statistics package",
         "usage: orva export-stats FILE OUT [--cells LIST] [--obs LIST] [--chans LIST]\n"
         "                         [--samples LIST] [--decimal-separator C] [--open-anyway]\n"
         "Writes one column per listed cell, observation and channel (channel fastest),\n"
         "three label rows and one row per listed sample, each line ended by CR LF.\n"
         "A LIST holds numbers separated by spaces, e.g. \"1 3 5\"; they are read leniently\n"
         "(\"3,\" reads as 3) and kept in the order given, duplicates included.\n"
         "Defaults: every cell, the observations and samples that every cell has, no channel\n"
         "(so give --chans to export values). Numbers outside the file are refused.\n"
         "  --decimal-separator C  the character between units and decimals\n"
         "                         (default: that of the locale, from LC_ALL/LC_NUMERIC/LANG)\n"
         "  --open-anyway          load a file whose length does not match its header\n"
         "OUT is replaced only once it is complete.\n",
         RunExportStats},
    };
}

} // namespace orva::cli
