"""The trials that orva artifacts keeps, against the epochs that MNE-Python's own rejection
keeps (mne.Epochs with reject= and flat= in volts, reject_tmin/reject_tmax for a test window,
info["bads"] for bad channels) on the BrainVision export of the same file.

Files: the demo session and a session composed here with planted steps, blinks, a flat
channel, a saturated stretch, an artifact outside the test window, and trials whose range
lies exactly at a threshold (kept by both: the rules flag strictly beyond it). The other
thresholds lie well away from every trial's values. MNE has no moving window; the unit
tests check that by hand-computable cases.
"""
import csv
import os

import numpy as np

import orva_files as of

import mne

RATE, SAMPLES, CHANNELS = 250, 125, 6


def planted_session(path):
    """Two cells of 20 and 16 trials; channel 6 is stored as microvolts (zero 0, gain 400)."""
    rng = np.random.default_rng(23)
    zeros = [2048, 2000, 2100, 1990, 2050, 0]
    gains = [1638, 1600, 1700, 1650, 1620, 400]
    cells = []
    for trials in (20, 16):
        uv = rng.uniform(-12, 12, size=(trials, SAMPLES, CHANNELS))  # ranges of at most 24 µV
        uv[:, :, 5] = rng.integers(10, 31, size=(trials, SAMPLES))    # channel 6: 10 .. 30 µV
        cells.append(uv)
    a, b = cells
    a[1, 60:, 2] += 150                                               # a step
    a[4, :, 0:2] += 200 * np.exp(-0.5 * ((np.arange(SAMPLES) - 40) / 8.0) ** 2)[:, None]  # a blink
    a[10, 110:, 1] += 150                                             # a step after 300 ms only
    b[3, 20, 5], b[3, 21, 5] = 100, 0                                 # a range of exactly 100 µV
    b[5, :, 5] = 10 + (np.arange(SAMPLES) % 3)                        # a range of exactly 2 µV
    raw = []
    for uv in cells:
        r = np.rint(np.asarray(zeros) + uv * np.asarray(gains) / 400.0)
        raw.append(np.clip(r, -32768, 32767).astype(np.int16))
    raw[1][7, :, 4] = zeros[4]                                        # a flat channel
    raw[0][8, 70:90, 2] = 32767                                       # saturation
    of.write_data_file(path, of.SESSION, [of.Cell(b"Standard", raw[0]), of.Cell(b"Target, rare", raw[1])],
                       zeros=zeros, gains=gains)


def orva_statuses(bin_dir, orva, data_file, report, args):
    orva(bin_dir, "artifacts", data_file, "-o", report, *args)
    with open(report, encoding="utf-8", newline="") as f:
        return [row["status"] == "good" for row in csv.DictReader(f)]


def mne_kept(raw, samples, reject, flat, window=None, bads=()):
    events, _ = mne.events_from_annotations(raw, regexp="^Stimulus/")
    raw.info["bads"] = list(bads)
    tmax = (samples - 1) / raw.info["sfreq"]
    epochs = mne.Epochs(raw, events, tmin=0, tmax=tmax, baseline=None, preload=True, reject_by_annotation=False,
                        reject=dict(eeg=reject * 1e-6), flat=dict(eeg=flat * 1e-6),
                        reject_tmin=window[0] / 1000 if window else None,
                        reject_tmax=window[1] / 1000 if window else None)
    raw.info["bads"] = []
    return [len(log) == 0 for log in epochs.drop_log]


def check_artifacts(bin_dir, work, check, orva):
    planted = os.path.join(work, "planted.ses")
    planted_session(planted)
    demo = os.path.join(bin_dir, "demo.ses")
    cases = [
        (demo, 100, 0.5, None, ()),
        (planted, 100, 2, None, ()),
        (planted, 100, 2, (0, 300), ()),
        (planted, 100, 2, None, ("E3",)),
        (planted, 60, 5, (100, 400), ("E1", "E5")),
    ]
    exported = {}
    for n, (data_file, reject, flat, window, bads) in enumerate(cases):
        if data_file not in exported:
            vhdr = os.path.join(work, "artifacts_%d.vhdr" % len(exported))
            orva(bin_dir, "export-brainvision", data_file, "-o", vhdr)
            exported[data_file] = mne.io.read_raw_brainvision(vhdr, preload=True)
        raw = exported[data_file]
        info = of.read_data_file(data_file)
        samples = info["cells"][0]["data"].shape[1]
        args = ["--peak-to-peak", str(reject), "--flat", str(flat)]
        if window:
            args += ["--window", str(window[0]), str(window[1])]
        if bads:
            args += ["--bad-channels", " ".join(b[1:] for b in bads)]
        good = orva_statuses(bin_dir, orva, data_file, os.path.join(work, "artifacts_%d.csv" % n), args)
        kept = mne_kept(raw, samples, reject, flat, window, bads)
        differing = [i + 1 for i, (a, b) in enumerate(zip(good, kept)) if a != b]
        what = "artifacts of %s (%s)" % (os.path.basename(data_file), " ".join(args))
        check(len(good) == len(kept) and not differing,
              "%s: %d rows, MNE %d epochs; differing trials %s" % (what, len(good), len(kept), differing[:8]))
        if n == 1:
            planted_bad = [2, 5, 9, 11, 20 + 8]  # rows from 1: cell 1 trials 2, 5, 9, 11; cell 2 trial 8
            found = [i + 1 for i, g in enumerate(good) if not g]
            check(found == planted_bad, "%s: bad rows %s, planted %s" % (what, found, planted_bad))
        print("  %s: %d of %d trials good, MNE keeps the same (largest difference %d trials, bound 0)" %
              (what, sum(good), len(good), len(differing)))
