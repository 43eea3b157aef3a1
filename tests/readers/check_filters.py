"""The band filters of "orva filter", cross-checked against SciPy (--design iir) and
MNE-Python (--design fir).

Session and average files of 250, 256 and 500 Hz with epochs of 36 to 500 samples are
exported to BrainVision and read by MNE; their traces are filtered by SciPy's
sosfiltfilt(butter(N, Wn, btype, output="sos", fs), padtype="odd", padlen=n - 1) or
filtfilt(iirnotch(f0, 30, fs), padtype="odd", padlen=n - 1), or by MNE's filter_data /
notch_filter with their defaults, and compared with the file orva wrote, read from its
bytes. Bound: half a step of the written file (200 / |gain| uV for a session file, half of
1 / ScaleBins for an average file) + 1e-6 uV. The inputs' calibrated values are exact in
float32 (gains and ScaleBins are powers of two), so MNE reads exactly what orva filters. A
value within 1e-9 of a rounding boundary may be one step off: those are counted.
"""
import os
import warnings

import numpy as np
import scipy.signal as signal

import mne
import orva_files as of
from check_erp import Checks

KINDS = [("low-pass 30", ["--low-pass", "30"], (None, 30.0)),
         ("high-pass 0.1", ["--high-pass", "0.1"], (0.1, None)),
         ("high-pass 1", ["--high-pass", "1"], (1.0, None)),
         ("band-pass 0.1-30", ["--band-pass", "0.1", "30"], (0.1, 30.0)),
         ("band-pass 1-40", ["--band-pass", "1", "40"], (1.0, 40.0))]
NOTCHES = [50.0, 60.0]
ZEROS = [0, 0, 2048, -2048]
GAINS = [3200, -1600, 6400, 800]  # (v - zero) x 400 / gain exact in float32


def make_inputs(p, rng):
    paths = []
    for rate, lengths in ((250, (36, 120)), (256, (500, 64)), (500, (250, 37))):
        cells = [of.Cell(b"A", rng.integers(-3000, 3000, size=(3, lengths[0], 4)), rate=rate),
                 of.Cell(b"B", rng.integers(-3000, 3000, size=(2, lengths[1], 4)), rate=rate)]
        for c in cells:  # a slow drift and a line for the high-passes and the notches
            t = np.arange(c.data.shape[1]) / rate
            c.data = (c.data + 800 * t[None, :, None] + 500 * np.sin(2 * np.pi * 50 * t)[None, :, None]).astype(np.int16)
        name = p("filt%ds.ses" % rate)
        of.write_data_file(name, of.SESSION, cells, ZEROS, GAINS)
        paths.append(name)
        name = p("filt%da.ave" % rate)
        of.write_data_file(name, of.AVERAGE, cells, [0] * 4, [1] * 4, scale_bins=16)
        paths.append(name)
    return paths


def traces(c, path):
    """MNE's values of every cell: name -> observations x channels x samples in uV."""
    cells, info, _ = c.mne_of(path)
    out = {}
    for name, read in cells.items():
        out[name] = np.stack([e.data for e in read]) * 1e6 if isinstance(read, list) else read.get_data() * 1e6
    return out, info


def iir_expected(x, rate, edges, order):
    low, high = edges
    btype, wn = ("bandpass", [low, high]) if low and high else ("highpass", low) if low else ("lowpass", high)
    sos = signal.butter(order, wn, btype, output="sos", fs=rate)
    return signal.sosfiltfilt(sos, x, axis=-1, padtype="odd", padlen=x.shape[-1] - 1)


def notch_expected(x, rate, f0):
    b, a = signal.iirnotch(f0, 30, fs=rate)
    return signal.filtfilt(b, a, x, axis=-1, padtype="odd", padlen=x.shape[-1] - 1)


def fir_expected(x, rate, edges):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        return mne.filter.filter_data(x, rate, edges[0], edges[1], verbose=False)


def fir_notch_expected(x, rate, f0):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        return mne.filter.notch_filter(x, rate, f0, verbose=False)


class Tally:
    def __init__(self):
        self.worst, self.excess, self.boundary, self.values, self.runs = 0.0, -np.inf, [], 0, 0


def compare(c, tally, what, out, expected):
    info = of.read_data_file(out)
    for cell in info["cells"]:
        name = of.event_name(cell["name"], 0)
        ours = np.transpose(of.calibrated(info, cell["data"]), (0, 2, 1))  # observations x channels x samples
        theirs = expected[name]
        if info["version"] == of.AVERAGE:
            scale = np.full(info["channels"], float(info["scale_bins"]))
        else:
            scale = info["gains"].astype(np.float64) / 400.0
        half = 0.5 / np.abs(scale)[None, :, None]
        difference = np.abs(ours - theirs)
        tally.values += difference.size
        tally.worst = max(tally.worst, float(difference.max()))
        units = theirs * scale[None, :, None]
        near = np.abs(units - np.floor(units) - 0.5) < 1e-9
        beyond = difference > half + 1e-6
        one_step = beyond & near & (difference <= 2 * half + 1e-6)
        for o, h, s in zip(*np.nonzero(one_step)):
            tally.boundary.append("%s %s obs %d ch %d sample %d: %.9f uV, ours %.9f" %
                                  (what, name, o + 1, h + 1, s + 1, theirs[o, h, s], ours[o, h, s]))
        tally.excess = max(tally.excess, float(np.max(np.where(beyond & ~one_step, difference - half - 1e-6, -np.inf),
                                                      initial=-np.inf)))
        if np.any(beyond & ~one_step):
            o, h, s = np.argwhere(beyond & ~one_step)[0]
            c.check(False, "%s: %s obs %d ch %d sample %d: ours %.6f uV, expected %.6f uV" %
                    (what, os.path.basename(out), o + 1, h + 1, s + 1, ours[o, h, s], theirs[o, h, s]))


def check_filters(bin_dir, work, check, orva, designs=("iir", "fir")):
    c = Checks(bin_dir, work, check, orva)
    rng = np.random.default_rng(35)
    inputs = make_inputs(c.path, rng)
    c.export(inputs, "filter_inputs")
    read = {path: traces(c, path) for path in inputs}
    for design in designs:
        tally = Tally()
        runs = []
        if design == "iir":
            runs += [(what + " order %d" % n, args + ["--order", str(n)],
                      lambda x, r, e=edges, n=n: iir_expected(x, r, e, n)) for what, args, edges in KINDS for n in (1, 2, 4)]
            runs += [("notch %g" % f, ["--notch", "%g" % f], lambda x, r, f=f: notch_expected(x, r, f)) for f in NOTCHES]
        else:
            runs += [(what, args + ["--design", "fir"], lambda x, r, e=edges: fir_expected(x, r, e))
                     for what, args, edges in KINDS]
            runs += [("notch %g" % f, ["--notch", "%g" % f, "--design", "fir"],
                      lambda x, r, f=f: fir_notch_expected(x, r, f)) for f in NOTCHES]
        for k, (what, args, expect) in enumerate(runs):
            folder = c.path("filtered_%s_%d" % (design, k))
            os.makedirs(folder, exist_ok=True)
            c.run("filter", *inputs, "--out-dir", folder, *args, "-j", 2)
            tally.runs += 1
            for path in inputs:
                values, info = read[path]
                rate = info["cells"][0]["rate"]
                expected = {name: expect(x, float(rate)) for name, x in values.items()}
                compare(c, tally, "%s %s" % (design, what), os.path.join(folder, os.path.basename(path)), expected)
        check(tally.excess <= 0, "filter %s: beyond the bound by %.3g uV" % (design, tally.excess))
        print("  filter --design %s: %d filters x %d files (250/256/500 Hz, 36-500 samples), %d values: largest "
              "difference %.3g uV (bound half a step + 1e-6 uV); %d within 1e-9 of a rounding boundary one step off" %
              (design, tally.runs, len(inputs), tally.values, tally.worst, len(tally.boundary)))
        for line in tally.boundary:
            print("    boundary: " + line)
