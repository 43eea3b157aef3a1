#pragma once
// The artifact rules on the command line, shared by artifacts, reject and average: the
// rules as options, or a report read back with --reject-list, never both.
#include "cli/CommandLine.h"
#include "cli/ManyFiles.h"
#include "tools/ArtifactReport.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orva::cli {

/// The options as typed.
struct TRuleArguments {
    std::optional<std::string> PeakToPeak, Flat, Absolute;
    std::vector<std::string> Moving, Window;
    std::optional<std::string> Chans, BadChannels, RejectList;

    bool AnyRule() const { return PeakToPeak || Flat || Absolute; }
};

/// Declares the rule options; with withRejectList also --reject-list, excluding the rules.
/// A command whose own --window and --chans mean something else names the rules' test
/// window and channels otherwise.
struct TRuleOptionNames {
    std::string Window = "--window";
    std::string Chans = "--chans";
};
void AddRuleOptions(CLI::App* command, TRuleArguments& a, bool withRejectList, const TRuleOptionNames& names = {});

/// The rules as the core takes them; a usage error for a moving window without
/// peak-to-peak and for a window whose start comes after its end.
TArtifactRules RulesOf(const TRuleArguments& a);

/// Which trials of each input are bad: from the rules or from the report read back.
class TTrialVerdicts {
public:
    /// Requires exactly one of the rules and --reject-list; reads the report once. With a
    /// report, two inputs of one file name are refused.
    TTrialVerdicts(const TRuleArguments& a, const std::vector<std::string>& inputs);
    /// The flags of every cell of file (thread-safe) and the summary lines printed for it.
    std::vector<TCellFlags> Flags(const TORVAFile& file) const;
    std::string Summary(const TORVAFile& file, const std::vector<TCellFlags>& flags) const;

private:
    TArtifactRules rules_;
    std::optional<TRejectList> list_;
};

/// Refuses (usage error) two inputs of one file name: their report rows could not be told apart.
void RequireDistinctNames(const std::vector<std::string>& inputs);

/// "FILE:\n" followed by the summary lines.
std::string SummaryBlock(const TORVAFile& file, const std::string& summary);

} // namespace orva::cli
