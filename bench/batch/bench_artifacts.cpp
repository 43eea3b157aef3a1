// Times the artifact rules as whole processes, in alternating rounds of the same run:
//  - `orva artifacts --peak-to-peak 100 --flat 0.5 --absolute 200` of the 64-channel
//    benchmark session (61 MiB of samples) against `orva average` of the same file without
//    rules, which reads every sample too (goal: at most 1.2x);
//  - the same with `--moving-window 200 4` (a sliding maximum, goal: at most 1.5x);
//  - `orva average` with rules against `orva average` without (goal: at most 1.2x); the
//    session's traces span about 250 µV, so the rules of the first line flag every trial
//    and average would refuse: it gets --peak-to-peak 400 --flat 0.5 --absolute 300, which
//    keep every trial after testing each;
//  - as a worst case for the sliding window (not a goal): --peak-to-peak 200 with
//    --moving-window 40 4, where the whole trace exceeds the threshold and no window does,
//    so every window of every channel is looked at;
//  - `orva artifacts` of 40 session files (copies of the demo session) with -j 2 against
//    -j 1 (goal: at least 1.6x faster).
// Reports the best time of each, the ratios and the peak memory of each child.
// Usage: bench_artifacts [rounds, default 3] [folder, default /tmp]
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

constexpr int kFiles = 40;

using TRun = orva::bench::TProcessRun;
constexpr auto Run = orva::bench::RunProcess;
constexpr auto Keep = orva::bench::KeepBest;

void Line(const char* what, const TRun& run) { std::printf("%-44s %6.3f s %6.1f MiB\n", what, run.Seconds, run.PeakMiB); }

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path root = fs::path(argc > 2 ? argv[2] : "/tmp") / ("orva-bench-artifacts-" + std::to_string(getpid()));
    const std::string orva = (fs::path(argv[0]).parent_path() / "orva").string();
    fs::create_directories(root);
    const std::string session = (root / "bench.ses").string();
    const std::string average = (root / "bench.ave").string();
    orva::bench::MakeBenchmarkSession().SaveToFile(session);
    Run({orva, "demo", root.string()});
    std::vector<std::string> inputs;
    for (int i = 1; i <= kFiles; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "s%02d.ses", i);
        fs::copy_file(root / "demo.ses", root / name, fs::copy_options::overwrite_existing);
        inputs.push_back((root / name).string());
    }
    const std::vector<std::string> rules{"--peak-to-peak", "100", "--flat", "0.5", "--absolute", "200"};
    auto with = [](std::vector<std::string> args, const std::vector<std::string>& more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    auto many = [&](const char* jobs) {
        return Run(with(with({orva, "artifacts", "-j", jobs}, {"--peak-to-peak", "100", "--flat", "0.5"}), inputs));
    };
    const std::vector<std::string> keeping{"--peak-to-peak", "400", "--flat", "0.5", "--absolute", "300"};
    TRun plain, detect, moving, ruled, worst, one, two;
    for (int r = 0; r < rounds; ++r) {
        Keep(plain, Run({orva, "average", session, "-o", average}));
        Keep(detect, Run(with({orva, "artifacts", session}, rules)));
        Keep(moving, Run(with({orva, "artifacts", session, "--moving-window", "200", "4"}, rules)));
        Keep(ruled, Run(with({orva, "average", session, "-o", average}, keeping)));
        Keep(worst, Run({orva, "artifacts", session, "--peak-to-peak", "200", "--moving-window", "40", "4"}));
        Keep(one, many("1"));
        Keep(two, many("2"));
    }
    std::printf("session %.1f MiB; cores: %ld; best of %d rounds\n",
                static_cast<double>(fs::file_size(session)) / (1024.0 * 1024.0), sysconf(_SC_NPROCESSORS_ONLN),
                rounds);
    Line("orva average (no rules)", plain);
    Line("orva artifacts (3 rules)", detect);
    Line("orva artifacts (3 rules, --moving-window 200 4)", moving);
    Line("orva average (3 rules keeping every trial)", ruled);
    Line("orva artifacts (every window scanned)", worst);
    std::printf("artifacts / average            %.2fx (goal at most 1.2x)\n", detect.Seconds / plain.Seconds);
    std::printf("artifacts moving / average     %.2fx (goal at most 1.5x)\n", moving.Seconds / plain.Seconds);
    std::printf("average ruled / average        %.2fx (goal at most 1.2x)\n", ruled.Seconds / plain.Seconds);
    std::printf("every window scanned / average %.2fx (no goal)\n", worst.Seconds / plain.Seconds);
    std::printf("artifacts, %d files: -j 1 %6.3f s %4.2f cores | -j 2 %6.3f s %4.2f cores | ratio %.2fx (goal 1.6x)\n",
                kFiles, one.Seconds, one.CpuSeconds / one.Seconds, two.Seconds, two.CpuSeconds / two.Seconds,
                one.Seconds / two.Seconds);
    fs::remove_all(root);
    return 0;
}
