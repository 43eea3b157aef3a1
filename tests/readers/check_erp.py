"""The ERP operations of orva, cross-checked against MNE-Python.

Every input is exported to BrainVision and read by MNE; MNE's own operation on those values
(Epochs.average, mne.grand_average, mne.combine_evoked, Evoked.apply_baseline,
set_eeg_reference, Evoked.get_peak) is compared with the file orva wrote, read from its
bytes. Windows are given to MNE as the sample times of exactly the samples orva takes, so an
average file whose baseline is not a whole number of samples is compared sample for sample.

Bounds: an average file stores nearest(v x ScaleBins), so it may be off by half of
1 / ScaleBins; a session file written back by half of one raw step (200 / |gain|). MNE
computes from the float32 values of the export: where a value is not exact in float32 the
bound also holds the largest rounding of an input times the sum of the operation's
absolute weights (printed as "float32"; 0 for the generated session files and for averages
at a ScaleBins that is a power of two, whose values are all exact). The measures' table has
three decimals: half of 0.001 uV, and half of 0.001 ms for a latency.
"""
import csv
import os

import numpy as np

import mne
import orva_files as of


class Checks:
    def __init__(self, bin_dir, work, check, orva):
        self.bin, self.work, self.check, self.orva = bin_dir, work, check, orva
        self.read, self.exported = {}, {}

    def path(self, name):
        return os.path.join(self.work, name)

    def run(self, *args):
        self.orva(self.bin, *[str(a) for a in args])

    def export(self, paths, folder):
        """Exports several files in one run, each as folder/<stem>.vhdr, for mne_of."""
        os.makedirs(self.path(folder), exist_ok=True)
        self.run("export-brainvision", *paths, "--out-dir", self.path(folder), "-j", 2)
        for path in paths:
            self.exported[path] = self.path(os.path.join(folder, os.path.splitext(os.path.basename(path))[0] + ".vhdr"))

    def mne_of(self, path):
        """What MNE reads from the BrainVision export of path: per cell name, the Epochs of a
        session file (time 0 at each epoch's first sample) or the list of Evoked of an average
        file (one per subject, time 0 at the stimulus marker, nave its trial count); with the
        file's fields and the largest float32 rounding of its values."""
        if path in self.read:
            return self.read[path]
        info = of.read_data_file(path)
        vhdr = self.exported.get(path)
        if not vhdr:
            vhdr = self.path(os.path.basename(path) + ".vhdr")
            self.run("export-brainvision", path, "-o", vhdr)
        raw = mne.io.read_raw_brainvision(vhdr, preload=True)
        events, ids = mne.events_from_annotations(raw, regexp="^Stimulus/")
        cells = {}
        for cell in info["cells"]:
            name = of.event_name(cell["name"], 0)
            obs, samples = cell["data"].shape[:2]
            offset = 0
            if info["version"] == of.AVERAGE:
                offset = min(max((2 * info["baseline"] * cell["rate"] + 1000) // 2000, 0), samples - 1)
            key = "Stimulus/" + name
            epochs = mne.Epochs(raw, events, {key: ids[key]}, tmin=-offset / cell["rate"],
                                tmax=(samples - 1 - offset) / cell["rate"], baseline=None, preload=True)
            self.check(len(epochs) == obs, "%s: MNE found %d epochs of %s, the file holds %d" %
                       (os.path.basename(path), len(epochs), name, obs))
            if info["version"] == of.AVERAGE:
                data = epochs.get_data()
                epochs = [mne.EvokedArray(data[o], epochs.info, tmin=epochs.tmin, comment=name,
                                          nave=int(cell["trials"][o][0])) for o in range(obs)]
            cells[name] = epochs
        exact = np.concatenate([of.calibrated(info, c["data"]).ravel() for c in info["cells"]])
        rounding = float(np.max(np.abs(exact.astype(np.float32).astype(np.float64) - exact), initial=0.0))
        self.read[path] = (cells, info, rounding)
        return self.read[path]

    def compare(self, what, out, expected, rounding=0.0, naves=None):
        """Compares every observation of every cell of the file out with expected: per cell
        name a list of (channels x samples) arrays in microvolts; naves the trial counts."""
        info = of.read_data_file(out)
        if info["version"] == of.AVERAGE:
            half = np.full(info["channels"], 0.5 / abs(info["scale_bins"]))
            scale = "1/(2 x %d)" % abs(info["scale_bins"])
        else:
            half = 200.0 / np.abs(info["gains"].astype(np.float64))
            scale = "200/|gain| = %.3g to %.3g" % (half.min(), half.max())
        bound = half + rounding + 1e-9  # per channel
        worst, excess = 0.0, -np.inf
        names = [of.event_name(c["name"], 0) for c in info["cells"]]
        self.check(names == list(expected), "%s: cells %s, expected %s" % (what, names, list(expected)))
        for cell in info["cells"]:
            name = of.event_name(cell["name"], 0)
            theirs = expected.get(name, [])
            ours = of.calibrated(info, cell["data"])  # [observation][sample][channel]
            self.check(len(ours) == len(theirs), "%s: %s has %d observations, expected %d" %
                       (what, name, len(ours), len(theirs)))
            for mine, other in zip(ours, theirs):
                difference = np.max(np.abs(mine.T - other), axis=1)
                worst = max(worst, float(np.max(difference)))
                excess = max(excess, float(np.max(difference - bound)))
            if naves is not None:
                got = [int(w[0]) for w in cell["trials"]]
                self.check(got == naves[name], "%s: %s trial counts %s, MNE's nave %s" % (what, name, got, naves[name]))
        self.check(excess <= 0, "%s: beyond the bound by %.3g uV" % (what, excess))
        print("  %s: largest difference %.3g uV, bound %.3g uV (%s + float32 %.2g + 1e-9)%s" %
              (what, worst, float(np.max(bound)), scale, rounding, ", trial counts equal" if naves is not None else ""))


def uv(evoked):
    return evoked.data * 1e6


def window_samples(info, cell, start, end):
    """The samples orva takes for the window start .. end ms, as (first, last)."""
    baseline = info["baseline"] if info["version"] == of.AVERAGE else 0
    rate, samples = cell["rate"], cell["data"].shape[1]
    times = (np.arange(samples) * 1000 - baseline * rate) / rate  # as exact as the division of two integers
    inside = np.flatnonzero((times >= start) & (times <= end))
    return int(inside[0]), int(inside[-1])


def before_zero(info, cell):
    rate = cell["rate"]
    last = max(s for s in range(cell["data"].shape[1]) if s * 1000 - info["baseline"] * rate < 0)
    return 0, last


def with_baseline(evoked, first, last):
    times = evoked.times
    return evoked.copy().apply_baseline((times[first], times[last]))


def subject(rng, counts, samples, rate=250):
    """A session file's cells: Standard, Target and Novel with the given trial counts; channel
    1 near +32767, channel 2 near -32768, channels 3 and 4 over the whole 16-bit range."""
    cells = []
    for (name, n), length in zip(counts, samples):
        data = rng.integers(1800, 2300, size=(n, length, 8))
        data[:, :, 0] = rng.integers(32000, 32768, size=(n, length))
        data[:, :, 1] = rng.integers(-32768, -32000, size=(n, length))
        data[:, :, 2:4] = rng.integers(-32768, 32768, size=(n, length, 2))
        data[0, :, 0], data[-1, :, 1] = 32767, -32768
        cells.append(of.Cell(name, data, rate=rate))
    return cells


# Every calibrated value exact in float32: (v - zero) x 400 / gain is v - zero over a power of two.
ZEROS = [0, 0, -32768, 32767, 2048, 2048, 2048, 2048]
GAINS = [3200, -3200, 6400, 6400, 25, 400, 800, -1600]
BASELINE_MS = 101  # 25.25 samples at 250 Hz


def check_erp(bin_dir, work, check, orva):
    """The ERP operations on three generated subjects and on the demo files."""
    c = Checks(bin_dir, work, check, orva)
    p = c.path
    rng = np.random.default_rng(27)
    layouts = {"p1": [(b"Standard", 7), (b"Target", 3), (b"Novel", 2)],
               "p2": [(b"Novel", 3), (b"Standard", 5), (b"Target", 4)],  # other order: matched by name
               "p3": [(b"Standard", 9), (b"Target", 2), (b"Novel", 4)]}
    subjects = list(layouts)
    for s in subjects:
        lengths = [90 if name == b"Novel" else 100 for name, _ in layouts[s]]
        of.write_data_file(p(s + ".ses"), of.SESSION, subject(rng, layouts[s], lengths), ZEROS, GAINS)
    demo_ses, demo_ave = os.path.join(bin_dir, "demo.ses"), os.path.join(bin_dir, "demo.ave")

    # average: all trials and a list with a number twice, against Epochs.average().
    evoked = {}
    sessions = [p(s + ".ses") for s in subjects]
    c.run("average", *sessions, "--out-dir", work, "--baseline-ms", BASELINE_MS, "-j", 2)
    c.export(sessions + [demo_ses], "sessions")
    c.export([p(s + ".ave") for s in subjects] + [demo_ave], "averages")
    for s in subjects:
        epochs, _, rounding = c.mne_of(p(s + ".ses"))
        evoked[s] = {name: e.average() for name, e in epochs.items()}
        c.compare("average of %s.ses" % s, p(s + ".ave"), {n: [uv(e)] for n, e in evoked[s].items()}, rounding,
                  {n: [e.nave] for n, e in evoked[s].items()})
    c.run("average", p("p1.ses"), "-o", p("p1_obs.ave"), "--obs", "2 1 2")
    epochs, _, rounding = c.mne_of(p("p1.ses"))
    chosen = {n: e[[1, 0]].average() for n, e in epochs.items()}
    c.compare("average --obs \"2 1 2\" of p1.ses", p("p1_obs.ave"), {n: [uv(e)] for n, e in chosen.items()},
              rounding, {n: [e.nave] for n, e in chosen.items()})
    c.run("average", demo_ses, "-o", p("demo_avg.ave"), "--obs", "1 7 40 12")
    epochs, _, rounding = c.mne_of(demo_ses)
    chosen = {n: e[[0, 6, 39, 11]].average() for n, e in epochs.items()}
    c.compare("average --obs of demo.ses", p("demo_avg.ave"), {n: [uv(e)] for n, e in chosen.items()},
              rounding, {n: [e.nave] for n, e in chosen.items()})

    # The subjects as MNE reads them back from orva's averages, nave from MNE's epochs.
    read = {s: c.mne_of(p(s + ".ave")) for s in subjects}
    rounding = max(r[2] for r in read.values())
    names = ["Standard", "Target", "Novel"]
    per_cell = {n: [read[s][0][n][0] for s in subjects] for n in names}
    for n in names:
        for s, e in zip(subjects, per_cell[n]):
            e.nave = evoked[s][n].nave
    naves = {n: [e.nave for e in per_cell[n]] for n in names}
    inputs = [p(s + ".ave") for s in subjects]

    # grand-average, plain and weighted.
    c.run("grand-average", *inputs, "-o", p("grand.ave"))
    c.compare("grand-average of 3 subjects", p("grand.ave"),
              {n: [uv(mne.grand_average(per_cell[n]))] for n in names}, rounding)
    c.run("grand-average", *inputs, "-o", p("grand_w.ave"), "--weighted")
    weighted = {n: mne.combine_evoked(per_cell[n], weights="nave") for n in names}
    c.compare("grand-average --weighted of 3 subjects", p("grand_w.ave"), {n: [uv(e)] for n, e in weighted.items()},
              rounding, {n: [e.nave] for n, e in weighted.items()})
    demo, _, demo_rounding = c.mne_of(demo_ave)
    c.run("grand-average", demo_ave, "-o", p("demo_grand.ave"), "--weighted")
    c.compare("grand-average --weighted of demo.ave", p("demo_grand.ave"),
              {n: [uv(mne.combine_evoked(e, weights="nave"))] for n, e in demo.items()}, demo_rounding,
              {n: [sum(x.nave for x in e)] for n, e in demo.items()})
    c.run("grand-average", demo_ave, "-o", p("demo_grand_plain.ave"))
    c.compare("grand-average of demo.ave", p("demo_grand_plain.ave"),
              {n: [uv(mne.grand_average(e))] for n, e in demo.items()}, demo_rounding)

    # combine: the subjects in input order, values and trial counts.
    c.run("combine", *inputs, "-o", p("study.ave"))
    c.compare("combine of 3 subjects", p("study.ave"), {n: [uv(e) for e in per_cell[n]] for n in names},
              rounding, naves)

    # baseline: every sample before 0 ms (101 ms: samples 0 to 25), and a window.
    study, info, study_rounding = c.mne_of(p("study.ave"))
    cells = {of.event_name(x["name"], 0): x for x in info["cells"]}
    c.run("baseline", p("study.ave"), "-o", p("study_bc.ave"))
    c.compare("baseline (before 0 ms of 101) of the combined file", p("study_bc.ave"),
              {n: [uv(with_baseline(e, *before_zero(info, cells[n]))) for e in study[n]] for n in names},
              2 * study_rounding)
    c.run("baseline", p("study.ave"), "-o", p("study_win.ave"), "--window", -50, 10.5)
    c.compare("baseline --window -50 10.5 of the combined file", p("study_win.ave"),
              {n: [uv(with_baseline(e, *window_samples(info, cells[n], -50, 10.5))) for e in study[n]]
               for n in names}, 2 * study_rounding)
    demo_info = of.read_data_file(demo_ave)
    demo_cells = {of.event_name(x["name"], 0): x for x in demo_info["cells"]}
    c.run("baseline", demo_ave, "-o", p("demo_bc.ave"))
    c.compare("baseline (before 0 ms) of demo.ave", p("demo_bc.ave"),
              {n: [uv(with_baseline(x, *before_zero(demo_info, demo_cells[n]))) for x in e] for n, e in demo.items()},
              2 * demo_rounding)
    session, ses_info, ses_rounding = c.mne_of(demo_ses)
    c.run("baseline", demo_ses, "-o", p("demo_bc.ses"), "--window", 10, 98.5)
    first, last = window_samples(ses_info, ses_info["cells"][0], 10, 98.5)
    c.compare("baseline --window 10 98.5 of demo.ses", p("demo_bc.ses"),
              {n: list(e.copy().apply_baseline((e.times[first], e.times[last])).get_data() * 1e6)
               for n, e in session.items()}, 2 * ses_rounding)

    # difference: Target minus Standard, subject by subject; the other cells stay.
    c.run("difference", p("study_bc.ave"), "-o", p("study_diff.ave"), "--cells", 2, 1, "--name", "T-S")
    bc, _, bc_rounding = c.mne_of(p("study_bc.ave"))
    wanted = {n: [uv(e) for e in bc[n]] for n in names}
    wanted["T-S"] = [uv(mne.combine_evoked([a, b], weights=[1, -1])) for a, b in zip(bc["Target"], bc["Standard"])]
    c.compare("difference 2 1 of the combined file", p("study_diff.ave"), wanted, 2 * bc_rounding)
    c.run("difference", demo_ave, "-o", p("demo_diff.ave"), "--cells", 3, 1)
    wanted = {n: [uv(x) for x in e] for n, e in demo.items()}
    a, b = list(demo)[2], list(demo)[0]
    wanted[a + "-" + b] = [uv(mne.combine_evoked([x, y], weights=[1, -1])) for x, y in zip(demo[a], demo[b])]
    c.compare("difference 3 1 of demo.ave", p("demo_diff.ave"), wanted, 2 * demo_rounding)

    # rereference: every channel in the mean, and channels 1 and 2 left out of it.
    c.run("rereference", p("study_diff.ave"), "-o", p("study_ref.ave"))
    diff, _, diff_rounding = c.mne_of(p("study_diff.ave"))
    c.compare("rereference of the difference file", p("study_ref.ave"),
              {n: [uv(mne.set_eeg_reference(x, "average")[0]) for x in e] for n, e in diff.items()},
              2 * diff_rounding)
    c.run("rereference", p("study_diff.ave"), "-o", p("study_ref_ex.ave"), "--exclude", "2 1 2")
    kept = ["E%d" % h for h in range(3, 9)]
    c.compare("rereference --exclude \"2 1 2\" of the difference file", p("study_ref_ex.ave"),
              {n: [uv(mne.set_eeg_reference(x, kept)[0]) for x in e] for n, e in diff.items()}, 2 * diff_rounding)
    c.run("rereference", demo_ses, "-o", p("demo_ref.ses"), "--exclude", "64")
    kept = ["E%d" % h for h in range(1, 64)]
    c.compare("rereference --exclude 64 of demo.ses", p("demo_ref.ses"),
              {n: list(mne.set_eeg_reference(e, kept)[0].get_data() * 1e6) for n, e in session.items()},
              2 * ses_rounding)

    # measure: mean, peak and latency of both polarities in windows between samples.
    check_measures(c, p("study_ref.ave"), 150.5, 259)
    check_measures(c, demo_ave, 251, 480.5, ["1", "12", "33", "64"], "3 1")
    check_negative_scale(c, rng)


def check_negative_scale(c, rng):
    """An average file of ScaleBins -4 with channels at the 16-bit ends and a baseline of
    37 ms at 500 Hz (18.5 samples: its marker at sample 19, our 0 ms half a sample before)."""
    p = c.path
    cells = []
    for name in (b"left", b"right"):
        data = rng.integers(-32768, 32768, size=(3, 60, 6))
        data[:, :, 0] = rng.integers(32000, 32768, size=(3, 60))
        data[:, :, 1] = rng.integers(-32768, -32000, size=(3, 60))
        data[0, 0, 0], data[0, 0, 1] = 32767, -32768
        cells.append(of.Cell(name, data, rate=500, trial_words=14))
    of.write_data_file(p("scale-4.ave"), of.AVERAGE, cells, [0] * 6, [1] * 6, scale_bins=-4, baseline_ms=37)
    read, info, rounding = c.mne_of(p("scale-4.ave"))
    c.run("grand-average", p("scale-4.ave"), "-o", p("scale-4_grand.ave"), "--weighted")
    weighted = {n: mne.combine_evoked(e, weights="nave") for n, e in read.items()}
    c.compare("grand-average --weighted of scale-4.ave", p("scale-4_grand.ave"),
              {n: [uv(e)] for n, e in weighted.items()}, rounding, {n: [e.nave] for n, e in weighted.items()})
    c.run("baseline", p("scale-4.ave"), "-o", p("scale-4_bc.ave"))
    cell = info["cells"][0]
    c.compare("baseline (before 0 ms of 37 at 500 Hz) of scale-4.ave", p("scale-4_bc.ave"),
              {n: [uv(with_baseline(x, *before_zero(info, cell))) for x in e] for n, e in read.items()}, 2 * rounding)
    c.run("difference", p("scale-4.ave"), "-o", p("scale-4_diff.ave"), "--cells", 2, 1)
    wanted = {n: [uv(x) for x in e] for n, e in read.items()}
    wanted["right-left"] = [uv(mne.combine_evoked([x, y], weights=[1, -1]))
                            for x, y in zip(read["right"], read["left"])]
    c.compare("difference 2 1 of scale-4.ave", p("scale-4_diff.ave"), wanted, 2 * rounding)
    c.run("rereference", p("scale-4.ave"), "-o", p("scale-4_ref.ave"), "--exclude", "1")
    kept = ["E%d" % h for h in range(2, 7)]
    c.compare("rereference --exclude 1 of scale-4.ave", p("scale-4_ref.ave"),
              {n: [uv(mne.set_eeg_reference(x, kept)[0]) for x in e] for n, e in read.items()}, 2 * rounding)
    check_measures(c, p("scale-4.ave"), -37, 0.5)


def check_measures(c, path, start, end, chans=None, cell_list=None):
    evokeds, info, rounding = c.mne_of(path)
    what = "measure %g to %g ms of %s" % (start, end, os.path.basename(path))
    worst = {"mean": 0.0, "peak": 0.0, "peak-latency": 0.0}
    rows, peaks, infos, refused = 0, {}, {}, set()

    def channel(h, rate):
        if h not in infos:
            infos[h] = mne.create_info(["E%d" % (h + 1)], rate, "eeg")
        return infos[h]

    for polarity, mode in (("positive", "pos"), ("negative", "neg")):
        out = c.path("measure_%s.csv" % polarity)
        args = ["measure", path, "-o", out, "--window", start, end, "--measure", "mean", "--measure", "peak",
                "--measure", "peak-latency", "--polarity", polarity]
        if chans:
            args += ["--chans", " ".join(chans)]
        if cell_list:
            args += ["--cells", cell_list]
        c.run(*args)
        with open(out, encoding="utf-8", newline="") as f:
            table = list(csv.DictReader(f))
        cells = info["cells"]
        for row in table:
            cell, obs, chan = int(row["cell"]) - 1, int(row["observation"]) - 1, int(row["channel"]) - 1
            measure, value = row["measure"], float(row["value"])
            name = of.event_name(cells[cell]["name"], 0)
            evoked = evokeds[name][obs]
            first, last = window_samples(info, cells[cell], start, end)
            trace = evoked.data[chan] * 1e6
            if measure == "mean":
                theirs = float(np.mean(trace[first:last + 1]))
            else:
                key = (cell, obs, chan, mode)
                if key not in peaks:
                    # The one channel as an Evoked of its own (picking from a copy takes longer).
                    one = mne.EvokedArray(evoked.data[chan:chan + 1], channel(chan, evoked.info["sfreq"]),
                                          tmin=evoked.times[0])
                    try:
                        peaks[key] = one.get_peak(tmin=evoked.times[first], tmax=evoked.times[last], mode=mode,
                                                  time_as_index=True, return_amplitude=True)[1:]
                    except ValueError:
                        # MNE gives no peak of a polarity the window holds no value of; the
                        # table gives the largest (smallest) value all the same.
                        window = one.data[0, first:last + 1]
                        at = first + int(np.argmax(window) if mode == "pos" else np.argmin(window))
                        peaks[key] = (at, one.data[0, at])
                        refused.add((cell, obs, chan, mode))
                index, amplitude = peaks[key]
                rate = cells[cell]["rate"]
                theirs = amplitude * 1e6 if measure == "peak" else (index * 1000 - info["baseline"] * rate) / rate
            worst[measure] = max(worst[measure], abs(value - theirs))
            rows += 1
    bound = 0.0005 + rounding + 1e-9
    c.check(max(worst["mean"], worst["peak"]) <= bound and worst["peak-latency"] <= 0.0005 + 1e-9,
            "%s: off by %s, bound %.3g" % (what, worst, bound))
    print("  %s: %d rows, largest difference mean %.2g uV, peak %.2g uV, latency %.2g ms; bound %.3g uV "
          "(0.0005 + float32 %.2g + 1e-9), 0.0005 ms%s" % (what, rows, worst["mean"], worst["peak"], worst["peak-latency"],
                                                 bound, rounding, "; %d peaks of traces with no value of the "
                                                 "polarity from NumPy (get_peak refuses them)" % len(refused)
                                                 if refused else ""))
