#include "cli/CliSupport.h"

#include "model/ORVAError.h"
#include "model/Platform.h"

#include <cstdio>

namespace orva::cli {

TArguments::TArguments(const std::vector<std::string>& args, const std::set<std::string>& flags,
                       const std::set<std::string>& options)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            help_ = true;
        } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            const std::string name = a.substr(2);
            if (flags.count(name)) {
                flags_.insert(name);
            } else if (options.count(name)) {
                if (i + 1 >= args.size())
                    throw TUsageError{"option " + a + " needs a value"};
                values_[name] = args[++i];
            } else {
                throw TUsageError{"unknown option " + a};
            }
        } else {
            positionals_.push_back(a);
        }
    }
}

std::string TArguments::Value(const std::string& name, const std::string& fallback) const
{
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

const std::vector<std::string>& TArguments::Positionals(std::size_t count) const
{
    if (positionals_.size() != count)
        throw TUsageError{"expected " + std::to_string(count) + " argument" + (count == 1 ? "" : "s") + ", got " +
                          std::to_string(positionals_.size())};
    return positionals_;
}

TTerminalProgress::TTerminalProgress() : enabled_(platform::IsTerminal(stderr)) {}

void TTerminalProgress::Begin(const std::string& caption)
{
    caption_ = caption;
    maximum_ = 1;
    position_ = 0;
    lastPercent_ = -1;
}

void TTerminalProgress::ProcessPendingEvents()
{
    if (!enabled_ || maximum_ < (1 << 20))
        return; // small files finish before a line would be worth drawing
    int percent = static_cast<int>(100 * position_ / maximum_);
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        std::fprintf(stderr, "\r%s %3d%%", caption_.c_str(), percent);
        std::fflush(stderr);
    }
}

void TTerminalProgress::End()
{
    if (enabled_ && lastPercent_ >= 0)
        std::fprintf(stderr, "\r%s 100%%\n", caption_.c_str());
    lastPercent_ = -1;
}

TORVAFile OpenDataFile(const std::string& argument, bool openAnyway, TProgressDisplay* progress)
{
    const std::filesystem::path full = AbsolutePath(argument);
    TORVAFile file;
    TFixedAnswer answer(openAnyway);
    // The length question's numbers are check's to print; here the refusal names the file.
    std::string problem = file.CheckFile(full, &answer);
    if (!problem.empty())
        throw EORVAError(PathText(full), problem);
    file.LoadFromFile(full, progress);
    return file;
}

std::filesystem::path AbsolutePath(const std::string& argument)
{
    return AbsoluteDataPath(PathFromText(argument));
}

std::filesystem::path ProgramDir()
{
    const std::filesystem::path exe = platform::ExecutablePath();
    return exe.empty() ? std::filesystem::path(".") : exe.parent_path();
}

} // namespace orva::cli
