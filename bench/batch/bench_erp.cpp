// Times the ERP commands as whole processes, in alternating rounds of the same run:
//  - `orva average` of the 64-channel benchmark session (2 cells of 1000 trials of 250
//    samples, 61 MiB of samples) against `orva save` of the same file: both load the whole
//    file; the average must cost no more than writing it back does;
//  - `orva average` of it against bench_read_swap, a plain C program that reads the file
//    into one block of large pages and swaps its bytes: the floor of any whole-file command
//    (goal at most 1.5x, whatever the machine's huge-page setting, which is printed);
//  - `orva average --out-dir` of 40 session files (copies of the demo session) with -j 2
//    against -j 1.
// Reports the best time of each, the ratios and the peak memory of each child.
// Usage: bench_erp [rounds, default 3] [folder, default /tmp]
#include "bench/BenchmarkSession.h"
#include "bench/HugePages.h"
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

constexpr int kFiles = 40;

using TRun = orva::bench::TProcessRun;
constexpr auto Run = orva::bench::RunProcess;

constexpr auto Keep = orva::bench::KeepBest;

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path root = fs::path(argc > 2 ? argv[2] : "/tmp") / ("orva-bench-erp-" + std::to_string(getpid()));
    const std::string orva = (fs::path(argv[0]).parent_path() / "orva").string();
    const std::string readSwap = (fs::path(argv[0]).parent_path() / "bench_read_swap").string();
    fs::create_directories(root / "out");
    const std::string session = (root / "bench.ses").string();
    orva::bench::MakeBenchmarkSession().SaveToFile(session);
    Run({orva, "demo", root.string()});
    std::vector<std::string> inputs;
    for (int i = 1; i <= kFiles; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "s%02d.ses", i);
        fs::copy_file(root / "demo.ses", root / name, fs::copy_options::overwrite_existing);
        inputs.push_back((root / name).string());
    }
    auto many = [&](const char* jobs) {
        std::vector<std::string> args{orva, "average", "-j", jobs, "--out-dir", (root / "out").string()};
        args.insert(args.end(), inputs.begin(), inputs.end());
        return Run(args);
    };
    TRun save, average, baseline, load, one, two;
    for (int r = 0; r < rounds; ++r) {
        Keep(save, Run({orva, "save", session, (root / "copy.ses").string()}));
        Keep(average, Run({orva, "average", session, "-o", (root / "bench.ave").string()}));
        Keep(baseline, Run({readSwap, session}));
        Keep(load, Run({orva, "header", session}));
        Keep(one, many("1"));
        Keep(two, many("2"));
    }
    std::printf("session %.1f MiB; cores: %ld; transparent huge pages: %s; best of %d rounds\n",
                static_cast<double>(fs::file_size(session)) / (1024.0 * 1024.0), sysconf(_SC_NPROCESSORS_ONLN),
                orva::bench::HugePageSetting().c_str(), rounds);
    std::printf("orva header (load only)   %6.3f s %6.1f MiB\n", load.Seconds, load.PeakMiB);
    std::printf("orva save                 %6.3f s %6.1f MiB\n", save.Seconds, save.PeakMiB);
    std::printf("orva average              %6.3f s %6.1f MiB | average / save %.2fx (goal at most 1.0x)\n",
                average.Seconds, average.PeakMiB, average.Seconds / save.Seconds);
    std::printf("read + swap (C, large pages) %6.3f s %6.1f MiB | average / read + swap %.2fx (goal at most 1.5x)\n",
                baseline.Seconds, baseline.PeakMiB, average.Seconds / baseline.Seconds);
    std::printf("average --out-dir, %d files: -j 1 %6.3f s %4.2f cores | -j 2 %6.3f s %4.2f cores | "
                "ratio %.2fx (goal 1.6x)\n",
                kFiles, one.Seconds, one.CpuSeconds / one.Seconds, two.Seconds, two.CpuSeconds / two.Seconds,
                one.Seconds / two.Seconds);
    fs::remove_all(root);
    return 0;
}
