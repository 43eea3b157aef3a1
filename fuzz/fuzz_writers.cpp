// Opens the input as "Open anyway ?" does and gives the document to every writer and
// operation that takes one: each either refuses with an EORVAError naming the document (and
// leaves no file behind) or writes what its readers can trust. A data file written (save,
// average, baseline, difference, re-reference, interpolation, rejection of the trials
// artifact detection marks) passes the check and loads, as does its artifact report; the tables hold
// finite values; BrainVision and EDF+ files hold exactly the samples their headers declare.
// A new writer is one more entry in Writers().
#include "FuzzSupport.h"
#include "formats/BrainVisionExport.h"
#include "formats/EdfExport.h"
#include "export/LongTableExport.h"
#include "export/MeasureExport.h"
#include "export/StatsExport.h"
#include "export/TextExport.h"
#include "tools/ArtifactReject.h"
#include "tools/ArtifactReport.h"
#include "tools/ChannelInterpolation.h"
#include "tools/ErpAverage.h"
#include "tools/ErpTraces.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <iterator>

using namespace orva;
using namespace orva::fuzz;

namespace {

constexpr char kName[] = "fuzz.ses";
// Every writer's work grows with the samples and the observations; beyond these an input
// only repeats the same work for longer than the fuzzer should wait.
constexpr std::int64_t kMostValues = 1 << 15;
constexpr std::int64_t kMostObservations = 8192;

void RequireFinite(double value, const char* what)
{
    Require(std::isfinite(value), std::string(what) + " holds a value that is not finite");
}

void RequireNothingWritten(const char* what)
{
    Require(std::filesystem::is_empty(ScratchFolder()), std::string(what) + " refused but left a file behind");
}

std::vector<std::uint8_t> SaveToMemory(const TORVAFile& f)
{
    std::vector<std::uint8_t> bytes;
    TBigEndianFileStream out(MemoryWriter(bytes), "saved", TFileMode::fmCreate);
    f.SaveRemappedTo(out, IdentityChannelMap(f.NumChannels()));
    return bytes;
}

// A document an operation made: it saves (or refuses as save does) and reads back.
void RequireWritable(const TErpResult& result, const char* what)
{
    std::vector<std::uint8_t> bytes;
    try {
        bytes = SaveToMemory(result.File);
    } catch (const EORVAError&) {
        return;
    }
    RequireReadsBack(bytes, what);
}

// An EDF+ header field: bytes [offset, offset + width) read as a number.
double EdfNumber(const std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t width)
{
    Require(bytes.size() >= offset + width, "an EDF+ file shorter than its header");
    const std::string field(reinterpret_cast<const char*>(bytes.data() + offset), width);
    char* end = nullptr;
    const double value = std::strtod(field.c_str(), &end);
    Require(end != field.c_str() && std::isfinite(value), "an EDF+ header field that is no number: " + field);
    return value;
}

void CheckEdfFile(const std::filesystem::path& path)
{
    const std::vector<std::uint8_t> bytes = ReadScratch(path);
    const auto headerBytes = static_cast<std::size_t>(EdfNumber(bytes, 184, 8));
    const auto records = static_cast<std::int64_t>(EdfNumber(bytes, 236, 8));
    const auto signals = static_cast<std::size_t>(EdfNumber(bytes, 252, 4));
    Require(headerBytes == 256 * (signals + 1) && records >= 1, "an EDF+ header of another size than its signals");
    // Per signal: label 16, transducer 80, dimension 8, four ranges of 8, prefiltering 80,
    // then the samples per record (8) at 256 + 216 * signals.
    std::int64_t perRecord = 0;
    for (std::size_t s = 0; s < signals; ++s) {
        const double physicalMin = EdfNumber(bytes, 256 + 104 * signals + 8 * s, 8);
        const double physicalMax = EdfNumber(bytes, 256 + 112 * signals + 8 * s, 8);
        const double digitalMin = EdfNumber(bytes, 256 + 120 * signals + 8 * s, 8);
        const double digitalMax = EdfNumber(bytes, 256 + 128 * signals + 8 * s, 8);
        Require(physicalMin != physicalMax && digitalMin < digitalMax, "an EDF+ signal with an empty range");
        perRecord += static_cast<std::int64_t>(EdfNumber(bytes, 256 + 216 * signals + 8 * s, 8));
    }
    Require(static_cast<std::int64_t>(bytes.size()) == static_cast<std::int64_t>(headerBytes) + 2 * records * perRecord,
            "an EDF+ file of another length than its header declares");
}

void CheckBrainVisionFiles(const TORVAFile& f, const std::filesystem::path& vhdr)
{
    const TBrainVisionPaths paths = BrainVisionPaths(vhdr);
    Require(std::filesystem::exists(paths.Header) && std::filesystem::exists(paths.Markers),
            "a BrainVision export without its header or markers");
    const TEpochLayout layout = LayOutEpochs(f, {});
    const std::vector<std::uint8_t> samples = ReadScratch(paths.Data);
    Require(static_cast<std::int64_t>(samples.size()) ==
                4 * static_cast<std::int64_t>(layout.Channels.size()) * layout.TotalSamples(),
            "a BrainVision data file of another length than its header declares");
    for (std::size_t i = 0; i + 4 <= samples.size(); i += 4) {
        float value = 0;
        std::memcpy(&value, samples.data() + i, 4);
        RequireFinite(value, "a BrainVision data file");
    }
}

struct TWriter {
    const char* Name;
    std::function<void(const TORVAFile&)> Run;
};

const std::vector<TWriter>& Writers()
{
    static const std::vector<TWriter> writers{
        {"save", [](const TORVAFile& f) { RequireReadsBack(SaveToMemory(f), "save"); }},
        {"the text export",
         [](const TORVAFile& f) {
             TTextExportOptions options;
             options.AllCells = options.AllChannels = true;
             options.ObservationMode = omAll;
             BuildTextExport(f, options, '.');
             options.ObservationMode = omAverage;
             BuildTextExport(f, options, ',');
         }},
        {"the stats export",
         [](const TORVAFile& f) {
             const TStatsProposal p = ProposeStatsSelection(f);
             BuildStatsExport(f, ParseSelectionList(NumberListText(1, f.NumCells())),
                              ParseSelectionList(NumberListText(1, p.MinObservations)),
                              ParseSelectionList(NumberListText(1, f.NumChannels())),
                              ParseSelectionList(NumberListText(1, p.MinSamples)), '.');
         }},
        {"the long table",
         [](const TORVAFile& f) {
             const TLongTableColumns table = LongTableColumns(f, {});
             for (std::size_t i = 0; i < table.ValueUv.size(); ++i) {
                 RequireFinite(table.ValueUv[i], "the long table");
                 RequireFinite(table.TimeMs[i], "the long table");
             }
         }},
        {"the measures",
         [](const TORVAFile& f) {
             TMeasureOptions options;
             options.WindowStart = -1e9;
             options.WindowEnd = 1e9;
             options.Measures.assign(std::begin(kMeasureKinds), std::end(kMeasureKinds));
             options.Neighbours = 1;
             const TMeasureColumns table = MeasureColumns(f, options);
             // Only a note ("no area", "no crossing") may stand for a value.
             for (std::size_t i = 0; i < table.Value.size(); ++i)
                 if (table.Note[i] != kNoArea && table.Note[i] != kNoCrossing)
                     RequireFinite(table.Value[i], "the measure table");
         }},
        {"the BrainVision export",
         [](const TORVAFile& f) {
             const auto vhdr = ScratchFolder() / "out.vhdr";
             ExportBrainVision(f, {}, std::nullopt, vhdr);
             CheckBrainVisionFiles(f, vhdr);
         }},
        {"the EDF+ export",
         [](const TORVAFile& f) {
             const auto edf = ScratchFolder() / "out.edf";
             ExportEdf(f, {}, std::nullopt, edf);
             CheckEdfFile(edf);
         }},
        {"the average", [](const TORVAFile& f) { RequireWritable(AverageSession(f, {}), "the average"); }},
        {"the baseline",
         [](const TORVAFile& f) {
             TBaselineOptions options;
             if (!f.IsAverageFile()) {
                 options.Start = -1e9;
                 options.End = 1e9;
             }
             RequireWritable(CorrectBaseline(f, options), "the baseline");
         }},
        {"the difference",
         [](const TORVAFile& f) {
             RequireWritable(DifferenceWave(f, {0, f.NumCells() - 1, std::nullopt}), "the difference");
         }},
        {"the re-reference", [](const TORVAFile& f) { RequireWritable(AverageReference(f, {}), "the re-reference"); }},
        {"interpolation",
         [](const TORVAFile& f) {
             // Sensors E1 ... En spread over the sphere (a spiral), channel 1 repaired. The
             // spline's system grows with the cube of the channels: beyond 128 it only repeats.
             const int n = f.NumChannels();
             if (n > 128)
                 return;
             TInterpolationOptions options;
             options.Channels = {0};
             for (int i = 0; i < n; ++i) {
                 const double z = 1 - 2 * (i + 0.5) / n, r = std::sqrt(1 - z * z), a = 2.39996 * i;
                 options.Sensors.push_back({"E" + std::to_string(i + 1), r * std::cos(a), r * std::sin(a), z});
             }
             options.PositionsFile = "fuzz.sfp";
             RequireWritable(InterpolateChannels(f, options), "the interpolation");
         }},
        {"artifact detection",
         [](const TORVAFile& f) {
             TArtifactRules rules;
             rules.PeakToPeak = 100;
             rules.Flat = 0.5;
             rules.Absolute = 150;
             rules.Moving = TMovingWindow{20, 8};
             const std::vector<TCellFlags> flags = DetectArtifacts(f, rules, ChosenCells(f, std::nullopt));
             // The report reads back as the statuses found, and the session without the bad
             // trials saves and reads back.
             TLineCollector report;
             report.Line(kArtifactReportHeader);
             WriteArtifactRows(f, flags, report);
             std::string text;
             for (const auto& line : report.Lines)
                 text += line + std::string(kArtifactReportLineEnd);
             const auto again = FlagsFromRejectList(f, ParseRejectList(text, "report.csv"));
             const TTrialExclusions excluded = ExclusionsOf(f, flags);
             Require(ExclusionsOf(f, again) == excluded, "an artifact report reads back other statuses");
             RequireReadsBack(SaveToMemory(RejectTrials(f, excluded)), "the rejection of bad trials");
         }},
    };
    return writers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<TORVAFile> f = LoadLeniently({data, size}, kName);
    if (!f || SampleValues(*f) > kMostValues || Observations(*f) > kMostObservations)
        return 0;
    for (const TWriter& writer : Writers()) {
        ClearScratch();
        try {
            writer.Run(*f);
        } catch (const EORVAError& e) {
            Require(!e.Cause().empty() && !e.Path().empty(), std::string(writer.Name) + " refuses without a text");
            RequireNothingWritten(writer.Name);
        }
    }
    ClearScratch();
    return 0;
}
