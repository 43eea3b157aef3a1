#pragma once
// Running one command over many input files: a fixed pool of worker threads, each holding
// one document at a time, with the results reported in the order the files were given.
#include "model/ORVAFile.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orva::cli {

/// What one file gave: text for stdout and for stderr, and whether it failed.
struct TFileResult {
    std::string Out;
    std::string Err;
    bool Failed = false;
};

/// The work on input i. An exception it throws fails the file, its message going to
/// stderr as "orva: <message>". progress is for a single input only (nullptr otherwise).
using TFileWork = std::function<void(std::size_t i, TFileResult& result, TProgressDisplay* progress)>;
/// Sees each result on the calling thread, in input order, before it is printed.
using TResultSeen = std::function<void(std::size_t i, TFileResult& result)>;

/// Runs work for every input on min(jobs, inputs) threads and prints each file's Out and
/// Err as soon as it and every file before it are done. On a terminal, stderr shows how
/// many files are done. With several inputs a failure count follows on stderr when any
/// failed ("orva filter: 2 of 40 files failed"). Returns the number of failed files.
std::size_t RunOnFiles(const std::string& command, std::size_t inputs, int jobs, const TFileWork& work,
                       const TResultSeen& seen = nullptr);

/// The output in folder outDir for each input: the input's own file name there. Refuses
/// (usage error) a folder that does not exist and two inputs of one name.
std::vector<std::filesystem::path> OutputsInFolder(const std::vector<std::string>& inputs, const std::string& outDir);

/// Loads input i with load(i) on min(jobs, inputs) threads and hands each document to
/// use(i, document) on the calling thread, in input order. At most `jobs` documents exist
/// at once, the one in use included; with one job or one input everything runs on the
/// calling thread. The first error (of a load, in input order, or of use) stops the
/// loading and is thrown from here once every worker has stopped.
using TLoad = std::function<TORVAFile(std::size_t i)>;
using TUseDocument = std::function<void(std::size_t i, const TORVAFile& document)>;
void ForEachDocumentInOrder(std::size_t inputs, int jobs, const TLoad& load, const TUseDocument& use);

/// As OutputsInFolder, with each input's extension replaced by `extension` (".vhdr"): two
/// inputs of one stem are refused.
std::vector<std::filesystem::path> OutputsInFolder(const std::vector<std::string>& inputs, const std::string& outDir,
                                                   const std::string& extension);

/// Writes one output per input: work(input, output, result, progress) as RunOnFiles runs it.
/// With an outDir (--out-dir DIR) every positional is an input and its output is DIR/<its
/// name>, never the input itself; without it the positionals are exactly FILE OUT. Returns
/// the exit status.
using TOutputWork = std::function<void(const std::string& input, const std::filesystem::path& output,
                                       TFileResult& result, TProgressDisplay* progress)>;
int ForEachOutput(const std::string& command, const std::vector<std::string>& positionals,
                  const std::optional<std::string>& outDir, int jobs, const TOutputWork& work);

/// Refuses (EORVAError) an output that is the input itself.
void CheckNotInput(const std::filesystem::path& input, const std::filesystem::path& output);

} // namespace orva::cli
