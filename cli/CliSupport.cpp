#include "cli/CliSupport.h"

#include "select/Selection.h"

#include "model/ORVAError.h"
#include "model/Platform.h"

#include <cstdio>

namespace orva::cli {

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

std::optional<TSelectionList> ListOption(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    return ParseSelectionList(*text);
}

} // namespace orva::cli
