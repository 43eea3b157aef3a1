// Times whole processes, from data file to BrainVision files: `orva export-brainvision` of
// the 64-channel benchmark session (every cell, observation and channel) against a plain C
// program that reads the same file and writes the same float32 bytes with stdio
// (bench_float32_export), in alternating rounds of the same run. Peak memory of each child
// comes from wait4's rusage; `orva header` of the same file (load only) gives the memory of
// the document in a process of the batch tool.
// Usage: bench_brainvision [rounds, default 3] [folder, default /tmp]
#include "bench/BenchmarkSession.h"
#include "bench/ProcessRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace orva;
namespace fs = std::filesystem;

namespace {

using orva::bench::Median;

bool SameBytes(const fs::path& a, const fs::path& b)
{
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    return fs::file_size(a) == fs::file_size(b) &&
           std::equal(std::istreambuf_iterator<char>(fa), {}, std::istreambuf_iterator<char>(fb));
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path folder = argc > 2 ? fs::path(argv[2]) : fs::path("/tmp");
    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    const std::string orva = (bin / "orva").string();
    const std::string baseline = (bin / "bench_float32_export").string();
    const fs::path input = folder / "bench_brainvision.ses";
    const fs::path header = folder / "bench_brainvision_orva.vhdr";
    const fs::path data = folder / "bench_brainvision_orva.eeg";
    const fs::path baselineData = folder / "bench_brainvision_c.eeg";
    // The session is made in a child of its own: a child started by posix_spawn shares this
    // process's memory until it execs, and the kernel then counts this process's peak as the
    // child's, so this process must stay small for the children's peaks to mean anything.
    if (const pid_t maker = fork(); maker == 0) {
        bench::MakeBenchmarkSession().SaveToFile(input);
        _exit(0);
    } else {
        int status = 0;
        waitpid(maker, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "cannot write %s\n", input.c_str());
            return 1;
        }
    }

    std::vector<double> orvaTimes, baselineTimes, orvaPeaks, baselinePeaks, documentPeaks;
    for (int r = 0; r < rounds; ++r) {
        const auto e = bench::RunProcess({orva, "export-brainvision", input.string(), "-o", header.string()});
        const auto b = bench::RunProcess({baseline, input.string(), baselineData.string()});
        const auto d = bench::RunProcess({orva, "header", input.string()});
        orvaTimes.push_back(e.Seconds);
        baselineTimes.push_back(b.Seconds);
        orvaPeaks.push_back(e.PeakMiB);
        baselinePeaks.push_back(b.PeakMiB);
        documentPeaks.push_back(d.PeakMiB);
        std::printf("round %d: orva export-brainvision %.3f s %.1f MiB | C program %.3f s %.1f MiB | orva header "
                    "%.3f s %.1f MiB\n",
                    r + 1, e.Seconds, e.PeakMiB, b.Seconds, b.PeakMiB, d.Seconds, d.PeakMiB);
    }
    const double ratio = Median(orvaTimes) / Median(baselineTimes);
    const double peak = *std::max_element(orvaPeaks.begin(), orvaPeaks.end());
    const double limit = Median(documentPeaks) + 32.0;
    std::printf("input %.1f MiB, .eeg %.1f MiB: %s the C program's bytes\n",
                static_cast<double>(fs::file_size(input)) / (1024.0 * 1024.0),
                static_cast<double>(fs::file_size(data)) / (1024.0 * 1024.0),
                SameBytes(data, baselineData) ? "the same as" : "DIFFERENT from");
    std::printf("median of %d: orva %.3f s, C program %.3f s: orva takes %.2fx its time (target <= 1.5x): %s\n",
                rounds, Median(orvaTimes), Median(baselineTimes), ratio, ratio <= 1.5 ? "met" : "MISSED");
    std::printf("peak memory of orva export-brainvision %.1f MiB, document (orva header) %.1f MiB + 32 = %.1f MiB: "
                "%s\n",
                peak, Median(documentPeaks), limit, peak <= limit ? "met" : "MISSED");
    for (const auto& f : {input, header, data, baselineData, folder / "bench_brainvision_orva.vmrk"})
        fs::remove(f);
    return 0;
}
