#!/usr/bin/python3
"""orva.read + data() of every cell against the best NumPy-only reading of the same file.

usage: bench_read.py BUILD_DIR [REPEATS]

Writes the benchmarks' session file (64 channels, 2 cells x 1000 observations x 250 samples,
61 MiB of samples) with BUILD_DIR/bin/bench_session_file, then times, in one run and
interleaved, the module's path and several NumPy paths that give the same float64 array
(observations x channels x samples per cell), each the best of REPEATS; prints the times
and the ratio to the fastest NumPy path, and the time of Cell.raw on a small and a large file.
"""
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import time

import numpy as np

build = pathlib.Path(sys.argv[1]).resolve()
repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 7
sys.path.insert(0, str(build / "python"))
import orva  # noqa: E402


def header(path):
    """What a reader needs from the header: sample offset, per-channel calibration, cell shapes."""
    with open(path, "rb") as f:
        head = f.read(32768)
    _, _, head_length, _ = struct.unpack(">ihhi", head[:12])
    cells, channels = struct.unpack(">hh", head[118:122])
    at = 130 + 2 * cells
    zeros = np.frombuffer(head, ">i2", channels, at).astype(np.float64)
    gains = np.frombuffer(head, ">i2", channels, at + 2 * channels).astype(np.float64)
    at += 4 * channels
    shapes = []
    for _ in range(cells):
        obs, samples, _, tslen = struct.unpack(">hhhh", head[at + 82:at + 90])
        shapes.append((obs, samples))
        at += 90 + 2 * obs * (tslen // 2)
    return head_length, channels, zeros, gains, shapes


def numpy_into_transposed(path):
    """Calibrate straight into the channel-major output (no temporaries of full size)."""
    head_length, channels, zeros, gains, shapes = header(path)
    raw = np.fromfile(path, ">i2", offset=head_length)
    out, at = [], 0
    for obs, samples in shapes:
        x = raw[at:at + obs * samples * channels].reshape(obs, samples, channels).transpose(0, 2, 1)
        at += obs * samples * channels
        data = np.empty((obs, channels, samples))
        np.subtract(x, zeros[:, None], out=data)
        data *= 400.0
        data /= gains[:, None]
        out.append(data)
    return out


def numpy_then_copy(path):
    """Calibrate in file order, then one transposing copy."""
    head_length, channels, zeros, gains, shapes = header(path)
    raw = np.fromfile(path, ">i2", offset=head_length)
    out, at = [], 0
    for obs, samples in shapes:
        x = raw[at:at + obs * samples * channels].reshape(obs, samples, channels)
        at += obs * samples * channels
        out.append(np.ascontiguousarray(((x - zeros) * 400.0 / gains).transpose(0, 2, 1)))
    return out


def numpy_native_first(path):
    """Swap to native int16 first, then calibrate into the transposed output."""
    head_length, channels, zeros, gains, shapes = header(path)
    raw = np.fromfile(path, ">i2", offset=head_length).astype(np.int16)
    factor, out, at = 400.0 / gains, [], 0
    out, at = [], 0
    for obs, samples in shapes:
        x = raw[at:at + obs * samples * channels].reshape(obs, samples, channels).transpose(0, 2, 1)
        at += obs * samples * channels
        data = np.empty((obs, channels, samples))
        np.subtract(x, zeros[:, None], out=data)
        data *= 400.0
        np.divide(data, gains[:, None], out=data)
        out.append(data)
    return out


def module(path):
    return [cell.data() for cell in orva.read(path).cells]


def best(work, path):
    start = time.perf_counter()
    work(path)
    return time.perf_counter() - start


with tempfile.TemporaryDirectory() as folder:
    path = os.path.join(folder, "bench.ses")
    subprocess.run([str(build / "bin" / "bench_session_file"), path], check=True)
    try:
        setting = pathlib.Path("/sys/kernel/mm/transparent_hugepage/enabled").read_text().split("[")[1].split("]")[0]
    except (OSError, IndexError):
        setting = "unknown"
    print(f"file: {os.path.getsize(path) / 2**20:.1f} MiB, 64 channels, 2 cells x 1000 x 250; "
          f"transparent huge pages: {setting}; best of {repeats}")
    ways = {"orva.read + data()": module, "numpy into transposed": numpy_into_transposed,
            "numpy then copy": numpy_then_copy, "numpy native first": numpy_native_first}
    reference = module(path)
    for name, work in ways.items():  # the same values bit for bit, and a warm page cache
        for got, want in zip(work(path), reference):
            assert np.array_equal(got, want), name
    times = {name: [] for name in ways}
    for _ in range(repeats):
        for name, work in ways.items():
            times[name].append(best(work, path))
    fastest_numpy = min(min(t) for n, t in times.items() if n.startswith("numpy"))
    for name, t in times.items():
        print(f"{name:24s} best {min(t) * 1000:7.1f} ms  median {np.median(t) * 1000:7.1f} ms  "
              f"ratio to best numpy {min(t) / fastest_numpy:5.2f}" + ("  (goal at most 1.2)" if name == "orva.read + data()" else ""))

    big = orva.read(path).cells[0]
    small = orva.read(str(build / "bin" / "demo.ses")).cells[0]
    for label, cell in (("raw of a 40-observation cell", small), ("raw of a 1000-observation cell", big)):
        start = time.perf_counter()
        for _ in range(10000):
            cell.raw
        print(f"{label:32s} {(time.perf_counter() - start) / 10000 * 1e6:6.2f} us")
