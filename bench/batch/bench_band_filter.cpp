// Times `orva filter` with the band filters as whole processes, in alternating rounds of the
// same run, on the 64-channel benchmark session (2 cells of 1000 trials of 250 samples):
//  - `orva filter --band-pass 0.1 30` (Butterworth, order 2, forward and backward) against
//    `orva save` of the same file (goal at most 1.5x);
//  - `orva filter --design fir --low-pass 30` (MNE-Python's FIR, 111 taps) against `orva save`
//    (goal at most 2x);
//  - `orva filter --design fir --band-pass 0.1 30` (8251 taps, applied by FFT) against `orva
//    save`, and the IIR band-pass on one thread (-j 1), for the record;
//  - the band-pass against a Python process (/usr/bin/python3) that reads the file with
//    NumPy, calibrates it and runs SciPy's sosfiltfilt with the same design and padding over
//    the same traces, writing nothing (goal: orva at least 3x faster).
// Reports the best time of each, the ratios and the peak memory of each child.
// Usage: bench_band_filter [rounds, default 3] [folder, default /tmp]
#include "bench/BenchmarkSession.h"
#include "bench/ProcessRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using TRun = orva::bench::TProcessRun;
constexpr auto Run = orva::bench::RunProcess;
constexpr auto Keep = orva::bench::KeepBest;

// The reference a lab would write: the file's fields read with struct, its samples with NumPy.
const char* const kScipyFilter = R"py(import struct, sys
import numpy as np
import scipy.signal as signal
raw = open(sys.argv[1], "rb").read()
tag, version, header_length, data_length = struct.unpack_from(">ihhi", raw, 0)
ncells, nchans = struct.unpack_from(">hh", raw, 118)
at = 130 + 2 * ncells
zeros = np.array(struct.unpack_from(">%dh" % nchans, raw, at), dtype=np.float64)
gains = np.array(struct.unpack_from(">%dh" % nchans, raw, at + 2 * nchans), dtype=np.float64)
at += 4 * nchans
data_at = header_length
total = 0.0
for _ in range(ncells):
    number, name, obs, samples, rate, tsl = struct.unpack_from(">h80shhhh", raw, at)
    at += 90 + obs * tsl
    count = obs * samples * nchans
    v = np.frombuffer(raw, dtype=">i2", count=count, offset=data_at).reshape(obs, samples, nchans)
    data_at += 2 * count
    uv = (v.astype(np.float64) - zeros) * 400.0 / gains
    sos = signal.butter(2, [0.1, 30], "bandpass", output="sos", fs=rate)
    out = signal.sosfiltfilt(sos, uv, axis=1, padtype="odd", padlen=samples - 1)
    total += float(out[0, 0, 0])
print(total)
)py";

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path root = fs::path(argc > 2 ? argv[2] : "/tmp") / ("orva-bench-filter-" + std::to_string(getpid()));
    const std::string orva = (fs::path(argv[0]).parent_path() / "orva").string();
    fs::create_directories(root);
    const std::string session = (root / "bench.ses").string();
    const std::string out = (root / "out.ses").string();
    orva::bench::MakeBenchmarkSession().SaveToFile(session);
    const std::string script = (root / "scipy_filter.py").string();
    std::ofstream(script) << kScipyFilter;
    TRun save, band, bandOne, fir, firOne, firBand, python;
    for (int r = 0; r < rounds; ++r) {
        Keep(save, Run({orva, "save", session, out}));
        Keep(band, Run({orva, "filter", session, out, "--band-pass", "0.1", "30"}));
        Keep(bandOne, Run({orva, "filter", session, out, "--band-pass", "0.1", "30", "-j", "1"}));
        Keep(fir, Run({orva, "filter", session, out, "--design", "fir", "--low-pass", "30"}));
        Keep(firOne, Run({orva, "filter", session, out, "--design", "fir", "--low-pass", "30", "-j", "1"}));
        Keep(firBand, Run({orva, "filter", session, out, "--design", "fir", "--band-pass", "0.1", "30"}));
        Keep(python, Run({"/usr/bin/python3", script, session}));
    }
    std::printf("session %.1f MiB; cores: %ld; best of %d rounds\n",
                static_cast<double>(fs::file_size(session)) / (1024.0 * 1024.0), sysconf(_SC_NPROCESSORS_ONLN),
                rounds);
    const auto line = [&](const char* what, const TRun& run, const char* goal) {
        std::printf("%-46s %6.3f s %6.1f MiB | / save %5.2fx%s\n", what, run.Seconds, run.PeakMiB,
                    run.Seconds / save.Seconds, goal);
    };
    line("orva save", save, "");
    line("orva filter --band-pass 0.1 30", band, " (goal at most 1.5x)");
    line("orva filter --band-pass 0.1 30 -j 1", bandOne, "");
    line("orva filter --design fir --low-pass 30", fir, " (goal at most 2x)");
    line("orva filter --design fir --low-pass 30 -j 1", firOne, "");
    line("orva filter --design fir --band-pass 0.1 30", firBand, "");
    std::printf("%-46s %6.3f s %6.1f MiB | / orva band-pass %.2fx (goal at least 3x)\n",
                "python3 NumPy + SciPy sosfiltfilt", python.Seconds, python.PeakMiB, python.Seconds / band.Seconds);
    fs::remove_all(root);
    return 0;
}
