#pragma once
// Opening a data file as the batch tool and the Python module open it: no dialog, the
// length question answered in advance.
#include "model/ORVAFile.h"

#include <filesystem>
#include <string>

namespace orva {

/// Answers the length question with a fixed answer; remembers what was asked.
class TFixedAnswer : public TLengthQuestion {
public:
    explicit TFixedAnswer(bool yes) : yes_(yes) {}
    bool AskOpenAnyway(const std::string& text) override
    {
        asked_ = text;
        return yes_;
    }
    const std::string& Asked() const { return asked_; }

private:
    bool yes_;
    std::string asked_;
};

/// The absolute, normalised form of path, as an open dialog gives it (path itself when the
/// current folder cannot be known).
std::filesystem::path AbsoluteDataPath(const std::filesystem::path& path);

/// Why the file at Path may not be opened, as "orva check" says it: CheckFile's reason,
/// after the first line of the length question when that was asked and answered No
/// (openAnyway answers Yes). Empty when the file may be loaded. A file that cannot be read
/// throws EORVAError.
std::string CheckVerdict(TORVAFile& file, const std::filesystem::path& Path, bool openAnyway);

/// Checks and loads the file at Path (made absolute). A refused file throws EORVAError
/// naming it, with CheckVerdict's text as the cause.
TORVAFile OpenChecked(const std::filesystem::path& Path, bool openAnyway, TProgressDisplay* progress = nullptr);

} // namespace orva
