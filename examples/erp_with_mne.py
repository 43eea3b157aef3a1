#!/usr/bin/python3
"""Evoked responses of an average file with MNE-Python.

usage: erp_with_mne.py [FILE.ave [OUT.png]]   (default: demo.ave, erp_with_mne.png)

Reads the average file, turns every subject's average of every cell into an mne.Evoked,
averages the subjects of each cell (weighted by their trial counts), draws the first cell's
grand average into a PNG and prints the peak of that cell.
"""
import sys

import matplotlib

matplotlib.use("Agg")  # no display needed

import mne  # noqa: E402

import orva  # noqa: E402

source = sys.argv[1] if len(sys.argv) > 1 else "demo.ave"
picture = sys.argv[2] if len(sys.argv) > 2 else "erp_with_mne.png"

f = orva.read(source)
print(f"{f.file_name}: {f.kind} file, {f.n_channels} channels, {len(f.cells)} cells")

# One Evoked per cell and subject; the subjects of a cell share its name in the comment.
by_cell = {}
for evoked in f.to_mne():
    by_cell.setdefault(evoked.comment.rsplit(", subject", 1)[0], []).append(evoked)
grand = {name: mne.combine_evoked(subjects, weights="nave") for name, subjects in by_cell.items()}
for name, evoked in grand.items():
    print(f"  {name}: {len(by_cell[name])} subjects, {round(evoked.nave)} trials")

name, evoked = next(iter(grand.items()))
evoked.comment = name
figure = evoked.plot(spatial_colors=False, titles={"eeg": f"{f.file_name}: {name}"}, show=False)
figure.savefig(picture, dpi=100)
print(f"drawn: {picture}")

channel, latency, amplitude = evoked.get_peak(ch_type="eeg", mode="pos", return_amplitude=True)
print(f"peak of {name}: {amplitude * 1e6:.2f} uV at {latency * 1000:.0f} ms on {channel}")
