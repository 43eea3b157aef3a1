#include "cli/BandFilterCommand.h"

#include "cli/CliSupport.h"
#include "cli/ManyFiles.h"
#include "model/ORVAError.h"
#include "model/PathText.h"
#include "tools/FilterTexts.h"

#include <algorithm>
#include <cmath>

namespace orva::cli {

namespace {

// A frequency typed: '.' decimals, a positive finite number (the file's rate is checked later).
std::string FrequencyCheck(const std::string& text)
{
    const std::optional<double> hz = ParseTime(text);
    return hz && *hz > 0 ? std::string()
                         : "needs a frequency in Hz that is a positive finite number such as 30 or 0.1, not \"" + text +
                               "\"";
}

CLI::Option* AddFrequency(CLI::App* command, const std::string& name, std::optional<double>& value,
                          const std::string& help)
{
    return command
        ->add_option_function<std::string>(
            name, [&value](const std::string& text) { value = *ParseTime(text); }, help)
        ->type_name("HZ")
        ->check(CLI::Validator([](std::string& text) { return FrequencyCheck(text); }, ""));
}

} // namespace

std::shared_ptr<TBandFilterArguments> DeclareBandFilterOptions(CLI::App* command, CLI::Option* cutoff)
{
    auto a = std::make_shared<TBandFilterArguments>();
    std::vector<CLI::Option*> kinds;
    kinds.push_back(AddFrequency(command, "--low-pass", a->LowPass,
                                 "a low-pass with its cut-off (half amplitude) at HZ"));
    kinds.push_back(AddFrequency(command, "--high-pass", a->HighPass,
                                 "a high-pass with its cut-off (half amplitude) at HZ, for drifts"));
    kinds.push_back(command
                        ->add_option_function<std::vector<std::string>>(
                            "--band-pass",
                            [a](const std::vector<std::string>& texts) {
                                a->BandPass.clear();
                                for (const auto& t : texts)
                                    a->BandPass.push_back(*ParseTime(t));
                            },
                            "a band-pass from LO to HI Hz")
                        ->type_name("HZ")
                        ->option_text("LO HI")
                        ->expected(2)
                        ->check(CLI::Validator([](std::string& text) { return FrequencyCheck(text); }, "")));
    kinds.push_back(AddFrequency(command, "--notch", a->Notch, "a notch at HZ for line noise (50 or 60)"));
    for (CLI::Option* kind : kinds) {
        cutoff->excludes(kind);
        for (CLI::Option* other : kinds)
            if (other != kind)
                kind->excludes(other);
    }
    AddFrequency(command, "--notch-width", a->NotchWidth,
                 "the width of the FIR notch (default: MNE-Python's, HZ / 200)");
    AddChoice(command, "--design", a->Design, {"iir", "fir"},
              "iir: a Butterworth run forward and backward (default); fir: MNE-Python's zero-phase FIR");
    AddWholeNumber(command, "--order", a->Order, 1, 8, "N", "the Butterworth order of each pass (default 2)");
    return a;
}

TBandFilterOptions BandFilterOptionsFrom(const TBandFilterArguments& a)
{
    TBandFilterOptions o;
    if (a.LowPass) {
        o.Kind = EBandKind::LowPass;
        o.HighHz = *a.LowPass;
    } else if (a.HighPass) {
        o.Kind = EBandKind::HighPass;
        o.LowHz = *a.HighPass;
    } else if (a.Notch) {
        o.Kind = EBandKind::Notch;
        o.LowHz = *a.Notch;
    } else if (a.BandPass.size() == 2) {
        o.Kind = EBandKind::BandPass;
        o.LowHz = a.BandPass[0];
        o.HighHz = a.BandPass[1];
    }
    o.Design = a.Design == "fir" ? EFilterDesign::Fir : EFilterDesign::Iir;
    o.Order = a.Order;
    o.NotchWidthHz = a.NotchWidth;
    if (o.Kind == EBandKind::BandPass && !(o.LowHz < o.HighHz))
        throw TUsageError{"--band-pass: LO must be below HI"};
    if (o.Order && o.Design == EFilterDesign::Fir)
        throw TUsageError{"--order is for --design iir; the FIR design chooses its own length"};
    if (o.Order && o.Kind == EBandKind::Notch)
        throw TUsageError{"--order: the notch is a second-order filter"};
    if (o.NotchWidthHz && o.Kind != EBandKind::Notch)
        throw TUsageError{"--notch-width needs --notch"};
    if (o.NotchWidthHz && o.Design != EFilterDesign::Fir)
        throw TUsageError{"--notch-width is for --design fir; the IIR notch has a quality factor of 30"};
    return o;
}

int RunBandFilter(const TBandFilterOptions& options, const std::vector<std::string>& positionals,
                  const std::optional<std::string>& outDir, int jobs, bool openAnyway)
{
    const bool named = outDir.has_value();
    // Files are filtered side by side by up to `jobs` threads; the threads left over share
    // the observations of each file.
    const int threads = std::max(jobs, 1);
    const int files = named ? std::max(1, static_cast<int>(positionals.size())) : 1;
    const int perFile = std::max(1, threads / std::min(files, threads));
    return ForEachOutput("filter", positionals, outDir, jobs,
                         [&](const std::string& input, const std::filesystem::path& output, TFileResult& r,
                             TProgressDisplay* progress) {
                             TErpResult result = BandFilter(OpenDataFile(input, openAnyway, progress), options, perFile);
                             const std::string prefix =
                                 "orva filter: " + (named ? PathText(result.File.FullFileName) + ": " : "");
                             if (result.Clamped > 0)
                                 r.Err += prefix + ClampedValuesText(result.Clamped) + "\n";
                             for (const auto& note : result.Notes)
                                 r.Err += prefix + "warning: " + note + "\n";
                             result.File.SaveToFile(output, progress);
                         });
}

} // namespace orva::cli
