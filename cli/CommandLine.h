#pragma once
// How a subcommand of the batch tool declares its arguments (through CLI11) and the
// options that many commands share, so that each is spelt, checked and explained once.
#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orva::cli {

/// What a declared command does once its arguments are parsed: returns the exit status.
using TRun = std::function<int()>;

/// One subcommand of the batch tool. Declare adds its options and positionals to the
/// command's CLI::App (binding them to values the returned TRun shares) and returns the run.
struct TCommand {
    const char* Name;
    const char* Summary;     ///< one line for "orva --help"
    const char* Usage;       ///< the synopsis lines, each "usage: orva NAME ..." or "       orva NAME ..."
    const char* Description; ///< what the command does; the options explain themselves
    TRun (*Declare)(CLI::App* command);
};

/// A usage error found after parsing: printed with the command's synopsis, exit status 1.
struct TUsageError {
    std::string Message;
};

// The kinds of value that the completion and the help know (an option's type name).
inline constexpr const char* kDataFile = "FILE"; ///< a session or average file to read
inline constexpr const char* kAnyFile = "OUT";   ///< any file name (written, or read as text)
inline constexpr const char* kFolder = "DIR";

/// The input data files: every positional argument (FILE...).
CLI::Option* AddInputFiles(CLI::App* command, std::vector<std::string>& files);
/// Exactly `count` positionals are required (for the forms such as FILE OUT).
void RequirePositionals(const std::vector<std::string>& positionals, std::size_t count);
/// At least one input file.
void RequireInputs(const std::vector<std::string>& inputs);

/// -o OUT: the one output file of a command over many inputs (required).
CLI::Option* AddOutputFile(CLI::App* command, std::string& output);
/// --out-dir DIR: one output per input, in DIR under the input's name.
CLI::Option* AddOutDir(CLI::App* command, std::optional<std::string>& folder);
/// -j N, -jN, --jobs N: worker threads (default: the number of cores).
CLI::Option* AddJobs(CLI::App* command, int& jobs);
/// --open-anyway: load a file whose length does not match its header.
CLI::Option* AddOpenAnyway(CLI::App* command, bool& openAnyway);
/// A flag without a value.
CLI::Option* AddFlag(CLI::App* command, const std::string& name, bool& set, const std::string& help);

/// A list of numbers such as "1 3 5": --cells, --obs, --chans or --samples.
CLI::Option* AddSelectionList(CLI::App* command, const std::string& name, std::optional<std::string>& list);
/// A whole number from minimum to maximum; TYPE names it in the help.
CLI::Option* AddWholeNumber(CLI::App* command, const std::string& name, std::optional<int>& value, int minimum,
                            int maximum, const std::string& type, const std::string& help);
/// A whole number as typed, nothing before or after it.
std::optional<int> WholeNumber(const std::string& text);
/// A time in ms as typed: '.' as the decimal separator whatever the locale, nothing after.
std::optional<double> ParseTime(const std::string& text);
/// --window T1 T2: two times in ms, each as ParseTime reads it (name: another spelling).
CLI::Option* AddTimeWindow(CLI::App* command, std::vector<std::string>& window, const std::string& help,
                           const std::string& name = "--window");
/// One of the given words.
CLI::Option* AddChoice(CLI::App* command, const std::string& name, std::optional<std::string>& value,
                       const std::vector<std::string>& words, const std::string& help);
/// A text checked by a function that returns what is wrong with it (empty when nothing).
using TCheck = std::function<std::string(const std::string& text)>;
CLI::Option* AddText(CLI::App* command, const std::string& name, std::optional<std::string>& value,
                     const std::string& type, const std::string& help, const TCheck& check = nullptr);

/// The message of a parse error, worded as the batch tool words its own usage errors.
std::string UsageErrorText(const CLI::Error& error, const CLI::App* command);

/// The help of a command: its synopsis, description and every option, from its declaration.
class THelpFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string name) const override;
    /// An option's text, wrapped to the width of a terminal beside the option's column.
    std::string make_option_desc(const CLI::Option* option) const override;
    /// What follows an option's name: a positional's name is already its kind (FILE, DIR),
    /// so only "..." follows one that takes many.
    std::string make_option_opts(const CLI::Option* option) const override;
};

} // namespace orva::cli
