#pragma once
#include "model/CheckedOpen.h"
#include "model/ORVAFile.h"

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace orva::cli {

/// A usage error: printed with the command's help hint, exit status 1.
struct TUsageError {
    std::string Message;
};

/// The arguments of one subcommand: positionals, flags and "--name value" options.
class TArguments {
public:
    /// `flags` take no value; `options` take one. Anything else starting with "--" is refused.
    TArguments(const std::vector<std::string>& args, const std::set<std::string>& flags,
               const std::set<std::string>& options);

    bool Has(const std::string& name) const { return flags_.count(name) || values_.count(name); }
    std::string Value(const std::string& name, const std::string& fallback = std::string()) const;
    /// Exactly `count` positionals are required.
    const std::vector<std::string>& Positionals(std::size_t count) const;
    /// Every positional, however many.
    const std::vector<std::string>& AllPositionals() const { return positionals_; }
    bool WantsHelp() const { return help_; }

private:
    std::vector<std::string> positionals_;
    std::set<std::string> flags_;
    std::map<std::string, std::string> values_;
    bool help_ = false;
};

/// A progress line on stderr, drawn only when stderr is a terminal.
class TTerminalProgress : public TProgressDisplay {
public:
    TTerminalProgress();
    void Begin(const std::string& caption) override;
    void AddToMaximum(std::int64_t count) override { maximum_ += count; }
    void ProcessPendingEvents() override;
    void Advance(std::int64_t count) override { position_ += count; }
    void End() override;

private:
    bool enabled_;
    std::string caption_;
    std::int64_t maximum_ = 1;
    std::int64_t position_ = 0;
    int lastPercent_ = -1;
};

/// Checks and loads a data file as the desktop program opens it. A refused file is
/// reported as an error naming the file and the reason.
TORVAFile OpenDataFile(const std::string& argument, bool openAnyway, TProgressDisplay* progress);

/// The absolute form of the path that a command-line argument names, as the open dialog
/// would give it.
std::filesystem::path AbsolutePath(const std::string& argument);

/// The folder of the running program (for the files installed beside it).
std::filesystem::path ProgramDir();

} // namespace orva::cli
