// Times a text export of a whole 64-channel session (2 cells x 1000 observations x 250
// samples: 32 million values), lines built and written to a file, against a baseline that
// only formats the same values with snprintf("%5.2f"). Also reports the peak memory.
// Usage: bench_export [output file, default /tmp/bench_export.txt]
#include "bench/BenchmarkSession.h"
#include "export/NumberFormat.h"
#include "export/TextExport.h"
#include "export/TextFile.h"
#include "model/ORVAFile.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/resource.h>

using namespace orva;
using namespace orva::bench;

namespace {

double PeakMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in kilobytes
}

template <class Work>
double Seconds(Work&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The same values, in the same order, formatted by snprintf into a reused buffer.
double SnprintfBaseline(const TORVAFile& f, std::size_t& bytes)
{
    std::vector<char> buffer(1 << 16);
    bytes = 0;
    return Seconds([&] {
        std::size_t used = 0;
        for (const auto& cell : f.Cells)
            for (int o = 0; o < cell.NumObservations; ++o)
                for (int s = 0; s < cell.SamplesPerObservation; ++s)
                    for (int k = 0; k < kChannels; ++k) {
                        if (buffer.size() - used < 64) {
                            bytes += used;
                            used = 0;
                        }
                        used += static_cast<std::size_t>(std::snprintf(buffer.data() + used, 64, "%5.2f",
                                                                       CalibratedValue(f, cell.Data(o, s, k), k)));
                    }
        bytes += used;
    });
}

// FormatFixed alone over the same values (no lines, no file).
double FormatFixedOnly(const TORVAFile& f)
{
    std::vector<char> buffer(1 << 16);
    volatile std::size_t sink = 0;
    return Seconds([&] {
        std::size_t used = 0;
        for (const auto& cell : f.Cells)
            for (int o = 0; o < cell.NumObservations; ++o)
                for (int s = 0; s < cell.SamplesPerObservation; ++s)
                    for (int k = 0; k < kChannels; ++k) {
                        if (buffer.size() - used < kMaxFormattedLength)
                            used = 0;
                        used += FormatFixed(buffer.data() + used, CalibratedValue(f, cell.Data(o, s, k), k), 5, 2, '.');
                    }
        sink = used;
    });
}

} // namespace

int main(int argc, char** argv)
{
    const std::string out = argc > 1 ? argv[1] : "/tmp/bench_export.txt";
    const double before = PeakMB();
    const TORVAFile file = MakeBenchmarkSession();
    const double withDocument = PeakMB();
    const double values = double(kCells) * kObservations * kSamples * kChannels;

    TTextExportOptions options;
    options.AllCells = true;
    options.ObservationMode = omAll;
    options.AllChannels = true;
    double buildTime = 0, writeTime = 0;
    std::size_t lineCount = 0;
    {
        std::vector<std::string> lines;
        buildTime = Seconds([&] { lines = BuildTextExport(file, options, '.'); });
        writeTime = Seconds([&] { WriteTextLines(out, lines); });
        lineCount = lines.size();
    }
    const double peak = PeakMB();
    const double outputMB = static_cast<double>(std::filesystem::file_size(out)) / (1024.0 * 1024.0);
    std::filesystem::remove(out);

    std::size_t baselineBytes = 0;
    const double baseline = SnprintfBaseline(file, baselineBytes);
    const double formatOnly = FormatFixedOnly(file);
    const double exportTime = buildTime + writeTime;

    const double documentMB = withDocument - before;
    const double limitMB = documentMB + 1.5 * outputMB;
    std::printf("values: %.0f in %zu lines, output %.1f MB, document %.1f MB\n", values, lineCount, outputMB,
                documentMB);
    std::printf("text export (build %.3f s + write %.3f s): %.3f s, %.1f M values/s, %.1f MB/s\n", buildTime,
                writeTime, exportTime, values / exportTime / 1e6, outputMB / exportTime);
    std::printf("snprintf(\"%%5.2f\") baseline: %.3f s, %.1f M values/s (%.1f MB formatted)\n", baseline,
                values / baseline / 1e6, static_cast<double>(baselineBytes) / (1024.0 * 1024.0));
    std::printf("FormatFixed alone: %.3f s, %.1f M values/s (%.1fx snprintf)\n", formatOnly,
                values / formatOnly / 1e6, baseline / formatOnly);
    std::printf("whole export vs baseline: %.2fx faster (target >= 5x): %s\n", baseline / exportTime,
                baseline / exportTime >= 5 ? "met" : "MISSED");
    std::printf("peak memory above start: %.1f MB, limit document + 1.5 x output = %.1f MB: %s\n", peak - before,
                limitMB, peak - before <= limitMB ? "met" : "MISSED");
    return 0;
}
