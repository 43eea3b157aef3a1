#include "cli/ErpOutputs.h"

#include "cli/CliSupport.h"
#include "cli/ManyFiles.h"
#include "model/ORVAError.h"
#include "model/PathText.h"
#include "select/Selection.h"
#include "tools/FilterTexts.h"

#include <iostream>
#include <set>

namespace orva::cli {

namespace {

std::string Reported(const std::string& command, bool named, const std::string& path, const std::string& text)
{
    return "orva " + command + ": " + (named ? path + ": " : "") + text + "\n";
}

// What the user is told about a result: values clamped, notes.
void Report(const std::string& command, bool named, const std::string& path, const TErpResult& result,
            TFileResult& r)
{
    if (result.Clamped > 0)
        r.Err += Reported(command, named, path, ClampedValuesText(result.Clamped, "computed"));
    for (const auto& note : result.Notes)
        r.Err += Reported(command, named, path, note);
}

} // namespace

void DeclareEachInputOptions(CLI::App* command, TErpArguments& a)
{
    AddInputFiles(command, a.Inputs);
    CLI::Option* output = AddText(command, "-o", a.Output, kAnyFile, "the output of the one FILE");
    AddOutDir(command, a.OutDir)->excludes(output);
    AddJobs(command, a.Jobs);
    AddOpenAnyway(command, a.OpenAnyway);
}

std::shared_ptr<TErpArguments> DeclareAllInputs(CLI::App* command)
{
    auto a = std::make_shared<TErpArguments>();
    AddInputFiles(command, a->Inputs);
    AddText(command, "-o", a->Output, kAnyFile, "the output file, replaced only once it is complete")->required();
    AddJobs(command, a->Jobs);
    AddOpenAnyway(command, a->OpenAnyway);
    return a;
}

int ForEachInput(const std::string& command, const TErpArguments& a, const std::string& extension,
                 const TMakeOne& make)
{
    RequireInputs(a.Inputs);
    std::vector<std::filesystem::path> outputs;
    if (a.OutDir) {
        outputs = OutputsInFolder(a.Inputs, *a.OutDir);
        std::set<std::filesystem::path> names;
        for (auto& output : outputs) {
            if (!extension.empty())
                output.replace_extension(extension);
            if (!names.insert(output).second)
                throw TUsageError{"two inputs give the output " + PathText(output.filename()) + " in " + *a.OutDir};
        }
    } else if (a.Output) {
        if (a.Inputs.size() != 1)
            throw TUsageError{"-o OUT takes one input; give --out-dir DIR for " + std::to_string(a.Inputs.size())};
        outputs.push_back(AbsolutePath(*a.Output));
    } else {
        throw TUsageError{"give the output: -o OUT for one input or --out-dir DIR"};
    }
    const bool named = a.Inputs.size() > 1;
    const bool openAnyway = a.OpenAnyway;
    const std::size_t failed =
        RunOnFiles(command, a.Inputs.size(), a.Jobs, [&](std::size_t i, TFileResult& r, TProgressDisplay* progress) {
            CheckNotInput(AbsolutePath(a.Inputs[i]), outputs[i]);
            TORVAFile file = OpenDataFile(a.Inputs[i], openAnyway, progress);
            const std::string path = PathText(file.FullFileName);
            TErpResult result = make(std::move(file), r);
            result.File.SaveToFile(outputs[i], progress);
            Report(command, named, path, result, r);
        });
    return failed > 0 ? 1 : 0;
}

int FromAllInputs(const std::string& command, const TErpArguments& a,
                  const std::function<TErpResult(const std::vector<const TORVAFile*>&)>& make)
{
    RequireInputs(a.Inputs);
    const std::filesystem::path output = AbsolutePath(*a.Output);
    for (const auto& input : a.Inputs)
        CheckNotInput(AbsolutePath(input), output);
    std::vector<TORVAFile> documents(a.Inputs.size());
    const bool openAnyway = a.OpenAnyway;
    const std::size_t failed = RunOnFiles(
        command, a.Inputs.size(), a.Jobs, [&](std::size_t i, TFileResult&, TProgressDisplay* progress) {
            documents[i] = OpenDataFile(a.Inputs[i], openAnyway, progress);
        });
    if (failed > 0)
        throw EORVAError(PathText(output), "Not written: " + std::to_string(failed) + " input" +
                                               (failed == 1 ? "" : "s") + " could not be read");
    std::vector<const TORVAFile*> inputs;
    for (const auto& d : documents)
        inputs.push_back(&d);
    TErpResult result = make(inputs);
    TTerminalProgress progress;
    result.File.SaveToFile(output, &progress);
    TFileResult r;
    Report(command, false, "", result, r);
    std::cerr << r.Err;
    return 0;
}

} // namespace orva::cli
