#pragma once
// Artifact rules over the trials of a session file: peak-to-peak (over the whole test
// window or a moving window), flat line and absolute value, each flagging a trial on a
// channel. The shared vocabulary (typed lists, time windows, refusals) enters here only.
#include "select/Selection.h"
#include "model/ORVAFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

/// The rules as bits of one byte, in the order the report names them.
enum TArtifactRule : std::uint8_t { kRulePeakToPeak = 1, kRuleFlat = 2, kRuleAbsolute = 4 };
inline constexpr TArtifactRule kArtifactRules[] = {kRulePeakToPeak, kRuleFlat, kRuleAbsolute};

/// "peak-to-peak", "flat", "absolute".
std::string_view ArtifactRuleName(TArtifactRule rule);
/// The names of the rules set in bits, in rule order, separated by a space ("" for none).
std::string ArtifactRuleNames(std::uint8_t bits);

/// A moving window of Width ms that moves by Step ms.
struct TMovingWindow {
    double WidthMs = 0;
    double StepMs = 0;
};

/// The rules and what they test. Thresholds are in microvolts; a rule left out is not
/// applied. The test window holds the samples whose time (as measure gives it) lies from
/// WindowStart to WindowEnd ms inclusive, every sample when left out. Lists hold zero-based
/// indices as ParseSelectionList gives them.
struct TArtifactRules {
    std::optional<double> PeakToPeak;
    std::optional<double> Flat;
    std::optional<double> Absolute;
    std::optional<TMovingWindow> Moving;
    std::optional<double> WindowStart;
    std::optional<double> WindowEnd;
    /// The channels tested (all when left out), less the bad channels.
    std::optional<TSelectionList> Channels;
    TSelectionList BadChannels;

    bool Any() const { return PeakToPeak || Flat || Absolute; }
};

/// What the rules found in one trial: the rules that flagged it and the channels (zero-based,
/// ascending) on which any of them did; and its status, bad when flagged unless a person
/// (or a report read back) says otherwise.
struct TTrialFlags {
    std::uint8_t Rules = 0;
    std::vector<int> Channels;
    bool Bad = false;
};

/// The trials of one cell (zero-based Cell), in observation order.
struct TCellFlags {
    int Cell = 0;
    std::vector<TTrialFlags> Trials;
};

/// Samples of a moving window: w = max(2, round(W x rate / 1000)) wide, moving by
/// s = max(1, round(S x rate / 1000)), halves away from zero.
struct TWindowSteps {
    int Width = 0;
    int Step = 0;
};
TWindowSteps MovingWindowSteps(const TMovingWindow& window, int rate);

/// Refuses (EORVAError naming the file) what the rules cannot test: an average file (its
/// observations are subjects), no rule, a threshold that is not a positive finite number,
/// a moving window without peak-to-peak, list entries outside the file, no channel left to
/// test, a channel that cannot be calibrated, and a cell in `cells` whose rate is not
/// positive or that has no sample in the test window.
void CheckArtifactRules(const TORVAFile& file, const TArtifactRules& rules, const TSelectionList& cells);

/// The zero-based cells a --cells list chooses: each once, ascending; every cell when left out.
TSelectionList ChosenCells(const TORVAFile& file, const std::optional<TSelectionList>& cells);

/// Checks, then applies the rules to every trial of the given cells (in the given order).
std::vector<TCellFlags> DetectArtifacts(const TORVAFile& file, const TArtifactRules& rules,
                                        const TSelectionList& cells);

/// Which trials are left out: [cell][observation], true for a bad trial, for every cell.
using TTrialExclusions = std::vector<std::vector<bool>>;
/// The exclusions of every cell of file that the rules give.
TTrialExclusions ExclusionsOf(const TORVAFile& file, const std::vector<TCellFlags>& flags);

/// The bits of the rules that are given.
std::uint8_t RulesInUse(const TArtifactRules& rules);

} // namespace orva
