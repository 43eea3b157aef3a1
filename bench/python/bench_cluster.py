#!/usr/bin/python3
"""`orva cluster-test` of the demo study against MNE-Python doing the same test in one process.

usage: bench_cluster.py BUILD_DIR [ROUNDS] [--jobs-only]

The demo study (12 subjects x 64 channels x 250 samples, cells Standard and Target) written by
BUILD_DIR/bin/orva demo; in alternating rounds of one run:
  - orva cluster-test demo-study.ave --cells 2 1 --positions demo.sfp (paired, two tails, the
    default threshold, 2048 sign patterns: every one, exact), a whole process;
  - a Python process (Debian's python3-mne) that reads the BrainVision export of the study,
    sets the montage from demo.sfp, finds the adjacency (find_ch_adjacency), combines it with
    the time axis and calls permutation_cluster_1samp_test on the differences with 2048
    permutations and the same threshold;
then orva with 10000 random permutations at -j 1 and -j 2 (whole processes, in alternating
order within each round). --jobs-only runs the -j rounds alone (seconds each, so ROUNDS can be
larger).
Prints the best and the median of ROUNDS (default 1: MNE takes minutes) of each, the ratios
(goals: MNE / orva at least 100x, -j 1 / -j 2 at least 1.7x) and the load averages before and
after: the ratio of -j 2 needs a second core that nothing else uses.
"""
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

MNE_SCRIPT = r"""
import sys
import mne, numpy as np, scipy.stats
vhdr, sfp = sys.argv[1:3]
raw = mne.io.read_raw_brainvision(vhdr, preload=True, verbose=False)
raw.set_montage(mne.channels.read_custom_montage(sfp), verbose=False)
data = raw.get_data().reshape(64, 2, 12, 250).transpose(1, 2, 3, 0)  # cell, subject, time, channel
adjacency, _ = mne.channels.find_ch_adjacency(raw.info, "eeg")
full = mne.stats.combine_adjacency(250, adjacency)
threshold = scipy.stats.t.ppf(1 - 0.05 / 2, 11)
T, clusters, p, H0 = mne.stats.permutation_cluster_1samp_test(
    data[1] - data[0], threshold=threshold, n_permutations=2048, tail=0, adjacency=full, out_type="mask",
    seed=0, verbose=False)
print(len(clusters), min(p) if len(p) else 1.0)
"""


def timed(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    build = pathlib.Path(sys.argv[1])
    numbers = [a for a in sys.argv[2:] if not a.startswith("--")]
    rounds = int(numbers[0]) if numbers else 1
    jobs_only = "--jobs-only" in sys.argv[2:]
    orva = str(build / "bin" / "orva")
    with tempfile.TemporaryDirectory() as work:
        work = pathlib.Path(work)
        subprocess.run([orva, "demo", str(work)], check=True, stdout=subprocess.DEVNULL)
        study, sfp, vhdr = work / "demo-study.ave", work / "demo.sfp", work / "study.vhdr"
        subprocess.run([orva, "export-brainvision", str(study), "-o", str(vhdr)], check=True,
                       stdout=subprocess.DEVNULL)
        script = work / "mne_cluster.py"
        script.write_text(MNE_SCRIPT)
        test = [orva, "cluster-test", str(study), "--cells", "2", "1", "--positions", str(sfp)]
        times = {"orva": [], "mne": [], "j1": [], "j2": []}
        random = test + ["--permutations", "10000", "--seed", "7"]
        load = os.getloadavg()
        for r in range(rounds):
            if not jobs_only:
                times["orva"].append(timed(test))
                times["mne"].append(timed(["/usr/bin/python3", str(script), str(vhdr), str(sfp)]))
            # Alternating which goes first, so that a change in the machine's load falls on both.
            for jobs in ("1", "2") if r % 2 == 0 else ("2", "1"):
                times["j" + jobs].append(timed(random + ["-j", jobs]))
        print("load averages before %.2f %.2f %.2f, after %.2f %.2f %.2f" % (load + os.getloadavg()))
        b = {k: min(v) for k, v in times.items() if v}
        m = {k: statistics.median(v) for k, v in times.items() if v}
        if not jobs_only:
            print(f"orva cluster-test, 2048 exact permutations: {b['orva']:.3f} s")
            print(f"MNE-Python, the same test in one process:   {b['mne']:.3f} s  "
                  f"({b['mne'] / b['orva']:.1f}x, goal 100x)")
        print(f"10000 random permutations, best of {rounds}: -j 1 {b['j1']:.3f} s, -j 2 {b['j2']:.3f} s "
              f"({b['j1'] / b['j2']:.2f}x, goal 1.7x)")
        print(f"                           median:    -j 1 {m['j1']:.3f} s, -j 2 {m['j2']:.3f} s "
              f"({m['j1'] / m['j2']:.2f}x)")


if __name__ == "__main__":
    main()
