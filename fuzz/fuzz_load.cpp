// Opens the input as a data file, as the program does after "Open anyway ?" is answered
// Yes: CheckStream, LoadFromStream, GetHeaderText. A file that loads and is small enough to
// write is then saved and reloaded: the copy must pass the check without a question, give
// the same header report (apart from the lengths the writer recomputes) and the same
// samples, and saving the copy must give the same bytes again.
// The work per input is bounded: a header that declares tens of thousands of observations
// in a few bytes (cells without trial specifics or samples) is only loaded, since its report
// would repeat one line per observation for megabytes.
#include "model/BigEndianFileStream.h"
#include "model/MemoryStream.h"
#include "model/ORVAError.h"
#include "model/ORVAFile.h"

#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace orva;

constexpr char kName[] = "fuzz.ses";
constexpr std::int64_t kLargestRoundTrip = 1 << 20; // bytes of samples
constexpr std::int64_t kMostReportedObservations = 8192;

class TAnswerYes : public TLengthQuestion {
public:
    bool AskOpenAnyway(const std::string&) override { return true; }
};

class TAnswerNo : public TLengthQuestion {
public:
    bool AskOpenAnyway(const std::string&) override
    {
        asked = true;
        return false;
    }
    bool asked = false;
};

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "round trip: %s\n", what);
    std::abort();
}

// The report without the lines of the lengths that a writer recomputes.
std::vector<std::string> ReportWithoutLengths(const TORVAFile& f)
{
    std::vector<std::string> lines, kept;
    f.GetHeaderText(lines);
    for (auto& line : lines)
        if (line.rfind("   Header length  : ", 0) != 0 && line.rfind("   Data length    : ", 0) != 0 &&
            line.rfind("   Padding length    : ", 0) != 0)
            kept.push_back(std::move(line));
    return kept;
}

std::vector<std::uint8_t> Save(const TORVAFile& f)
{
    std::vector<std::uint8_t> bytes;
    TBigEndianFileStream out(MemoryWriter(bytes), kName, TFileMode::fmCreate);
    f.SaveRemappedTo(out, IdentityChannelMap(f.NumChannels()));
    return bytes;
}

TORVAFile Reload(const std::vector<std::uint8_t>& bytes)
{
    TBigEndianFileStream in(MemoryReader(bytes), kName, TFileMode::fmOpenRead);
    TORVAFile f;
    TAnswerNo question;
    if (!f.CheckStream(in, &question).empty() || question.asked)
        Fail("a saved file does not pass the check");
    f.LoadFromStream(in, kName);
    return f;
}

void RoundTrip(const TORVAFile& f)
{
    std::int64_t samples = 0;
    for (const auto& cell : f.Cells)
        samples += 2 * static_cast<std::int64_t>(cell.Data.size());
    if (samples > kLargestRoundTrip)
        return;
    std::vector<std::uint8_t> saved;
    try {
        saved = Save(f);
    } catch (const EORVAError&) {
        return; // a model the format cannot describe (a header beyond 32767 bytes)
    }
    const TORVAFile copy = Reload(saved);
    if (ReportWithoutLengths(copy) != ReportWithoutLengths(f))
        Fail("the reloaded copy gives another header report");
    for (std::size_t i = 0; i < f.Cells.size(); ++i)
        if (!(copy.Cells[i].Data == f.Cells[i].Data) || !(copy.Cells[i].TrialSpecifics == f.Cells[i].TrialSpecifics))
            Fail("the reloaded copy holds other values");
    if (Save(copy) != saved)
        Fail("saving the copy again gives other bytes");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TBigEndianFileStream s(MemoryReader(std::span<const std::uint8_t>(data, size)), kName, TFileMode::fmOpenRead);
    TORVAFile f;
    TAnswerYes yes;
    if (!f.CheckStream(s, &yes).empty())
        return 0;
    try {
        f.LoadFromStream(s, kName);
    } catch (const EORVAError&) {
        return 0; // refused with a message naming the cause: the expected way out
    }
    std::int64_t observations = 0;
    for (const auto& cell : f.Cells)
        observations += cell.NumObservations;
    if (observations > kMostReportedObservations)
        return 0;
    std::vector<std::string> report;
    f.GetHeaderText(report);
    RoundTrip(f);
    return 0;
}
