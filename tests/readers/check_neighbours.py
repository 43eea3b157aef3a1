"""Channel neighbours against MNE-Python.

orva neighbours on the demo net's positions moved by small random turns (so that no four
sensors lie on one circle of the map and the triangulation is unique), every sensor on one
sphere, against mne.channels.find_ch_adjacency(info, "eeg") on the same positions: the two
sets of neighbour pairs must be equal.
"""
import os

import numpy as np

import mne


def read_sfp(path):
    positions = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            fields = line.split()
            if fields and not fields[0].lower().startswith("fid"):
                positions[fields[0]] = np.array([float(v) for v in fields[1:4]])
    return positions


def jittered(rng, positions, turn, radius):
    """Each direction moved by about `turn` radians, then put on the sphere of `radius`."""
    out = {}
    for name, p in positions.items():
        d = p / np.linalg.norm(p) + rng.normal(0, turn, 3)
        out[name] = radius * d / np.linalg.norm(d)
    return out


def ours(bin_dir, orva, sfp, out):
    orva(bin_dir, "neighbours", "--positions", sfp, "-o", out)
    pairs = set()
    with open(out, encoding="utf-8") as f:
        for line in f:
            owner, rest = line.split(":", 1)
            pairs.update(tuple(sorted((owner.strip(), other))) for other in rest.split())
    return pairs


def theirs(positions):
    names = list(positions)
    info = mne.create_info(names, 250.0, "eeg")
    # Metres, in the head frame around the origin the positions were made about.
    info.set_montage(mne.channels.make_dig_montage(ch_pos={n: p / 100 for n, p in positions.items()},
                                                   coord_frame="head"))
    adjacency, ch_names = mne.channels.find_ch_adjacency(info, "eeg")
    a = adjacency.tocoo()
    return {tuple(sorted((ch_names[i], ch_names[j]))) for i, j in zip(a.row, a.col) if i != j}


def check_neighbours(bin_dir, work, check, orva):
    work = os.path.join(work, "neighbours")
    os.makedirs(work, exist_ok=True)
    rng = np.random.default_rng(33)
    demo = read_sfp(os.path.join(bin_dir, "demo.sfp"))
    for case, (turn, radius) in enumerate(((0.01, 9.0), (0.03, 8.5), (0.06, 10.0))):
        positions = jittered(rng, demo, turn, radius)
        sfp = os.path.join(work, "jittered%d.sfp" % case)
        with open(sfp, "w", encoding="ascii", newline="\n") as f:
            for name, p in positions.items():
                f.write("%s %.17g %.17g %.17g\n" % (name, *p))
        # MNE is given the numbers as written, so both work on the same doubles.
        positions = read_sfp(sfp)
        mine = ours(bin_dir, orva, sfp, os.path.join(work, "jittered%d.txt" % case))
        mne_pairs = theirs(positions)
        check(mine == mne_pairs, "neighbours of jittered demo positions %d: %d pairs only ours %s, %d only MNE's %s" %
              (case, len(mine - mne_pairs), sorted(mine - mne_pairs)[:4], len(mne_pairs - mine),
               sorted(mne_pairs - mine)[:4]))
        print("  neighbours of the demo net turned by ~%g rad: %d pairs, equal to find_ch_adjacency: %s" %
              (turn, len(mine), mine == mne_pairs))
