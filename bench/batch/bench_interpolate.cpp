// Times `orva interpolate` of 4 channels of the 64-channel benchmark session (61 MiB of
// samples) against `orva save` of the same file, as whole processes in alternating rounds
// of the same run: both load and write the whole file; the repair may cost at most 1.5x.
// Reports the best time of each, the ratio and the peak memory of each child.
// Usage: bench_interpolate [rounds, default 5] [folder, default /tmp]
#include "bench/BenchmarkSession.h"
#include "bench/ProcessRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const fs::path root =
        fs::path(argc > 2 ? argv[2] : "/tmp") / ("orva-bench-interpolate-" + std::to_string(getpid()));
    const std::string orva = (fs::path(argv[0]).parent_path() / "orva").string();
    fs::create_directories(root);
    const std::string session = (root / "bench.ses").string();
    orva::bench::MakeBenchmarkSession().SaveToFile(session);
    // The demo's 64 positions serve the benchmark's 64 channels.
    orva::bench::RunProcess({orva, "demo", root.string()});
    const std::string positions = (root / "demo.sfp").string();
    orva::bench::TProcessRun save, interpolate;
    for (int r = 0; r < rounds; ++r) {
        orva::bench::KeepBest(save, orva::bench::RunProcess({orva, "save", session, (root / "copy.ses").string()}));
        orva::bench::KeepBest(interpolate,
                              orva::bench::RunProcess({orva, "interpolate", session, "--positions", positions, "--chans",
                                                       "5 17 33 60", "-o", (root / "repaired.ses").string()}));
    }
    std::printf("session %.1f MiB; cores: %ld; best of %d rounds\n",
                static_cast<double>(fs::file_size(session)) / (1024.0 * 1024.0), sysconf(_SC_NPROCESSORS_ONLN),
                rounds);
    std::printf("orva save                 %6.3f s (cpu %6.3f s) %6.1f MiB\n", save.Seconds, save.CpuSeconds,
                save.PeakMiB);
    std::printf("orva interpolate (4 chs)  %6.3f s (cpu %6.3f s) %6.1f MiB | interpolate / save %.2fx (goal at most "
                "1.5x)\n",
                interpolate.Seconds, interpolate.CpuSeconds, interpolate.PeakMiB, interpolate.Seconds / save.Seconds);
    fs::remove_all(root);
    return 0;
}
