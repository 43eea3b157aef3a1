#pragma once
#include "model/CheckedOpen.h"
#include "model/ORVAFile.h"
#include "select/Selection.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orva::cli {

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

/// A typed list option (--cells "1 3 5") as zero-based indices; nothing when not given.
std::optional<TSelectionList> ListOption(const std::optional<std::string>& text);

/// The folder of the running program (for the files installed beside it).
std::filesystem::path ProgramDir();

} // namespace orva::cli
