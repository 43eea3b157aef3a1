// Reads the input as an artifact report given back with --reject-list, for a small session
// file (s.ses: 2 cells of 2 and 3 trials). A refusal names the report and a line it has; an
// accepted report gives rows of lines it has and, when it fits the file, one status per
// trial; the session without its bad trials saves and reads back with the trials left, and
// the statuses written as a report again read back the same.
#include "FuzzSupport.h"
#include "model/PathText.h"
#include "tools/ArtifactReject.h"
#include "tools/ArtifactReport.h"

#include <string_view>

using namespace orva;
using namespace orva::fuzz;

namespace {

TORVAFile SmallSession()
{
    TORVAFile f;
    f.FileDescription.ByteOrder = kByteOrderTag;
    f.FileDescription.HeaderVersion = kSessionFileVersion;
    f.FullFileName = "s.ses";
    f.FileName = "s.ses";
    auto& dd = f.DataDescription;
    dd.NumCells = 2;
    dd.NumChannels = 2;
    dd.CellWords = {0, 0};
    dd.Zeros = {0, 0};
    dd.Gains = {400, 400};
    for (int c = 0; c < 2; ++c) {
        TORVACell cell;
        cell.CellNumber = c + 1;
        cell.Name = c == 0 ? "target" : "standard";
        cell.NumObservations = 2 + c;
        cell.SamplesPerObservation = 3;
        cell.SamplesPerSecond = 250;
        cell.Data = TSampleArray(cell.NumObservations, 3, 2);
        for (std::size_t i = 0; i < cell.Data.size(); ++i)
            cell.Data.data()[i] = static_cast<std::int16_t>(i * 11);
        f.Cells.push_back(std::move(cell));
    }
    return f;
}

// Lines as the reader counts them: the header is line 1, each line end (LF, CR LF or a CR
// alone, as an editor shows it) begins one more.
int LastLine(std::string_view text)
{
    int line = 1;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            ++line;
    return line;
}

void RequireRefusalNamesALine(const EORVAError& e, const std::filesystem::path& path, int lastLine)
{
    Require(e.Path() == PathText(path), std::string("a refusal that does not name the report: ") + e.what());
    const std::string& cause = e.Cause();
    if (cause.rfind("has no row of the file ", 0) == 0)
        return;
    Require(cause.rfind("line ", 0) == 0, "a refusal without a line: " + cause);
    const long line = std::strtol(cause.c_str() + 5, nullptr, 10);
    Require(line >= 1 && line <= lastLine, "a refusal names a line the report lacks: " + cause);
}

std::vector<bool> Statuses(const std::vector<TCellFlags>& flags)
{
    std::vector<bool> bad;
    for (const auto& cell : flags)
        for (const auto& trial : cell.Trials)
            bad.push_back(trial.Bad);
    return bad;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const TORVAFile session = SmallSession();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path path = WriteScratch("report.csv", {data, size});
    const int lastLine = LastLine(text);
    TRejectList list;
    try {
        list = ReadRejectList(path);
    } catch (const EORVAError& e) {
        RequireRefusalNamesALine(e, path, lastLine);
        return 0;
    }
    for (const auto& [name, rows] : list.Files)
        for (const TReportRow& row : rows)
            Require(row.Cell >= 0 && row.Observation >= 0 && row.Line >= 2 && row.Line <= lastLine,
                    "an accepted row out of range in " + name);
    std::vector<TCellFlags> flags;
    try {
        flags = FlagsFromRejectList(session, list);
    } catch (const EORVAError& e) {
        RequireRefusalNamesALine(e, path, lastLine);
        return 0;
    }
    Require(flags.size() == 2 && flags[0].Trials.size() == 2 && flags[1].Trials.size() == 3,
            "statuses of other trials than the file's");

    const TORVAFile kept = RejectTrials(session, ExclusionsOf(session, flags));
    std::vector<std::uint8_t> bytes;
    TBigEndianFileStream out(MemoryWriter(bytes), "kept.ses", TFileMode::fmCreate);
    kept.SaveRemappedTo(out, IdentityChannelMap(kept.NumChannels()));
    const TORVAFile copy = RequireReadsBack(bytes, "the session without its bad trials");
    const std::vector<bool> bad = Statuses(flags);
    Require(Observations(copy) == static_cast<std::int64_t>(std::count(bad.begin(), bad.end(), false)),
            "the session keeps another number of trials than the report's good ones");

    TLineCollector report;
    report.Line(kArtifactReportHeader);
    WriteArtifactRows(session, flags, report);
    std::string written;
    for (const auto& line : report.Lines)
        written += line + std::string(kArtifactReportLineEnd);
    Require(Statuses(FlagsFromRejectList(session, ParseRejectList(written, "again.csv"))) == bad,
            "a report written from the statuses reads back other statuses");
    return 0;
}
