#pragma once
// What the commands that write new data files share: input files, where the outputs go
// (-o OUT or --out-dir DIR, or one -o OUT of all inputs), jobs, and what the user is told
// about each result (values clamped, notes).
#include "cli/CommandLine.h"
#include "cli/ManyFiles.h"
#include "tools/ErpDocument.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orva::cli {

struct TErpArguments {
    std::vector<std::string> Inputs;
    std::optional<std::string> Output; // -o
    std::optional<std::string> OutDir; // --out-dir
    bool OpenAnyway = false;
    int Jobs = 1;
};

/// Declares the options of a command that writes one output per input.
void DeclareEachInputOptions(CLI::App* command, TErpArguments& a);

/// The arguments (TArgs derives from TErpArguments) of a command that writes one output per input.
template <class TArgs> std::shared_ptr<TArgs> DeclareEachInput(CLI::App* command)
{
    auto a = std::make_shared<TArgs>();
    DeclareEachInputOptions(command, *a);
    return a;
}

/// The arguments of a command that makes one output of all inputs (-o OUT).
std::shared_ptr<TErpArguments> DeclareAllInputs(CLI::App* command);

/// Makes the output of one input; may add text for stdout to the file's result.
using TMakeOne = std::function<TErpResult(TORVAFile, TFileResult&)>;

/// One output per input: with --out-dir every input, named after it (extension, when given,
/// replacing its own); with -o exactly one input. Returns the exit status.
int ForEachInput(const std::string& command, const TErpArguments& a, const std::string& extension,
                 const TMakeOne& make);

/// Every input loaded (in parallel), then one output from all of them.
int FromAllInputs(const std::string& command, const TErpArguments& a,
                  const std::function<TErpResult(const std::vector<const TORVAFile*>&)>& make);

} // namespace orva::cli

#define ORVA_ERP_OUTPUTS                                                                                  \
    "With -o OUT one FILE is written to OUT; with --out-dir DIR every FILE is written to DIR\n"           \
    "under its own name, in parallel (-j JOBS, default the number of cores). A file that\n"               \
    "cannot be done is named on stderr and the others go on; the exit status is then 1.\n"
