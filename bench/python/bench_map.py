#!/usr/bin/python3
"""`orva map` of six maps against MNE-Python's plot_topomap of the same six times, both to PNG.

usage: bench_map.py BUILD_DIR [ROUNDS]

Writes the demo files with BUILD_DIR/bin/orva, then in alternating rounds of one run:
  - orva map demo.ave --positions demo.sfp --cell 2 --at <six times> --size 300x300 -o maps.png
    (a whole process: loading, the spline's weights for every pixel, six maps, the PNG);
  - a Python process (Debian's python3-mne, matplotlib's Agg backend) that reads the same
    trace (cell 2, observation 1, exported to BrainVision by orva), sets a montage from
    demo.sfp, and calls evoked.plot_topomap(times=<the six times>, size=3) and savefig at
    100 dpi (300 x 300 pixels a map). It reports the time of plot_topomap + savefig alone.
Prints the best of ROUNDS (default 5) of each: wall and CPU time of the whole processes,
MNE's plotting alone, and the ratios (goal: MNE / orva at least 5x).
"""
import pathlib
import resource
import subprocess
import sys
import tempfile
import time

TIMES_MS = [100, 170, 230, 400, 500, 600]

MNE_SCRIPT = r"""
import sys, time
import matplotlib
matplotlib.use("Agg")
import mne
vhdr, sfp, png = sys.argv[1:4]
times = [float(t) / 1000 for t in sys.argv[4:]]
raw = mne.io.read_raw_brainvision(vhdr, preload=True, verbose=False)
evoked = mne.EvokedArray(raw.get_data(), raw.info, tmin=-0.2, verbose=False)
evoked.set_montage(mne.channels.read_custom_montage(sfp), verbose=False)
start = time.perf_counter()
fig = evoked.plot_topomap(times=times, ch_type="eeg", size=3, show=False)
fig.savefig(png, dpi=100)
print(time.perf_counter() - start)
"""


def run(args):
    """Wall and CPU seconds of one child process, and its stdout."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(args, check=True, capture_output=True, text=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, done.stdout


def main():
    build = pathlib.Path(sys.argv[1]).resolve()
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    orva = str(build / "bin" / "orva")
    with tempfile.TemporaryDirectory() as folder:
        work = pathlib.Path(folder)
        subprocess.run([orva, "demo", str(work)], check=True, capture_output=True)
        vhdr = work / "target.vhdr"
        subprocess.run([orva, "export-brainvision", str(work / "demo.ave"), "--cells", "2", "--obs", "1",
                        "-o", str(vhdr)], check=True, capture_output=True)
        script = work / "mne_topomap.py"
        script.write_text(MNE_SCRIPT)
        times = [str(t) for t in TIMES_MS]
        best = {"orva": (1e30, 0.0), "mne": (1e30, 0.0), "plot": 1e30}
        for _ in range(rounds):
            wall, cpu, _ = run([orva, "map", str(work / "demo.ave"), "--positions", str(work / "demo.sfp"),
                                "--cell", "2", "--size", "300x300", "-o", str(work / "orva.png"), "--at", *times])
            best["orva"] = min(best["orva"], (wall, cpu))
            wall, cpu, out = run(["/usr/bin/python3", str(script), str(vhdr), str(work / "demo.sfp"),
                                  str(work / "mne.png"), *times])
            best["mne"] = min(best["mne"], (wall, cpu))
            best["plot"] = min(best["plot"], float(out.strip().splitlines()[-1]))
        (ow, oc), (mw, mc), plot = best["orva"], best["mne"], best["plot"]
        print(f"six maps at 300 x 300 pixels to PNG; best of {rounds} rounds")
        print(f"orva map (whole process)           {ow:7.3f} s wall {oc:7.3f} s CPU")
        print(f"MNE plot_topomap (whole process)   {mw:7.3f} s wall {mc:7.3f} s CPU | MNE / orva {mw / ow:5.1f}x wall"
              f" {mc / oc:5.1f}x CPU (goal at least 5x)")
        print(f"MNE plot_topomap + savefig alone   {plot:7.3f} s      | MNE alone / orva whole {plot / ow:5.1f}x")


if __name__ == "__main__":
    main()
