// Times the data quality as whole processes, in alternating rounds of the same run:
//  - `orva quality` of the 64-channel benchmark session (61 MiB of samples) with the default
//    windows against `orva average` of the same file, which reads every sample too (goal: at
//    most 1.5x);
//  - `orva quality --bootstrap 1000 --measure peak-latency` of the demo session with -j 1
//    (goal: under 2 s on one core), beside `orva average` of it for scale.
// Reports the best time of each, the ratio and the peak memory of each child.
// Usage: bench_quality [rounds, default 3] [folder, default /tmp]
#include "bench/BenchmarkSession.h"
#include "bench/ProcessRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using TRun = orva::bench::TProcessRun;
constexpr auto Run = orva::bench::RunProcess;
constexpr auto Keep = orva::bench::KeepBest;

void Line(const char* what, const TRun& run)
{
    std::printf("%-52s %6.3f s (cpu %6.3f s) %6.1f MiB\n", what, run.Seconds, run.CpuSeconds, run.PeakMiB);
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path root = fs::path(argc > 2 ? argv[2] : "/tmp") / ("orva-bench-quality-" + std::to_string(getpid()));
    const std::string orva = (fs::path(argv[0]).parent_path() / "orva").string();
    fs::create_directories(root);
    const std::string session = (root / "bench.ses").string();
    orva::bench::MakeBenchmarkSession().SaveToFile(session);
    Run({orva, "demo", root.string()});
    const std::string demo = (root / "demo.ses").string();
    const std::string out = (root / "out").string();
    TRun average, quality, demoAverage, bootstrap;
    for (int r = 0; r < rounds; ++r) {
        Keep(average, Run({orva, "average", session, "-o", out + ".ave"}));
        Keep(quality, Run({orva, "quality", session, "-o", out + ".csv"}));
        Keep(demoAverage, Run({orva, "average", demo, "-o", out + ".ave", "-j", "1"}));
        Keep(bootstrap, Run({orva, "quality", demo, "-o", out + ".csv", "--bootstrap", "1000", "--measure",
                             "peak-latency", "-j", "1"}));
    }
    std::printf("session %.1f MiB; cores: %ld; best of %d rounds\n",
                static_cast<double>(fs::file_size(session)) / (1024.0 * 1024.0), sysconf(_SC_NPROCESSORS_ONLN),
                rounds);
    Line("orva average (benchmark session)", average);
    Line("orva quality (benchmark session, default windows)", quality);
    Line("orva average (demo session)", demoAverage);
    Line("orva quality --bootstrap 1000 peak-latency (demo)", bootstrap);
    std::printf("quality / average              %.2fx (goal at most 1.5x)\n", quality.Seconds / average.Seconds);
    std::printf("bootstrap of the demo          %.3f s, cpu %.3f s (goal under 2 s on one core; %.0fx its average)\n",
                bootstrap.Seconds, bootstrap.CpuSeconds, bootstrap.Seconds / demoAverage.Seconds);
    fs::remove_all(root);
    return 0;
}
