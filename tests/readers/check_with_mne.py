"""Files written by orva, read by MNE-Python and the BIDS validator.

Writes BrainVision and EDF+ files from the demo files and from data files composed here,
reads them with MNE-Python and compares every value, the sampling rate, the channel names
and every event with what the data files hold; then makes a BIDS dataset and runs the BIDS
validator on it. Prints what it checked; exits 1 on the first kind of mismatch found.

usage: check_with_mne.py BUILD_BIN_DIR WORK_DIR [BIDS_VALIDATOR]
"""
import json
import os
import subprocess
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import orva_files as of  # noqa: E402
from check_artifacts import check_artifacts  # noqa: E402
from check_cluster import check_cluster  # noqa: E402
from check_erp import check_erp  # noqa: E402
from check_measures import check_new_measures  # noqa: E402
from check_neighbours import check_neighbours  # noqa: E402
from check_filters import check_filters  # noqa: E402
from check_positions import check_positions  # noqa: E402
from check_quality import check_quality  # noqa: E402

import mne  # noqa: E402

mne.set_log_level("ERROR")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("  MISMATCH: " + what)
    return condition


def orva(bin_dir, *args, expect_ok=True):
    run = subprocess.run([os.path.join(bin_dir, "orva"), *args], capture_output=True, text=True)
    if expect_ok and run.returncode != 0:
        sys.exit("orva %s failed:\n%s" % (" ".join(args), run.stderr))
    return run


def epochs_of(info):
    """(cell, observation, first sample, samples, stimulus sample) of every epoch, in order."""
    epochs, first = [], 0
    for c, cell in enumerate(info["cells"]):
        obs, samples = cell["data"].shape[:2]
        if obs == 0 or samples == 0:
            continue
        offset = 0
        if info["version"] == of.AVERAGE:
            offset = (2 * info["baseline"] * cell["rate"] + 1000) // 2000  # nearest, halves up
            offset = min(max(offset, 0), samples - 1)
        for o in range(obs):
            epochs.append((c, o, first, samples, first + offset))
            first += samples
    return epochs


def expected_values(info):
    """Calibrated values, [channel][sample] over all epochs, in float64."""
    parts = [of.calibrated(info, info["cells"][c]["data"][o]) for c, o, *_ in epochs_of(info)]
    return np.concatenate(parts).T


def expected_events(info):
    return [(stim, of.event_name(info["cells"][c]["name"], c + 1)) for c, o, first, n, stim in epochs_of(info)]


def check_events(raw, info, what, prefix):
    rate = raw.info["sfreq"]
    found = [(int(round(a["onset"] * rate)), a["description"][len(prefix):]) for a in raw.annotations
             if a["description"].startswith(prefix)]
    check(found == expected_events(info), "%s: events %s..., expected %s..." %
          (what, found[:3], expected_events(info)[:3]))
    events, ids = mne.events_from_annotations(raw, regexp="^" + prefix.replace("/", "\\/") if prefix else None)
    names = {v: k for k, v in ids.items()}
    from_events = [(int(s), names[i][len(prefix):]) for s, _, i in events]
    check(from_events == expected_events(info), "%s: events_from_annotations differ" % what)


def check_brainvision(bin_dir, data_file, out, channel_names=None):
    info = of.read_data_file(data_file)
    args = ["export-brainvision", data_file, "-o", out]
    if channel_names:
        args += ["--channel-names", channel_names]
    orva(bin_dir, *args)
    raw = mne.io.read_raw_brainvision(out, preload=True)
    what = "BrainVision of " + os.path.basename(data_file)
    expected = expected_values(info).astype(np.float32)
    names = read_names(channel_names, info["channels"])
    check(raw.ch_names == names, "%s: channel names %s" % (what, raw.ch_names[:5]))
    check(raw.info["sfreq"] == info["cells"][0]["rate"], "%s: rate %s" % (what, raw.info["sfreq"]))
    # The bytes of the data file are the float32 values; MNE's volts back in microvolts and
    # rounded to float32 are those values again.
    stored = np.fromfile(out[:-5] + ".eeg", dtype="<f4").reshape(-1, info["channels"]).T
    check(stored.shape == expected.shape and np.array_equal(stored.view(np.uint32), expected.view(np.uint32)),
          "%s: stored float32 values differ from the calibrated values" % what)
    check(np.array_equal((raw.get_data() * 1e6).astype(np.float32), expected),
          "%s: values read by MNE differ" % what)
    check_events(raw, info, what, "Stimulus/")
    segments = [int(round(a["onset"] * raw.info["sfreq"])) for a in raw.annotations
                if a["description"].startswith("New Segment")]
    check(segments == [e[2] for e in epochs_of(info)], "%s: New Segment markers %s" % (what, segments[:4]))
    print("  %s: %d channels x %d samples at %g Hz, %d events: equal" %
          (what, expected.shape[0], expected.shape[1], raw.info["sfreq"], len(expected_events(info))))


def edf_limits(path, channels):
    """The physical minimum and maximum texts of each signal in the EDF header."""
    with open(path, "rb") as f:
        head = f.read(256 + 256 * (channels + 1))
    n = channels + 1
    at = 256 + n * (16 + 80 + 8)
    mins = [head[at + 8 * i: at + 8 * i + 8].decode().strip() for i in range(channels)]
    at += 8 * n
    maxs = [head[at + 8 * i: at + 8 * i + 8].decode().strip() for i in range(channels)]
    return mins, maxs


def half_unit(text):
    """Half a unit in the last digit of a decimal text."""
    decimals = len(text.split(".")[1]) if "." in text else 0
    return 0.5 * 10.0 ** -decimals


def check_edf(bin_dir, data_file, out, channel_names=None):
    info = of.read_data_file(data_file)
    args = ["export-edf", data_file, "-o", out]
    if channel_names:
        args += ["--channel-names", channel_names]
    orva(bin_dir, *args)
    raw = mne.io.read_raw_edf(out, preload=True)
    what = "EDF+ of " + os.path.basename(data_file)
    names = read_names(channel_names, info["channels"])
    check(raw.ch_names == names, "%s: channel names %s" % (what, raw.ch_names[:5]))
    check(raw.info["sfreq"] == info["cells"][0]["rate"], "%s: rate %s" % (what, raw.info["sfreq"]))
    exact = expected_values(info)
    got = raw.get_data() * 1e6
    mins, maxs = edf_limits(out, info["channels"])
    worst = worst_relative = 0.0
    for ch in range(info["channels"]):
        # Each limit's text is the 8-character text closest to the calibrated value of
        # -32768 or 32767; a reader's value between them is off by no more than the larger
        # of the two texts' rounding: half a unit in their last digit.
        low = of.calibrated(info, np.array([[-32768] * info["channels"]]))[0][ch]
        high = of.calibrated(info, np.array([[32767] * info["channels"]]))[0][ch]
        check(abs(float(mins[ch]) - low) <= half_unit(mins[ch]) and abs(float(maxs[ch]) - high) <= half_unit(maxs[ch]),
              "%s: channel %d limits %s %s for %g %g" % (what, ch + 1, mins[ch], maxs[ch], low, high))
        bound = max(half_unit(mins[ch]), half_unit(maxs[ch]))
        error = np.max(np.abs(got[ch] - exact[ch])) if exact.shape[1] else 0.0
        worst = max(worst, error / bound)
        check(error <= bound * (1 + 1e-9) + 1e-9 * abs(high), "%s: channel %d off by %g uV, bound %g" %
              (what, ch + 1, error, bound))
        # The bound the README states: 5e-6 of the larger of the two limits' magnitudes.
        relative = error / max(abs(low), abs(high))
        worst_relative = max(worst_relative, relative)
        check(relative <= 5e-6, "%s: channel %d off by %g of its larger limit" % (what, ch + 1, relative))
    check_events(raw, info, what, "")
    print("  %s: %d channels x %d samples at %g Hz, %d events; largest error %.3f of the limits' half unit, "
          "%.2g of the larger limit" % (what, exact.shape[0], exact.shape[1], raw.info["sfreq"],
                                        len(expected_events(info)), worst, worst_relative))


def read_names(path, channels):
    if not path:
        return ["E%d" % (i + 1) for i in range(channels)]
    with open(path, encoding="utf-8") as f:
        return [line.rstrip("\r\n") for line in f]


def extreme(rng, shape):
    """Random raw samples with the 16-bit extremes in every channel."""
    data = rng.integers(-32768, 32768, size=shape, dtype=np.int64)
    flat = data.reshape(-1, shape[-1])
    flat[0], flat[-1] = -32768, 32767
    return data


def make_files(work):
    rng = np.random.default_rng(17)
    files = {}
    # Cells of different lengths, one without observations, names with a comma, a quote,
    # Windows-1252 letters, control characters and none at all; zeros at both ends of the
    # range and gains of both signs (a session file).
    files["mixed.ses"] = dict(version=of.SESSION, zeros=[0, 2047, -5, 32767, -32768], gains=[1, -400, 3, 1638, -7],
                              cells=[of.Cell(b'Std, "rare"', extreme(rng, (3, 5, 5))),
                                     of.Cell(b"Ziel \xe9\xfc\x80", extreme(rng, (2, 8, 5))),
                                     of.Cell(b"empty", np.zeros((0, 4, 5))),
                                     of.Cell(b"", extreme(rng, (1, 3, 5))),
                                     of.Cell(b"tab\there \r\n  ", extreme(rng, (2, 1, 5)))])
    # 256 Hz, epochs of one length (EDF+ too), odd zeros and gains whose limits fit 8 characters.
    files["rate256.ses"] = dict(version=of.SESSION, zeros=[1, -3, 0], gains=[2, -3, 7],
                                general=[11, 24, 2, 14, 5, 7, 7, 1, 2, 24, 3, 1, 1],
                                cells=[of.Cell(b"a,b", extreme(rng, (2, 256, 3)), rate=256),
                                       of.Cell(b"Gr\xfc\xdfe \x96 x", extreme(rng, (1, 256, 3)), rate=256)])
    # An average file with a negative scale and a stimulus 100 ms into epochs at 500 Hz.
    files["negative.ave"] = dict(version=of.AVERAGE, zeros=[0] * 4, gains=[1] * 4, scale_bins=-3, baseline_ms=100,
                                 cells=[of.Cell(b"Mot\xe9, long", extreme(rng, (3, 60, 4)), rate=500, trial_words=14),
                                        of.Cell(b"short", extreme(rng, (2, 60, 4)), rate=500, trial_words=14)])
    paths = {}
    for name, fields in files.items():
        paths[name] = os.path.join(work, name)
        of.write_data_file(paths[name], **fields)
    return paths


def make_bids(bin_dir, work):
    dataset = os.path.join(work, "bids")
    demo = os.path.join(bin_dir, "demo.ses")
    orva(bin_dir, "bids", demo, "--out", dataset, "--task", "oddball", "--subject", "demo", "--session", "1",
         "--line-frequency", "50", "--reference", "Cz", "--positions", os.path.join(bin_dir, "demo.sfp"),
         "--position-units", "cm")
    rng = np.random.default_rng(3)
    for session in ("1", "2"):
        folder = os.path.join(work, "ses" + session)
        os.makedirs(folder, exist_ok=True)
        inputs = []
        for subject in ("p01", "p02", "p03"):
            path = os.path.join(folder, subject + ".ses")
            cells = [of.Cell(b"Standard", rng.integers(1900, 2200, size=(6, 125, 16)), trial_words=2),
                     of.Cell(b"Target, rare", rng.integers(1900, 2200, size=(3, 125, 16)), trial_words=2)]
            of.write_data_file(path, of.SESSION, cells, zeros=[2048] * 16, gains=[1638 + i for i in range(16)],
                               experiment=b"Oddball study",
                               general=[3, 14, 21, 9, 30, 0, int(subject[1:]), 1, 2, 25, 1, 1, 1])
            inputs.append(path)
        orva(bin_dir, "bids", *inputs, "--out", dataset, "--task", "oddball", "--session", session,
             "--line-frequency", "50", "--reference", "Cz", "-j", "2")
    # A BIDS recording read back: its events.tsv says where MNE finds the stimuli.
    stem = os.path.join(dataset, "sub-p02", "ses-2", "eeg", "sub-p02_ses-2_task-oddball_")
    raw = mne.io.read_raw_brainvision(stem + "eeg.vhdr")
    with open(stem + "events.tsv", encoding="utf-8") as f:
        rows = [line.rstrip("\n").split("\t") for line in f][1:]
    stimuli = [(a["onset"], a["description"]) for a in raw.annotations if a["description"].startswith("Stimulus/")]
    check(len(rows) == len(stimuli) == 9, "BIDS events: %d rows, %d stimuli" % (len(rows), len(stimuli)))
    for row, (onset, description) in zip(rows, stimuli):
        check(abs(float(row[0]) - onset) < 1e-9 and int(row[4]) == round(onset * 250) and
              "Stimulus/" + row[2] == description, "BIDS events: row %s, annotation %s at %s" % (row, description, onset))
    with open(os.path.join(dataset, "participants.tsv"), encoding="utf-8") as f:
        participants = f.read()
    check(participants == "participant_id\nsub-demo\nsub-p01\nsub-p02\nsub-p03\n",
          "participants.tsv: " + repr(participants))
    electrodes = os.path.join(dataset, "sub-demo", "ses-1", "eeg", "sub-demo_ses-1_electrodes.tsv")
    with open(electrodes, encoding="utf-8") as f:
        rows = [line.rstrip("\n").split("\t") for line in f]
    check(rows[0] == ["name", "x", "y", "z"] and len(rows) == 65, "electrodes.tsv: %s..." % rows[:2])
    print("  BIDS dataset: sub-demo (session 1, with electrodes.tsv) and 3 subjects x 2 sessions; events.tsv "
          "agrees with MNE")
    return dataset


def validate(validator, dataset):
    run = subprocess.run([validator, dataset, "--json"], capture_output=True, text=True)
    try:
        report = json.loads(run.stdout)
    except ValueError:
        sys.exit("the BIDS validator gave no report (status %d):\n%s%s" % (run.returncode, run.stdout, run.stderr))
    errors = report["issues"]["errors"]
    warnings = report["issues"]["warnings"]
    for issue in errors + warnings:
        kind = "ERROR" if issue in errors else "warning"
        files = sorted({(f.get("file") or {}).get("relativePath", "") for f in issue.get("files", [])} - {""})
        print("  validator %s %s (%s)%s" % (kind, issue["key"], issue.get("reason", "").strip(),
                                           ": " + ", ".join(files[:4]) if files else ""))
    check(not errors, "the BIDS validator found %d errors" % len(errors))
    print("  BIDS validator: %d errors, %d warnings" % (len(errors), len(warnings)))


def main():
    bin_dir, work = sys.argv[1], sys.argv[2]
    validator = sys.argv[3] if len(sys.argv) > 3 else None
    os.makedirs(work, exist_ok=True)
    print("MNE-Python %s, numpy %s" % (mne.__version__, np.__version__))
    paths = make_files(work)
    out = lambda name: os.path.join(work, name)  # noqa: E731
    names = out("names.txt")
    with open(names, "w", encoding="utf-8", newline="\n") as f:
        f.write("Fz,1\nCz\nPz\n")
    utf8_names = out("names_utf8.txt")
    with open(utf8_names, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("F\u00e9,1\nC\u00fc\nP\u00df,2\nO\u20ac\n")

    check_brainvision(bin_dir, os.path.join(bin_dir, "demo.ses"), out("demo_ses.vhdr"))
    check_brainvision(bin_dir, os.path.join(bin_dir, "demo.ave"), out("demo_ave.vhdr"))
    check_brainvision(bin_dir, paths["mixed.ses"], out("mixed.vhdr"))
    check_brainvision(bin_dir, paths["rate256.ses"], out("rate256.vhdr"), names)
    check_brainvision(bin_dir, paths["negative.ave"], out("negative.vhdr"), utf8_names)

    check_edf(bin_dir, os.path.join(bin_dir, "demo.ses"), out("demo_ses.edf"))
    check_edf(bin_dir, os.path.join(bin_dir, "demo.ave"), out("demo_ave.edf"))
    check_edf(bin_dir, paths["rate256.ses"], out("rate256.edf"), names)
    check_edf(bin_dir, paths["negative.ave"], out("negative.edf"))
    refused = orva(bin_dir, "export-edf", paths["mixed.ses"], "-o", out("mixed.edf"), expect_ok=False)
    check(refused.returncode == 1 and not os.path.exists(out("mixed.edf")),
          "export-edf of epochs of different lengths was not refused")

    check_erp(bin_dir, work, check, orva)
    check_positions(bin_dir, work, check, orva, expected_values)
    check_neighbours(bin_dir, work, check, orva)
    check_artifacts(bin_dir, work, check, orva)
    check_quality(bin_dir, work, check, orva)
    check_new_measures(bin_dir, work, check, orva)
    check_cluster(bin_dir, work, check, orva)
    check_filters(bin_dir, work, check, orva)

    dataset = make_bids(bin_dir, work)
    if validator:
        validate(validator, dataset)
    if failures:
        sys.exit("%d checks failed" % len(failures))
    print("every check passed")


if __name__ == "__main__":
    main()
