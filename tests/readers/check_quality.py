"""orva quality against NumPy on the values MNE-Python reads from the BrainVision export of
the same session: the analytic SME (np.std(ddof=1) / sqrt(n) of the trials' window means),
the sd of the average before 0 ms, and the bootstrap SME recomputed from the same resamples
(its averages from the raw samples as the checks' own reader finds them in the file, summed
as integers and calibrated once as the program calibrates them, so that ties stay ties).

The resamples are drawn here by a re-implementation of the program's generator (xoshiro256**
seeded by splitmix64 per cell, top bits drawn again while beyond the trial count), not read
from the program: the test therefore also pins down the generator every platform must give.

Files: the demo session with the rules of the worked study (trials as artifacts reports
them) and the default windows, and a session composed here with 1, 2, 3, 17 and 40 trials
per cell and windows that cut the epoch at both ends.
"""
import csv
import math
import os

import numpy as np

import orva_files as of

import mne

MASK = (1 << 64) - 1
GOLDEN = 0x9E3779B97F4A7C15


def _rotl(x, k):
    return ((x << k) | (x >> (64 - k))) & MASK


class Draws:
    """The program's resampling stream of one cell (zero-based) of a file."""

    def __init__(self, seed, cell):
        x = (seed + (cell + 1) * GOLDEN) & MASK
        self.s = []
        for _ in range(4):
            x = (x + GOLDEN) & MASK
            z = x
            z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
            z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
            self.s.append(z ^ (z >> 31))

    def next(self):
        s = self.s
        result = (_rotl((s[1] * 5) & MASK, 7) * 9) & MASK
        t = (s[1] << 17) & MASK
        s[2] ^= s[0]
        s[3] ^= s[1]
        s[1] ^= s[2]
        s[0] ^= s[3]
        s[2] ^= t
        s[3] = _rotl(s[3], 45)
        return result

    def below(self, n):
        bits = (n - 1).bit_length()
        if bits == 0:
            return 0
        while True:
            r = self.next() >> (64 - bits)
            if r < n:
                return r


def composed_session(path):
    rng = np.random.default_rng(41)
    zeros, gains = [2048, 1990, 0, 2100], [1638, 1700, 400, 1620]
    cells = []
    for trials in (1, 2, 3, 17, 40):
        uv = rng.normal(0, 8, size=(trials, 125, 4)) + 5 * np.sin(np.arange(125) / 9.0)[None, :, None]
        raw = np.rint(np.asarray(zeros) + uv * np.asarray(gains) / 400.0).astype(np.int16)
        cells.append(of.Cell(b"n=%d" % trials, raw))
    of.write_data_file(path, of.SESSION, cells, zeros=zeros, gains=gains)


def mne_trials(bin_dir, orva, data_file, vhdr):
    """Per cell the trials MNE reads, [trial][channel][sample] in microvolts."""
    orva(bin_dir, "export-brainvision", data_file, "-o", vhdr)
    data = mne.io.read_raw_brainvision(vhdr, preload=True).get_data() * 1e6
    info = of.read_data_file(data_file)
    out, first = [], 0
    for cell in info["cells"]:
        obs, samples = cell["data"].shape[:2]
        out.append(np.stack([data[:, first + o * samples: first + (o + 1) * samples] for o in range(obs)])
                   if obs else np.zeros((0, info["channels"], samples)))
        first += obs * samples
    return info, out


def expected_rows(info, trials, kept, windows, baseline_ms, bootstrap=0, seed=1, measures=()):
    """The table's rows as numbers (None for an empty field), cell > window > channel."""
    rows = []
    for c, cell in enumerate(info["cells"]):
        rate, samples = cell["rate"], cell["data"].shape[1]
        times = (np.arange(samples) * 1000 - baseline_ms * rate) / rate
        x = trials[c][kept[c]]
        n = len(kept[c])
        cell_windows = windows or [(k * 100.0, k * 100.0 + 100) for k in range(-400, 400)
                                   if k * 100 >= times[0] and k * 100 + 100 <= times[-1]]
        before = times < 0
        baseline = (np.std(x.mean(axis=0)[:, before], axis=1, ddof=1) if n >= 2 and before.sum() >= 2
                    else [None] * x.shape[1])
        scores = {}
        if bootstrap and n >= 2:
            draws = Draws(seed, c)
            resamples = [[kept[c][draws.below(n)] for _ in range(n)] for _ in range(bootstrap)]
            # Summed as integers and calibrated once, as the program does: two resamples with
            # equal sums give equal averages, so a tie between samples stays a tie (in MNE's
            # float32 values it would not, and a peak's latency could move by a sample).
            raw = cell["data"]
            averages = np.stack([(((raw[r].sum(axis=0) - n * info["zeros"]) * 400) / info["gains"] / n).T
                                 for r in resamples])  # [b][channel][sample]
            for w in cell_windows:
                inside = np.flatnonzero((times >= w[0]) & (times <= w[1]))
                piece = averages[:, :, inside]
                for m in measures:
                    if m == "mean":
                        values = piece.mean(axis=2)
                    elif m == "peak":
                        values = piece.max(axis=2)
                    else:
                        values = times[inside][np.argmax(piece, axis=2)]
                    scores[(w, m)] = np.std(values, axis=0, ddof=1)
        for w in cell_windows:
            inside = (times >= w[0]) & (times <= w[1])
            means = x[:, :, inside].mean(axis=2)
            asme = np.std(means, axis=0, ddof=1) / math.sqrt(n) if n >= 2 else [None] * x.shape[1]
            for h in range(x.shape[1]):
                bsme = [scores[(w, m)][h] if n >= 2 else None for m in measures]
                rows.append((c + 1, h + 1, w[0], w[1], n, asme[h], baseline[h], *bsme))
    return rows


def compare(check, table, expected, what):
    with open(table, encoding="utf-8", newline="") as f:
        got = list(csv.reader(f))[1:]
    if not check(len(got) == len(expected), "%s: %d rows, expected %d" % (what, len(got), len(expected))):
        return
    worst = 0.0
    for row, want in zip(got, expected):
        ints = (int(row[1]), int(row[3]), float(row[4]), float(row[5]), int(row[6]))
        if not check(ints == (want[0], want[1], float(want[2]), float(want[3]), want[4]),
                     "%s: row %s, expected %s" % (what, row[:7], want[:5])):
            return
        for text, value in zip(row[7:], want[5:]):
            if value is None:
                if not check(text == "", "%s: row %s has %r where nothing was expected" % (what, row[:7], text)):
                    return
                continue
            error = abs(float(text) - value)
            worst = max(worst, error)
            if not check(error <= 1e-4, "%s: row %s: %s, NumPy %.6f" % (what, row[:7], text, value)):
                return
    print("  quality of %s: %d rows agree with NumPy on MNE's values (largest difference %.1e)" %
          (what, len(got), worst))


def check_quality(bin_dir, work, check, orva):
    demo = os.path.join(bin_dir, "demo.ses")
    info, trials = mne_trials(bin_dir, orva, demo, os.path.join(work, "quality_demo.vhdr"))
    rules = ["--peak-to-peak", "100", "--flat", "0.5"]
    report = os.path.join(work, "quality_artifacts.csv")
    orva(bin_dir, "artifacts", demo, *rules, "-o", report)
    with open(report, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    kept = [[int(r["observation"]) - 1 for r in rows if int(r["cell"]) == c + 1 and r["status"] == "good"]
            for c in range(len(info["cells"]))]
    table = os.path.join(work, "quality_demo.csv")
    orva(bin_dir, "quality", demo, *rules, "--baseline-ms", "200", "--bootstrap", "100", "--seed", "9",
         "--measure", "mean", "--measure", "peak-latency", "-o", table)
    compare(check, table, expected_rows(info, trials, kept, None, 200, 100, 9, ("mean", "peak-latency")),
            "the demo session with its rules")

    composed = os.path.join(work, "quality_counts.ses")
    composed_session(composed)
    info, trials = mne_trials(bin_dir, orva, composed, os.path.join(work, "quality_counts.vhdr"))
    kept = [list(range(len(t))) for t in trials]
    table = os.path.join(work, "quality_counts.csv")
    windows = [(-150.0, 30.0), (250.0, 600.0)]  # before the first and after the last sample
    run = orva(bin_dir, "quality", composed, "--window", "-150", "30", "--window", "250", "600",
               "--baseline-ms", "100", "--bootstrap", "200", "--measure", "peak", "--measure", "peak-latency",
               "-o", table)
    check("has 1 trial" in run.stderr, "quality: no note of the cell with one trial: " + run.stderr)
    compare(check, table, expected_rows(info, trials, kept, windows, 100, 200, 1, ("peak", "peak-latency")),
            "a session of 1 to 40 trials per cell")
