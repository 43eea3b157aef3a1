#include "cli/ArtifactOptions.h"

#include "cli/CliSupport.h"

#include <charconv>
#include <cmath>
#include <set>

namespace orva::cli {

namespace {

// A positive finite number typed with '.' whatever the locale, nothing before or after it.
std::optional<double> PositiveNumber(const std::string& text)
{
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value) || value <= 0)
        return std::nullopt;
    return value;
}

std::string ThresholdCheck(const std::string& text)
{
    return PositiveNumber(text) ? std::string()
                                : "needs a positive number of microvolts such as 100 or 0.5, not \"" + text + "\"";
}

std::optional<double> Given(const std::optional<std::string>& text)
{
    return text ? PositiveNumber(*text) : std::nullopt;
}

} // namespace

void AddRuleOptions(CLI::App* command, TRuleArguments& a, bool withRejectList, const TRuleOptionNames& names)
{
    std::vector<CLI::Option*> rules;
    rules.push_back(AddText(command, "--peak-to-peak", a.PeakToPeak, "UV",
                            "flag a trial whose largest max - min in one window exceeds UV on a channel",
                            ThresholdCheck));
    rules.push_back(AddText(command, "--flat", a.Flat, "UV",
                            "flag a trial whose max - min over the test window is below UV on a channel",
                            ThresholdCheck));
    rules.push_back(AddText(command, "--absolute", a.Absolute, "UV",
                            "flag a trial with a value beyond UV in magnitude on a channel", ThresholdCheck));
    rules.push_back(command
                        ->add_option("--moving-window", a.Moving,
                                     "peak-to-peak in windows W ms wide, moved by S ms, instead of the whole test window")
                        ->type_name("MS")
                        ->option_text("W S")
                        ->expected(2)
                        ->check(CLI::Validator(
                            [](std::string& text) {
                                return PositiveNumber(text) ? std::string()
                                                            : "needs two positive times in ms such as 200 or 12.5, "
                                                              "not \"" + text + "\"";
                            },
                            "")));
    rules.push_back(
        AddTimeWindow(command, a.Window, "test the samples from T1 to T2 ms, inclusive (default: all)", names.Window));
    rules.push_back(AddSelectionList(command, names.Chans, a.Chans));
    rules.push_back(AddSelectionList(command, "--bad-channels", a.BadChannels));
    if (!withRejectList)
        return;
    CLI::Option* list = AddText(command, "--reject-list", a.RejectList, kAnyFile,
                                "leave out the trials that this report (of orva artifacts, edited or not) marks bad");
    for (CLI::Option* rule : rules)
        list->excludes(rule);
}

TArtifactRules RulesOf(const TRuleArguments& a)
{
    TArtifactRules rules;
    rules.PeakToPeak = Given(a.PeakToPeak);
    rules.Flat = Given(a.Flat);
    rules.Absolute = Given(a.Absolute);
    if (!a.Moving.empty()) {
        if (!rules.PeakToPeak)
            throw TUsageError{"--moving-window needs --peak-to-peak"};
        rules.Moving = TMovingWindow{*PositiveNumber(a.Moving[0]), *PositiveNumber(a.Moving[1])};
    }
    if (!a.Window.empty()) {
        rules.WindowStart = *ParseTime(a.Window[0]);
        rules.WindowEnd = *ParseTime(a.Window[1]);
        if (*rules.WindowStart > *rules.WindowEnd)
            throw TUsageError{"--window: the start comes after the end"};
    }
    rules.Channels = ListOption(a.Chans);
    if (auto bad = ListOption(a.BadChannels))
        rules.BadChannels = *bad;
    return rules;
}

void RequireDistinctNames(const std::vector<std::string>& inputs)
{
    std::set<std::filesystem::path> names;
    for (const auto& input : inputs)
        if (!names.insert(AbsolutePath(input).filename()).second)
            throw TUsageError{"two inputs are named " + PathText(AbsolutePath(input).filename()) +
                              ": a report could not tell their trials apart"};
}

TTrialVerdicts::TTrialVerdicts(const TRuleArguments& a, const std::vector<std::string>& inputs)
{
    if (a.RejectList) {
        RequireDistinctNames(inputs);
        list_ = ReadRejectList(AbsolutePath(*a.RejectList));
        return;
    }
    if (!a.AnyRule())
        throw TUsageError{"give a rule (--peak-to-peak, --flat, --absolute) or --reject-list"};
    rules_ = RulesOf(a);
}

std::vector<TCellFlags> TTrialVerdicts::Flags(const TORVAFile& file) const
{
    if (list_)
        return FlagsFromRejectList(file, *list_);
    return DetectArtifacts(file, rules_, ChosenCells(file, std::nullopt));
}

std::string TTrialVerdicts::Summary(const TORVAFile& file, const std::vector<TCellFlags>& flags) const
{
    return SummaryBlock(file, ArtifactSummary(file, flags, list_ ? 0 : RulesInUse(rules_)));
}

std::string SummaryBlock(const TORVAFile& file, const std::string& summary)
{
    return PathText(file.FullFileName) + ":\n" + summary;
}

} // namespace orva::cli
