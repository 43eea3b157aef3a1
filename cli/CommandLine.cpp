#include "cli/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <sstream>
#include <thread>

namespace orva::cli {

namespace {

// A validator whose message follows the option's name ("--cell needs ..."); CLI11 puts
// "NAME: " before it, which UsageErrorText turns back into "NAME ".
CLI::Validator Checked(const TCheck& check)
{
    return CLI::Validator([check](std::string& text) { return check(text); }, "");
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string NumberCheck(const std::string& text, int minimum, int maximum)
{
    const std::optional<int> value = WholeNumber(text);
    if (value && *value >= minimum && *value <= maximum)
        return {};
    const std::string range = maximum == INT_MAX ? "of at least " + std::to_string(minimum)
                                                 : "from " + std::to_string(minimum) + " to " + std::to_string(maximum);
    return "needs a whole number " + range + ", not " + Quoted(text);
}

// "a, b or c"
std::string Alternatives(const std::vector<std::string>& words)
{
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i)
        text += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
    return text;
}

const char* ListHelp(const std::string& name)
{
    if (name == "--cells")
        return "cell numbers (from 1), e.g. \"1 3 5\"";
    if (name == "--obs")
        return "observation numbers (from 1)";
    if (name == "--chans")
        return "channel numbers (from 1)";
    if (name == "--test-chans")
        return "channel numbers (from 1) the rules test (default: all)";
    if (name == "--bad-channels")
        return "channel numbers (from 1) never tested (still written and averaged)";
    if (name == "--exclude")
        return "channel numbers (from 1) left out of the mean";
    return "sample numbers (from 1)";
}

} // namespace

std::optional<int> WholeNumber(const std::string& text)
{
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

CLI::Option* AddInputFiles(CLI::App* command, std::vector<std::string>& files)
{
    // An empty argument (a shell variable left unset) would otherwise reach the core as a
    // file without a name, refused in words that cannot name it.
    return command->add_option("FILE", files, "data files (*.ses, *.ave); after --, names may begin with -")
        ->type_name(kDataFile)
        ->option_text("...")
        ->check(Checked([](const std::string& text) {
            return text.empty() ? std::string("is an empty argument, which names no file") : std::string();
        }));
}

void RequirePositionals(const std::vector<std::string>& positionals, std::size_t count)
{
    if (positionals.size() != count)
        throw TUsageError{"expected " + std::to_string(count) + " argument" + (count == 1 ? "" : "s") + ", got " +
                          std::to_string(positionals.size())};
}

void RequireInputs(const std::vector<std::string>& inputs)
{
    if (inputs.empty())
        throw TUsageError{"no input file given"};
}

CLI::Option* AddOutputFile(CLI::App* command, std::string& output)
{
    return command->add_option("-o", output, "the output file, replaced only once it is complete")
        ->type_name(kAnyFile)
        ->required();
}

CLI::Option* AddOutDir(CLI::App* command, std::optional<std::string>& folder)
{
    return command
        ->add_option_function<std::string>(
            "--out-dir", [&folder](const std::string& text) { folder = text; },
            "write each FILE to DIR under its own name (never over itself)")
        ->type_name(kFolder);
}

CLI::Option* AddJobs(CLI::App* command, int& jobs)
{
    jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return command
        ->add_option_function<std::string>(
            "-j,--jobs", [&jobs](const std::string& text) { jobs = *WholeNumber(text); },
            "files worked on at once (default: the number of cores)")
        ->type_name("JOBS")
        ->check(Checked([](const std::string& text) { return NumberCheck(text, 1, 9999); }));
}

CLI::Option* AddOpenAnyway(CLI::App* command, bool& openAnyway)
{
    return command->add_flag("--open-anyway", openAnyway, "load a file whose length does not match its header");
}

CLI::Option* AddFlag(CLI::App* command, const std::string& name, bool& set, const std::string& help)
{
    return command->add_flag(name, set, help);
}

CLI::Option* AddSelectionList(CLI::App* command, const std::string& name, std::optional<std::string>& list)
{
    return AddText(command, name, list, "LIST", ListHelp(name));
}

CLI::Option* AddWholeNumber(CLI::App* command, const std::string& name, std::optional<int>& value, int minimum,
                            int maximum, const std::string& type, const std::string& help)
{
    return command
        ->add_option_function<std::string>(
            name, [&value](const std::string& text) { value = *WholeNumber(text); }, help)
        ->type_name(type)
        ->check(Checked([=](const std::string& text) { return NumberCheck(text, minimum, maximum); }));
}

std::optional<double> ParseTime(const std::string& text)
{
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

CLI::Option* AddTimeWindow(CLI::App* command, std::vector<std::string>& window, const std::string& help,
                           const std::string& name)
{
    return command->add_option(name, window, help)
        ->type_name("T")
        ->option_text("T1 T2")
        ->expected(2)
        ->check(CLI::Validator(
            [](std::string& text) {
                return ParseTime(text) ? std::string() : "needs two times in ms such as -100 or 250.5, not \"" + text + "\"";
            },
            ""));
}

CLI::Option* AddChoice(CLI::App* command, const std::string& name, std::optional<std::string>& value,
                       const std::vector<std::string>& words, const std::string& help)
{
    std::string type;
    for (const auto& word : words)
        type += (type.empty() ? "" : "|") + word;
    return AddText(command, name, value, type, help, [words](const std::string& text) {
        if (std::find(words.begin(), words.end(), text) != words.end())
            return std::string();
        // "none" is the default that need not be named.
        std::vector<std::string> named;
        std::copy_if(words.begin(), words.end(), std::back_inserter(named), [](const auto& w) { return w != "none"; });
        return "is " + Alternatives(named) + ", not " + Quoted(text);
    });
}

CLI::Option* AddText(CLI::App* command, const std::string& name, std::optional<std::string>& value,
                     const std::string& type, const std::string& help, const TCheck& check)
{
    CLI::Option* option = command->add_option_function<std::string>(
        name, [&value](const std::string& text) { value = text; }, help);
    option->type_name(type);
    if (check)
        option->check(Checked(check));
    return option;
}

std::string UsageErrorText(const CLI::Error& error, const CLI::App* command)
{
    const std::string text = error.what();
    const std::size_t colon = text.find(": ");
    const std::string name = text.substr(0, colon);
    // An argument that fits nothing is the likely cause of any other complaint (a required
    // option mistyped), so it is named first.
    const std::vector<std::string> extras = command ? command->remaining() : std::vector<std::string>();
    if (!extras.empty())
        return (extras[0].size() > 1 && extras[0][0] == '-' ? "unknown option " : "unexpected argument ") + extras[0];
    if (dynamic_cast<const CLI::ValidationError*>(&error) && colon != std::string::npos)
        return name + " " + text.substr(colon + 2);
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) && colon != std::string::npos) {
        if (text.find(" missing", colon) != std::string::npos) {
            const std::string count = text.substr(colon + 2, text.find(' ', colon + 2) - colon - 2);
            return "option " + name + (count == "1" ? " needs a value" : " needs " + count + " values");
        }
        const std::size_t atLeast = text.find("At least ", colon);
        if (atLeast != std::string::npos)
            return "option " + name + " needs " + text.substr(atLeast + 9, text.find(' ', atLeast + 9) - atLeast - 9) +
                   " values";
        if (text.find("At Most", colon) != std::string::npos)
            return name + " may be given once only";
    }
    return text;
}

std::string THelpFormatter::make_usage(const CLI::App* app, std::string name) const
{
    // A command's synopsis opens its description, which CLI11 prints first.
    return app->get_parent() ? std::string() : CLI::Formatter::make_usage(app, name);
}

std::string THelpFormatter::make_option_opts(const CLI::Option* option) const
{
    if (option->get_positional() && option->get_option_text().empty())
        return option->get_expected_max() > 1 ? " ..." : "";
    return CLI::Formatter::make_option_opts(option);
}

std::string THelpFormatter::make_option_desc(const CLI::Option* option) const
{
    const std::size_t width = 80 - get_column_width();
    std::string text, line;
    std::istringstream words(option->get_description());
    for (std::string word; words >> word;) {
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            text += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return text + line;
}

} // namespace orva::cli
