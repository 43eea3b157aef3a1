// Times whole processes, from data file to text file: `orva export-text` of every cell,
// observation and channel of the 64-channel benchmark session, against the hand-written
// snprintf program (bench_export_snprintf), in alternating rounds of the same run. Peak
// memory of each child comes from wait4's rusage; `orva header` of the same file (load
// only) gives the memory of the document in a process of the batch tool.
// Usage: bench_export_process [rounds, default 3] [folder, default /tmp]
#include "bench/BenchmarkSession.h"
#include "bench/ProcessRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace orva;
namespace fs = std::filesystem;

namespace {

using TRun = orva::bench::TProcessRun;
constexpr auto Run = orva::bench::RunProcess;

using orva::bench::Median;

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path folder = argc > 2 ? fs::path(argv[2]) : fs::path("/tmp");
    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    const std::string orva = (bin / "orva").string();
    const std::string baseline = (bin / "bench_export_snprintf").string();
    const std::string input = (folder / "bench_export_process.ses").string();
    const std::string outOrva = (folder / "bench_export_process_orva.txt").string();
    const std::string outBaseline = (folder / "bench_export_process_snprintf.txt").string();
    {
        TORVAFile session = bench::MakeBenchmarkSession();
        session.SaveToFile(input);
    }

    std::vector<double> orvaTimes, baselineTimes, orvaPeaks, documentPeaks;
    for (int r = 0; r < rounds; ++r) {
        const TRun e = Run({orva, "export-text", input, outOrva, "--all-cells", "--all-obs", "--all-chans",
                            "--decimal-separator", "."});
        const TRun b = Run({baseline, input, outBaseline});
        const TRun d = Run({orva, "header", input});
        orvaTimes.push_back(e.Seconds);
        baselineTimes.push_back(b.Seconds);
        orvaPeaks.push_back(e.PeakMiB);
        documentPeaks.push_back(d.PeakMiB);
        std::printf("round %d: orva export-text %.3f s %.1f MiB | snprintf program %.3f s %.1f MiB | orva header "
                    "%.3f s %.1f MiB\n",
                    r + 1, e.Seconds, e.PeakMiB, b.Seconds, b.PeakMiB, d.Seconds, d.PeakMiB);
    }
    const double outputMiB = static_cast<double>(fs::file_size(outOrva)) / (1024.0 * 1024.0);
    const bool sameSize = fs::file_size(outOrva) == fs::file_size(outBaseline);
    const double ratio = Median(baselineTimes) / Median(orvaTimes);
    const double peak = *std::max_element(orvaPeaks.begin(), orvaPeaks.end());
    const double limit = Median(documentPeaks) + 32.0;
    std::printf("input %.1f MiB, output %.1f MiB (snprintf output %s)\n",
                static_cast<double>(fs::file_size(input)) / (1024.0 * 1024.0), outputMiB,
                sameSize ? "of the same size" : "of a DIFFERENT size");
    std::printf("median of %d: orva %.3f s, snprintf program %.3f s: %.2fx (target >= 5x): %s\n", rounds,
                Median(orvaTimes), Median(baselineTimes), ratio, ratio >= 5 ? "met" : "MISSED");
    std::printf("peak memory of orva export-text %.1f MiB, document (orva header) %.1f MiB + 32 = %.1f MiB: %s\n", peak,
                Median(documentPeaks), limit, peak <= limit ? "met" : "MISSED");
    fs::remove(input);
    fs::remove(outOrva);
    fs::remove(outBaseline);
    return 0;
}
