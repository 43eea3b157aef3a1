"""The areas, the fractional latencies and the jackknife of orva measure, against NumPy on
the values MNE-Python reads from the BrainVision export of the same file.

NumPy computes each measure from its definition: the areas by np.trapz times the sampling
interval, the fractional area latency from np.cumsum of the trapezoids, the fractional peak
latency by walking from np.argmax (np.argmin) of the window, the jackknife from the means
over the other subjects. Files: the demo average (12 subjects) and session files, and an
average file composed here at ScaleBins 4, whose values are exact in float32 (MNE's values
are then ours to the bit and a latency must agree exactly): channels with values exactly at
the fraction of the area and of the peak, plateaus (ties), no positive values (no area, no
crossing), cells of 3, 12 and 40 subjects, and windows that reach beyond the epoch.

Bounds: the table has three decimals (half of 0.001); where the export is not exact in
float32 an area may also be off by that rounding times the window's length in ms, and a
jackknife score by (2 n - 1) times a subset's error.
"""
import csv
import os

import numpy as np

import orva_files as of
from check_erp import Checks, window_samples

NAMES = ("area", "positive-area", "negative-area", "integral", "fractional-area-latency",
         "fractional-peak-latency")


def area_values(y, kind):
    if kind == "positive":
        return np.where(y > 0, y, 0.0)
    if kind == "negative":
        return np.where(y < 0, -y, 0.0)
    if kind == "rectified":
        return np.abs(y)
    return y


def fractional_area_sample(y, kind, fraction):
    v = area_values(y, kind)
    running = np.concatenate([[0.0], np.cumsum((v[:-1] + v[1:]) / 2)])
    whole = running[-1]
    if whole == 0:
        return None
    sign = -1.0 if whole < 0 else 1.0
    return int(np.flatnonzero(running * sign >= fraction * whole * sign)[0])


def fractional_peak_sample(y, positive, fraction, offset):
    peak = int(np.argmax(y) if positive else np.argmin(y))
    level = fraction * y[peak]
    steps = range(peak + 1, len(y)) if offset else range(peak - 1, -1, -1)
    for s in steps:
        if (y[s] <= level) if positive else (y[s] >= level):
            return s
    return None


def numpy_measure(y, name, first, dt, options):
    """One measure of the window's values y (float64), first its first sample: the value or None."""
    positive = options["polarity"] == "positive"
    if name.endswith("area") and name != "fractional-area-latency":
        kind = {"area": "rectified", "positive-area": "positive", "negative-area": "negative"}[name]
        return float(np.trapz(area_values(y, kind))) * dt
    if name == "integral":
        return float(np.trapz(y)) * dt
    if name == "fractional-area-latency":
        s = fractional_area_sample(y, options["area"] or options["polarity"], options["fraction"])
    else:
        s = fractional_peak_sample(y, positive, options["fraction"], options["offset"])
    return None if s is None else first + s


def traces_of(c, path):
    """Per cell index: the MNE values [observation][channel][sample] in uV as float64, the
    float32 values of the export restored exactly; and the file's fields and rounding."""
    read, info, rounding = c.mne_of(path)
    traces = []
    for cell in info["cells"]:
        got = read[of.event_name(cell["name"], 0)]
        data = np.array([e.data for e in got]) if isinstance(got, list) else got.get_data()
        traces.append((data * 1e6).astype(np.float32).astype(np.float64))
    return traces, info, rounding


def leave_one_out(x):
    """x [subject][sample]: the mean over the other subjects, added in order, for each subject."""
    n = x.shape[0]
    means = []
    for i in range(n):
        total = np.zeros(x.shape[1])
        for j in range(n):
            if j != i:
                total = total + x[j]
        means.append(total / (n - 1))
    return means


def retrieved(values):
    n = float(len(values))
    total = 0.0
    for v in values:
        total += v
    mean = total / n
    return [n * mean - (n - 1) * v for v in values]


def check_file(c, path, start, end, options, jackknife=False, chans=None):
    traces, info, rounding = traces_of(c, path)
    what = "measure %g to %g ms of %s (%s%s)" % (start, end, os.path.basename(path),
                                                ", ".join("%s=%s" % kv for kv in options.items()),
                                                ", jackknife" if jackknife else "")
    out = c.path("new_measures.csv")
    args = ["measure", path, "-o", out, "--window", start, end, "--polarity", options["polarity"],
            "--fraction", options["fraction"]]
    for name in NAMES:
        args += ["--measure", name]
    if options["area"]:
        args += ["--area", options["area"]]
    if options["offset"]:
        args.append("--offset")
    if jackknife:
        args.append("--jackknife")
    if chans:
        args += ["--chans", " ".join(str(h) for h in chans)]
    c.run(*args)
    with open(out, encoding="utf-8", newline="") as f:
        table = list(csv.DictReader(f))

    expected = numpy_table(traces, info, start, end, options, jackknife, chans)
    # Where the export is not exact in float32, a latency at a near-tie may fall on another
    # sample: such a row is held against NumPy on the exact values of the file's bytes.
    exact = None
    if rounding > 0:
        exact = numpy_table([of.calibrated(info, cell["data"]).transpose(0, 2, 1) for cell in info["cells"]], info,
                            start, end, options, jackknife, chans)
    ties = 0

    worst = {"area": 0.0, "latency": 0.0}
    longest = max(window_samples(info, cell, start, end)[1] - window_samples(info, cell, start, end)[0]
                  for cell in info["cells"]) * 1000.0 / info["cells"][0]["rate"]
    n = max(t.shape[0] for t in traces)
    amplify = 2 * n - 1 if jackknife else 1
    bound = 0.0005 + amplify * rounding * longest + 1e-9
    empty = 0
    c.check(len(table) == len(expected), "%s: %d rows, NumPy %d" % (what, len(table), len(expected)))
    for row in table:
        key = (int(row["cell"]) - 1, int(row["observation"]) - 1, int(row["channel"]) - 1, row["measure"])
        theirs = expected.get(key, "missing")
        note = row["note"]
        if row["value"] == "":
            empty += 1
            wanted = {"fractional-area-latency": "no area", "fractional-peak-latency": "no crossing"}
            why = wanted.get(key[3], "?")
            if jackknife:
                why = "jackknife; " + why
            c.check(theirs is None and note == why, "%s: %s empty (%s), NumPy %s" % (what, key, note, theirs))
            continue
        if not c.check(theirs is not None and theirs != "missing",
                       "%s: %s is %s, NumPy has none" % (what, key, row["value"])):
            continue
        c.check(note == ("jackknife" if jackknife else ""), "%s: %s note %r" % (what, key, note))
        kind = "latency" if "latency" in key[3] else "area"
        difference = abs(float(row["value"]) - theirs)
        if kind == "latency" and difference > 0.0005 and exact is not None:
            ties += 1
            difference = abs(float(row["value"]) - exact[key]) if exact[key] is not None else float("inf")
        worst[kind] = max(worst[kind], difference)
    latency_bound = 0.0005 + 1e-9 if rounding == 0 else bound
    c.check(worst["area"] <= bound and worst["latency"] <= latency_bound,
            "%s: off by %s, bounds %.3g, %.3g" % (what, worst, bound, latency_bound))
    print("  %s: %d rows (%d empty), largest difference area %.2g uV x ms, latency %.2g ms; bound %.3g%s" %
          (what, len(table), empty, worst["area"], worst["latency"], bound,
           "; %d latencies at a float32 near-tie, against the exact values" % ties if ties else ""))


def numpy_table(traces, info, start, end, options, jackknife, chans):
    """(cell, obs, chan, measure) -> the value or None, latencies in ms, from traces per cell
    [observation][channel][sample]."""
    expected = {}
    for ci, cell in enumerate(info["cells"]):
        first, last = window_samples(info, cell, start, end)
        rate = cell["rate"]
        baseline = info["baseline"] if info["version"] == of.AVERAGE else 0
        dt = 1000.0 / rate

        def measure(y, name):
            v = numpy_measure(y[first:last + 1], name, first, dt, options)
            return (v * 1000 - baseline * rate) / rate if v is not None and "latency" in name else v

        x = np.asarray(traces[ci], dtype=np.float64)
        channels = [h - 1 for h in chans] if chans else range(x.shape[1])
        for h in channels:
            if jackknife:
                means = leave_one_out(x[:, h, :])
                for name in NAMES:
                    j = [measure(m, name) for m in means]
                    scores = [None] * len(j) if None in j else retrieved(j)
                    for o, score in enumerate(scores):
                        expected[(ci, o, h, name)] = score
            else:
                for o in range(x.shape[0]):
                    for name in NAMES:
                        expected[(ci, o, h, name)] = measure(x[o, h], name)
    return expected


def composed_file(path):
    """Three cells of 3, 12 and 40 subjects, 60 samples at 250 Hz from -100 ms, ScaleBins 4."""
    rng = np.random.default_rng(41)
    cells = []
    for name, n in ((b"three", 3), (b"twelve", 12), (b"forty", 40)):
        data = rng.integers(-400, 401, size=(n, 60, 5))
        hill = np.zeros(60, dtype=np.int64)
        hill[30:35] = [16, 32, 64, 32, 16]  # 16 uV peak, 8 uV at two samples: exactly half
        plateau = np.zeros(60, dtype=np.int64)
        plateau[28:33] = [8, 40, 40, 40, 8]
        for o in range(n):
            data[o, :, 0] = hill * (1 + o % 3)
            data[o, :, 1] = plateau
            data[o, :, 2] = -np.abs(data[o, :, 2])  # nothing positive
        cells.append(of.Cell(name, data, rate=250, trial_words=14))
    of.write_data_file(path, of.AVERAGE, cells, [0] * 5, [1] * 5, scale_bins=4, baseline_ms=100)


def check_new_measures(bin_dir, work, check, orva):
    c = Checks(bin_dir, work, check, orva)
    composed = c.path("fractions.ave")
    composed_file(composed)
    plain = dict(polarity="positive", fraction=0.5, area=None, offset=False)
    for options in (plain,
                    dict(polarity="negative", fraction=0.25, area=None, offset=True),
                    dict(polarity="positive", fraction=1.0, area="rectified", offset=False),
                    dict(polarity="negative", fraction=0.0, area="integral", offset=False)):
        check_file(c, composed, 0, 2000, options)  # the window reaches beyond the epoch's end
    check_file(c, composed, -400, 60, dict(plain, area="integral"), jackknife=True)
    check_file(c, composed, 0, 100, dict(plain, polarity="negative", offset=True), jackknife=True)
    demo_ave, demo_ses = os.path.join(bin_dir, "demo.ave"), os.path.join(bin_dir, "demo.ses")
    check_file(c, demo_ave, 250, 480.5, plain, chans=[1, 12, 33, 64])
    check_file(c, demo_ave, 60, 200, dict(polarity="negative", fraction=0.3, area=None, offset=True), jackknife=True,
               chans=[1, 12, 33, 64])
    check_file(c, demo_ses, 100, 300.5, dict(plain, fraction=0.7, area="rectified"), chans=[5, 40])
    refused = orva(bin_dir, "measure", demo_ses, "-o", c.path("refused.csv"), "--window", "0", "100",
                   "--measure", "mean", "--jackknife", expect_ok=False)
    check(refused.returncode == 1 and "jackknife takes an average file" in refused.stderr,
          "measure --jackknife of a session file was not refused: %s" % refused.stderr)
