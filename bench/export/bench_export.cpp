// Times a text export of a whole 64-channel session (2 cells x 1000 observations x 250
// samples: 32 million values), streamed to a file as the batch tool writes it, against a
// baseline that only formats the same values with snprintf("%5.2f"), in one process. Also
// reports the peak memory. bench_export_process compares whole processes.
// Usage: bench_export [output file, default /tmp/bench_export.txt]
#include "bench/BenchmarkSession.h"
#include "export/TextExport.h"
#include "model/ORVAFile.h"
#include "select/LineSink.h"
#include "select/NumberFormat.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>

using namespace orva;
using namespace orva::bench;

namespace {

double PeakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
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
    const double before = PeakMiB();
    const TORVAFile file = MakeBenchmarkSession();
    const double withDocument = PeakMiB();
    const double values = double(kCells) * kObservations * kSamples * kChannels;

    TTextExportOptions options;
    options.AllCells = true;
    options.ObservationMode = omAll;
    options.AllChannels = true;
    const double exportTime = Seconds([&] {
        SaveLines(out, kCrLf, [&](TLineSink& sink) { WriteTextExport(file, options, '.', sink); });
    });
    const double peak = PeakMiB();
    const double outputMiB = static_cast<double>(std::filesystem::file_size(out)) / (1024.0 * 1024.0);
    std::filesystem::remove(out);

    std::size_t baselineBytes = 0;
    const double baseline = SnprintfBaseline(file, baselineBytes);
    const double formatOnly = FormatFixedOnly(file);

    const double documentMiB = withDocument - before;
    const double limitMiB = documentMiB + 32.0;
    std::printf("values: %.0f, output %.1f MiB, document %.1f MiB\n", values, outputMiB, documentMiB);
    std::printf("text export streamed to the file: %.3f s, %.1f M values/s, %.1f MiB/s\n", exportTime,
                values / exportTime / 1e6, outputMiB / exportTime);
    std::printf("snprintf(\"%%5.2f\") baseline: %.3f s, %.1f M values/s (%.1f MiB formatted)\n", baseline,
                values / baseline / 1e6, static_cast<double>(baselineBytes) / (1024.0 * 1024.0));
    std::printf("FormatFixed alone: %.3f s, %.1f M values/s (%.1fx snprintf)\n", formatOnly,
                values / formatOnly / 1e6, baseline / formatOnly);
    std::printf("whole export vs baseline: %.2fx faster (target >= 5x): %s\n", baseline / exportTime,
                baseline / exportTime >= 5 ? "met" : "MISSED");
    std::printf("peak memory above start: %.1f MiB, limit document + 32 MiB = %.1f MiB: %s\n", peak - before,
                limitMiB, peak - before <= limitMiB ? "met" : "MISSED");

    // The least favourable data for the remembered value texts: raw values spread evenly
    // over the whole 16-bit range, so that almost every value is formatted afresh.
    TORVAFile spread = MakeBenchmarkSession();
    std::mt19937 random(11);
    std::uniform_int_distribution<int> anyValue(-32768, 32767);
    for (auto& cell : spread.Cells)
        for (std::size_t i = 0; i < cell.Data.size(); ++i)
            cell.Data.data()[i] = static_cast<std::int16_t>(anyValue(random));
    const double spreadTime = Seconds([&] {
        SaveLines(out, kCrLf, [&](TLineSink& sink) { WriteTextExport(spread, options, '.', sink); });
    });
    std::filesystem::remove(out);
    std::printf("text export of values spread over the 16-bit range: %.3f s (%.2fx snprintf on the EEG-like data)\n",
                spreadTime, baseline / spreadTime);
    return 0;
}
