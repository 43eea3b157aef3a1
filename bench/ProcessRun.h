#pragma once
// Runs a whole program as a benchmark sees it: wall time, CPU time and peak memory of the
// child (wait4's rusage). POSIX only, like the benchmarks that use it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace orva::bench {

struct TProcessRun {
    double Seconds = 1e30;
    double PeakMiB = 0;
    double CpuSeconds = 0; // user and system time
};

/// The middle of the values (the upper one of an even count).
inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

/// Keeps in best the shortest time of the runs seen and the largest peak memory.
inline void KeepBest(TProcessRun& best, const TProcessRun& run)
{
    if (run.Seconds < best.Seconds) {
        best.Seconds = run.Seconds;
        best.CpuSeconds = run.CpuSeconds;
    }
    best.PeakMiB = std::max(best.PeakMiB, run.PeakMiB);
}

/// Runs the program args[0] with the rest as arguments, stdout to /dev/null, and waits for
/// it; a program that cannot start or fails ends the benchmark.
inline TProcessRun RunProcess(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s %s failed\n", argv[0], args.size() > 1 ? argv[1] : "");
        std::exit(1);
    }
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return {seconds, static_cast<double>(usage.ru_maxrss) / 1024.0, cpu}; // ru_maxrss is in KiB
}

} // namespace orva::bench
