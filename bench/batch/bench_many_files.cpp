// Times the batch tool on a study of 40 average files of 64 channels (copies of the demo
// average, 3 cells of 12 subjects): `orva measure` of every cell, subject and channel, and
// `orva filter --out-dir`, each with -j 2 against -j 1 in alternating rounds of the same
// run. Reports the best time of each, the ratio, and the peak memory of each child (wait4's
// rusage) against the budget of j documents plus 32 MiB, and the cores each run kept busy.
// Usage: bench_many_files [rounds, default 3] [folder, default /tmp]
#include "bench/HugePages.h"
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

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 40;

using TRun = orva::bench::TProcessRun;
constexpr auto Run = orva::bench::RunProcess;

constexpr auto Keep = orva::bench::KeepBest;

void Report(const char* what, const TRun& one, const TRun& two, double documentMiB)
{
    // cores busy = CPU time / wall time: how much of the machine the run got, which on a
    // shared machine says whether a low ratio is the program's or the neighbours' doing.
    std::printf("%-22s -j 1 %6.3f s %5.1f MiB %4.2f cores | -j 2 %6.3f s %5.1f MiB %4.2f cores | ratio %.2fx"
                " | budget -j 2: %.1f MiB\n",
                what, one.Seconds, one.PeakMiB, one.CpuSeconds / one.Seconds, two.Seconds, two.PeakMiB,
                two.CpuSeconds / two.Seconds, one.Seconds / two.Seconds, 2 * documentMiB + 32);
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path root = fs::path(argc > 2 ? argv[2] : "/tmp") / ("orva-bench-many-" + std::to_string(getpid()));
    const std::string orva = (fs::path(argv[0]).parent_path() / "orva").string();
    fs::create_directories(root / "out");
    Run({orva, "demo", root.string()});
    std::vector<std::string> inputs;
    for (int i = 1; i <= kFiles; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "s%02d.ave", i);
        fs::copy_file(root / "demo.ave", root / name, fs::copy_options::overwrite_existing);
        inputs.push_back((root / name).string());
    }
    const double documentMiB = static_cast<double>(fs::file_size(root / "demo.ave")) / (1024.0 * 1024.0);
    const TRun load = Run({orva, "header", inputs[0]});

    auto measure = [&](const char* jobs) {
        std::vector<std::string> args{orva, "measure", "-j", jobs, "-o", (root / "measures.csv").string(),
                                      "--window", "250", "500", "--measure", "mean", "--measure", "peak",
                                      "--measure", "peak-latency", "--neighbours", "3"};
        args.insert(args.end(), inputs.begin(), inputs.end());
        return Run(args);
    };
    auto filter = [&](const char* jobs) {
        std::vector<std::string> args{orva, "filter", "-j", jobs, "--cutoff", "20", "--out-dir", (root / "out").string()};
        args.insert(args.end(), inputs.begin(), inputs.end());
        return Run(args);
    };
    TRun measure1, measure2, filter1, filter2;
    for (int r = 0; r < rounds; ++r) {
        Keep(measure1, measure("1"));
        Keep(measure2, measure("2"));
        Keep(filter1, filter("1"));
        Keep(filter2, filter("2"));
    }
    std::printf("%d average files of 64 channels, %.2f MiB each; cores: %ld; transparent huge pages: %s; "
                "best of %d rounds\n",
                kFiles, documentMiB, sysconf(_SC_NPROCESSORS_ONLN), orva::bench::HugePageSetting().c_str(), rounds);
    std::printf("orva header of one file (load only): %.1f MiB peak\n", load.PeakMiB);
    Report("orva measure", measure1, measure2, documentMiB);
    Report("orva filter --out-dir", filter1, filter2, documentMiB);
    fs::remove_all(root);
    return 0;
}
