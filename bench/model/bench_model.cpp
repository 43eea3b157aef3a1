// Times loading and saving a large session file against a raw read-and-swap baseline,
// and measures the peak memory of a load. Usage: bench_model [folder for the files]
#include "bench/BenchmarkSession.h"
#include "model/ORVAFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace orva;
using namespace orva::bench;

namespace {

double Seconds(const std::function<void()>& work)
{
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void RawBaseline(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::perror("read");
    std::fclose(f);
    std::vector<std::int16_t> words(bytes.size() / 2);
    for (std::size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<std::int16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    if (words[words.size() / 2] == 12345)
        std::puts("");
}

long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Peak memory of one load, measured in a child process of its own.
long LoadPeakKiB(const std::string& path)
{
    int pipefd[2];
    if (pipe(pipefd) != 0)
        return -1;
    pid_t child = fork();
    if (child == 0) {
        long before = ResidentKiB();
        TORVAFile f;
        f.LoadFromFile(path);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        long peak = usage.ru_maxrss - before;
        if (write(pipefd[1], &peak, sizeof peak) != sizeof peak)
            _exit(1);
        _exit(0);
    }
    long peak = -1;
    if (read(pipefd[0], &peak, sizeof peak) != sizeof peak)
        peak = -1;
    waitpid(child, nullptr, 0);
    close(pipefd[0]);
    close(pipefd[1]);
    return peak;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    const std::string in = folder + "/bench_model_in.ses", out = folder + "/bench_model_out.ses";
    MakeBenchmarkSession().SaveToFile(in);
    const double sampleMiB = 2.0 * kCells * kObservations * kSamples * kChannels / (1 << 20);

    const long peak = LoadPeakKiB(in); // before this process holds a loaded copy itself
    std::vector<double> raw, load, save;
    TORVAFile loaded;
    for (int round = 0; round < 7; ++round) {
        raw.push_back(Seconds([&] { RawBaseline(in); }));
        load.push_back(Seconds([&] {
            TORVAFile f;
            f.LoadFromFile(in);
            loaded = std::move(f);
        }));
        save.push_back(Seconds([&] { loaded.SaveToFile(out); }));
    }
    std::printf("file: %d cells x %d observations x %d samples x %d channels, %.1f MiB of samples\n", kCells,
                kObservations, kSamples, kChannels, sampleMiB);
    std::printf("median of 7 rounds:\n");
    std::printf("  raw read + swap  %7.1f ms\n", Median(raw) * 1e3);
    std::printf("  LoadFromFile     %7.1f ms  (%.2fx the baseline)\n", Median(load) * 1e3, Median(load) / Median(raw));
    std::printf("  SaveToFile       %7.1f ms  (%.2fx the baseline)\n", Median(save) * 1e3, Median(save) / Median(raw));
    std::printf("peak memory of a load: %.1f MiB (%.1f MiB above the samples)\n", peak / 1024.0,
                peak / 1024.0 - sampleMiB);
    std::remove(in.c_str());
    std::remove(out.c_str());
    return 0;
}
