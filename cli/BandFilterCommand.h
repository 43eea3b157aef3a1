#pragma once
// The band filters of `orva filter` (--low-pass, --high-pass, --band-pass, --notch), beside
// its FFT low-pass (--cutoff): declared once here, run over FILE OUT or FILE... --out-dir DIR.
#include "cli/CommandLine.h"
#include "tools/BandFilter.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orva::cli {

struct TBandFilterArguments {
    std::optional<double> LowPass, HighPass, Notch, NotchWidth;
    std::vector<double> BandPass;
    std::optional<std::string> Design;
    std::optional<int> Order;
    bool AnyKind() const { return LowPass || HighPass || Notch || !BandPass.empty(); }
};

/// Declares the kinds and their options; `cutoff` (--cutoff) excludes every kind.
std::shared_ptr<TBandFilterArguments> DeclareBandFilterOptions(CLI::App* command, CLI::Option* cutoff);

/// The options the arguments ask for; TUsageError for combinations no filter takes.
TBandFilterOptions BandFilterOptionsFrom(const TBandFilterArguments& a);

/// Filters every input and writes it (FILE OUT, or every FILE to DIR); the exit status.
int RunBandFilter(const TBandFilterOptions& options, const std::vector<std::string>& positionals,
                  const std::optional<std::string>& outDir, int jobs, bool openAnyway);

} // namespace orva::cli
