// Reads the input as a command line of the batch tool, one argument per line, the first
// the command: typed lists, time windows, numbers and names as a person types them, parsed
// by the commands' own declarations and run on a small session file (s.ses) and average
// file (a.ave), with a channel-name file (n.txt) and a mapping file (m.txt) beside them.
// The process works in its scratch folder and arguments cannot name another (no separator,
// no ".."). A refusal says what is wrong with the arguments (after which the command's
// synopsis follows) or names a file; a run that succeeds writes data files that read back.
#include "FuzzSupport.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "select/Selection.h"
#include "model/PathText.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <sstream>
#include <string_view>

using namespace orva;
using namespace orva::cli;
using namespace orva::fuzz;

namespace {

// Bounds on the work of one input: the lists' entries multiplied (rows of a table) and the
// arguments given.
constexpr double kMostListProduct = 20000;
constexpr std::size_t kMostArguments = 48;

TORVAFile SmallDocument(bool average)
{
    TORVAFile f;
    f.FileDescription.ByteOrder = kByteOrderTag;
    f.FileDescription.HeaderVersion = average ? kAverageFileVersion : kSessionFileVersion;
    f.GeneralInformation.ScaleBins = 50;
    f.GeneralInformation.ScaleCalibration = 10;
    f.GeneralInformation.BaselineDuration = 8;
    auto& dd = f.DataDescription;
    dd.NumCells = 2;
    dd.NumChannels = 3;
    dd.CellWords = {1, 2};
    dd.Zeros = {0, 5, -5};
    dd.Gains = {400, 300, 200};
    for (int c = 0; c < 2; ++c) {
        TORVACell cell;
        cell.CellNumber = c + 1;
        cell.Name = c == 0 ? "target" : "standard";
        cell.NumObservations = 2 + c;
        cell.SamplesPerObservation = 6;
        cell.SamplesPerSecond = 250;
        cell.TrialSpecificsLength = average ? 28 : 4;
        cell.TrialSpecifics = TTrialSpecifics(cell.NumObservations, cell.TrialSpecificsLength / 2);
        cell.Data = TSampleArray(cell.NumObservations, 6, 3);
        for (std::size_t i = 0; i < cell.Data.size(); ++i)
            cell.Data.data()[i] = static_cast<std::int16_t>(i * 37 - 100);
        f.Cells.push_back(std::move(cell));
    }
    return f;
}

std::vector<std::uint8_t> Bytes(const TORVAFile& f)
{
    std::vector<std::uint8_t> bytes;
    TBigEndianFileStream out(MemoryWriter(bytes), "small", TFileMode::fmCreate);
    f.SaveRemappedTo(out, IdentityChannelMap(f.NumChannels()));
    return bytes;
}

void WriteInputs()
{
    static const std::vector<std::uint8_t> session = Bytes(SmallDocument(false));
    static const std::vector<std::uint8_t> average = Bytes(SmallDocument(true));
    static const std::string names = "Fz\nCz\nPz\n";
    static const std::string map = "1\t3\n2\t2\n3\t1\n";
    WriteScratch("s.ses", session);
    WriteScratch("a.ave", average);
    WriteScratch("n.txt", {reinterpret_cast<const std::uint8_t*>(names.data()), names.size()});
    WriteScratch("m.txt", {reinterpret_cast<const std::uint8_t*>(map.data()), map.size()});
}

// The arguments, or nothing for an input this target does not run: one that could reach
// beyond the scratch folder, start threads, or ask for work out of all proportion.
std::optional<std::vector<std::string>> Arguments(std::string_view text)
{
    std::vector<std::string> args;
    double product = 1;
    while (!text.empty() && args.size() <= kMostArguments) {
        const std::size_t end = text.find('\n');
        std::string arg(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (arg.find_first_of("/\\") != std::string::npos || arg.find("..") != std::string::npos ||
            arg.find('\0') != std::string::npos || arg.rfind("-j", 0) == 0 || arg.rfind("--j", 0) == 0)
            return std::nullopt;
        product *= static_cast<double>(ParseSelectionList(arg).size() + 1);
        args.push_back(std::move(arg));
    }
    if (args.empty() || args.size() > kMostArguments || product > kMostListProduct || args[0] == "demo")
        return std::nullopt;
    return args;
}

// Runs the command line as main does; the exit status, 2 for a refusal (EORVAError) that
// names its file, 1 for every other failure.
int Run(std::vector<std::string> args)
{
    static const std::vector<TCommand> commands = AllCommands();
    const auto command = std::find_if(commands.begin(), commands.end(), [&](const TCommand& c) { return args[0] == c.Name; });
    if (command == commands.end())
        return -1;
    CLI::App app("orva", "orva");
    app.require_subcommand(1);
    app.allow_windows_style_options(false);
    std::map<std::string, TRun> runs;
    for (const auto& c : commands)
        runs[c.Name] = c.Declare(app.add_subcommand(c.Name, c.Description));
    CLI::App* sub = app.get_subcommand(command->Name);
    const auto fail = [&](const std::string& message) {
        Require(!message.empty(), "a usage error without a text");
        std::cerr << "orva " << command->Name << ": " << message << "\n" << command->Usage;
        return 1;
    };
    try {
        std::reverse(args.begin(), args.end());
        app.parse(args);
    } catch (const CLI::CallForHelp&) {
        return 0;
    } catch (const CLI::ParseError& e) {
        return fail(UsageErrorText(e, sub));
    }
    try {
        return runs[command->Name]();
    } catch (const TUsageError& e) {
        return fail(e.Message);
    } catch (const EORVAError& e) {
        Require(!e.Cause().empty() && !e.Path().empty(), std::string("a refusal that names no file: ") + e.what());
        return 2;
    }
}

// A refusal is a usage error (the synopsis follows it), quotes the value typed (a cut-off
// frequency) or names a file: by its absolute path, or as typed ("orva check" gives its
// verdicts on stdout, each after the name typed).
bool NamesTheCause(const std::string& err, const std::string& out, const std::vector<std::string>& args)
{
    if (err.find("usage: orva ") != std::string::npos)
        return true;
    const std::string said = err + out;
    if (said.find(PathText(ScratchFolder())) != std::string::npos)
        return true;
    return std::any_of(args.begin() + 1, args.end(), [&](const std::string& arg) {
        return !arg.empty() && (said.find('"' + arg + '"') != std::string::npos ||
                                (arg[0] != '-' && said.find(arg + ": ") != std::string::npos));
    });
}

// Every data file a successful run wrote reads back.
void CheckOutputs()
{
    for (const auto& entry : std::filesystem::recursive_directory_iterator(ScratchFolder())) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".ses" && extension != ".ave"))
            continue;
        RequireReadsBack(ReadScratch(entry.path()), "orva writing " + PathText(entry.path().filename()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool inScratch = [] {
        std::filesystem::current_path(ScratchFolder());
        return true;
    }();
    (void)inScratch;
    const auto args = Arguments({reinterpret_cast<const char*>(data), size});
    if (!args)
        return 0;
    ClearScratch();
    WriteInputs();
    std::ostringstream out, err;
    std::streambuf* const savedOut = std::cout.rdbuf(out.rdbuf());
    std::streambuf* const savedErr = std::cerr.rdbuf(err.rdbuf());
    const int status = Run(*args);
    std::cout.rdbuf(savedOut);
    std::cerr.rdbuf(savedErr);
    if (status == 0)
        CheckOutputs();
    else if (status == 1)
        Require(NamesTheCause(err.str(), out.str(), *args),
                "a refusal that names neither the arguments nor a file: " + err.str());
    return 0;
}
