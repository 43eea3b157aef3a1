"""Sensor positions and bad channels repaired, against MNE-Python.

orva interpolate of 1, 3 and 8 channels against MNE's interpolate_bads on the same data
(the input's BrainVision export) with a montage of the same positions in the head frame
and origin (0, 0, 0): the demo's positions and layouts made here (64 sensors in a BIDS
electrodes.tsv, 20 sensors in an .sfp with fiducials and a label of no channel, and the 64
moved away from the origin, given with --origin). Every repaired value must lie within
1e-3 uV plus half a step of the written file's resolution. MNE's read_custom_montage must
read demo.sfp with every position as written.
"""
import os

import numpy as np

import mne
import orva_files as of

BOUND_UV = 1e-3


def read_sfp(path):
    """label -> (x, y, z) of every line that is not a fiducial."""
    positions = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            fields = line.split()
            if fields and not fields[0].lower().startswith("fid"):
                positions[fields[0]] = np.array([float(v) for v in fields[1:4]])
    return positions


def layout(rng, count, lowest_z):
    """count sensors at random directions above z = lowest_z (of the unit sphere), at
    distances of 8.5 to 9.5 cm from the centre: only the directions may count."""
    positions = {}
    while len(positions) < count:
        d = rng.normal(size=3)
        d /= np.linalg.norm(d)
        if d[2] > lowest_z:
            positions["E%d" % (len(positions) + 1)] = np.round(d * rng.uniform(8.5, 9.5), 4)
    return positions


def write_sfp(path, positions, extra):
    with open(path, "w", encoding="ascii", newline="\r\n") as f:
        f.write("FidNz 0 9.4 -2.1\nFidT9\t-8.3 0 -3.6\nFidT10 8.3 0 -3.6\n")
        for name, p in list(positions.items()) + list(extra.items()):
            f.write("%s\t%.4f\t%.4f\t%.4f\n" % (name, *p))


def write_tsv(path, positions):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("name\tx\ty\tz\ttype\n")
        for name, p in positions.items():
            f.write("%s\t%.4f\t%.4f\t%.4f\tEEG\n" % (name, *p))


def smooth_cells(rng, channels, cells, obs, samples, centre, spread):
    """Raw samples that vary smoothly over time, with noise: data a net records."""
    t = np.arange(samples)[None, :, None]
    out = []
    for c in range(cells):
        phase = rng.uniform(0, 6, size=(obs, 1, channels))
        amp = rng.uniform(0.2, 1, size=(obs, 1, channels)) * spread
        data = centre + amp * np.sin(2 * np.pi * t / samples * (1 + c) + phase) + rng.normal(0, spread / 20, (obs, samples, channels))
        out.append(of.Cell(b"cell %d" % (c + 1), np.round(data).astype(np.int64)))
    return out


def resolution(info):
    """Half a step of each channel's stored value, in uV."""
    if info["version"] == of.AVERAGE:
        return np.full(info["channels"], 0.5 / abs(info["scale_bins"]))
    return 0.5 * 400.0 / np.abs(info["gains"].astype(np.float64))


def mne_repaired(bin_dir, orva, work, data_file, positions, chans, exclude, origin, name):
    """The channels chans (numbers from 1) as MNE's interpolate_bads repairs them, in uV,
    [channel][sample] over every epoch of the input's BrainVision export."""
    vhdr = os.path.join(work, name + ".vhdr")
    orva(bin_dir, "export-brainvision", data_file, "-o", vhdr)
    raw = mne.io.read_raw_brainvision(vhdr, preload=True)
    raw.drop_channels(["E%d" % h for h in exclude])
    # The positions in metres, as seen from the origin: MNE's head frame, origin (0, 0, 0).
    ch_pos = {n: (p - np.asarray(origin)) / 100 for n, p in positions.items() if n in raw.ch_names}
    raw.set_montage(mne.channels.make_dig_montage(ch_pos=ch_pos, coord_frame="head"))
    raw.info["bads"] = ["E%d" % h for h in chans]
    raw.interpolate_bads(reset_bads=True, origin=(0.0, 0.0, 0.0))
    return raw.get_data(picks=["E%d" % h for h in chans]) * 1e6


def compare(bin_dir, check, orva, expected_values, work, case):
    name, data_file, positions_file, positions, chans, exclude, origin = case
    stem = name.replace(" ", "_").replace("-", "")
    out = os.path.join(work, stem + "_repaired" + os.path.splitext(data_file)[1])
    args = ["interpolate", data_file, "--positions", positions_file, "--chans", " ".join(map(str, chans)), "-o", out]
    if exclude:
        args += ["--exclude", " ".join(map(str, exclude))]
    if any(origin):
        args += ["--origin", *("%g" % v for v in origin)]
    orva(bin_dir, *args)
    info = of.read_data_file(out)
    ours = expected_values(info)[[h - 1 for h in chans]]
    theirs = mne_repaired(bin_dir, orva, work, data_file, positions, chans, exclude, origin, stem)
    bound = BOUND_UV + resolution(info)[[h - 1 for h in chans]][:, None]
    excess = np.abs(ours - theirs) - bound
    worst = np.unravel_index(np.argmax(excess), excess.shape)
    largest = np.abs(ours - theirs).max()
    check(excess.max() <= 0, "interpolate %s: channel E%d differs from MNE by %.3g uV (bound %.3g)" %
          (name, chans[worst[0]], abs(ours - theirs)[worst], bound[worst[0], 0]))
    print("  interpolate %-24s %d channel%s: largest difference from MNE %.2e uV (bound 1e-3 + resolution, "
          "at most %.2e)" % (name.rsplit(" ", 1)[0] if name[-1].isdigit() else name, len(chans), "" if len(chans) == 1 else "s", largest, bound.max()))


def check_demo_montage(bin_dir, check):
    path = os.path.join(bin_dir, "demo.sfp")
    written = read_sfp(path)
    montage = mne.channels.read_custom_montage(path, head_size=None)
    read = montage.get_positions()["ch_pos"]
    check(list(read) == list(written), "read_custom_montage(demo.sfp): names %s..." % list(read)[:4])
    largest = max(np.abs(read[n] - p).max() for n, p in written.items() if n in read)
    # MNE keeps the coordinates in single precision.
    check(largest <= 1e-6 * 10, "read_custom_montage(demo.sfp): a position differs by %.3g" % largest)
    print("  read_custom_montage(demo.sfp): %d positions, largest difference %.2e cm (float32)" % (len(read), largest))


def check_positions(bin_dir, work, check, orva, expected_values):
    work = os.path.join(work, "positions")
    os.makedirs(work, exist_ok=True)
    check_demo_montage(bin_dir, check)
    rng = np.random.default_rng(24)
    demo_sfp = os.path.join(bin_dir, "demo.sfp")
    demo = read_sfp(demo_sfp)

    net64 = layout(rng, 64, -0.3)
    tsv64 = os.path.join(work, "net64_electrodes.tsv")
    write_tsv(tsv64, net64)
    net20 = layout(rng, 20, 0.0)
    sfp20 = os.path.join(work, "net20.sfp")
    write_sfp(sfp20, net20, {"REF": np.array([0.0, -2.0, 9.0])})
    origin = (0.5, -1.0, 2.0)
    moved = {n: p + np.asarray(origin) for n, p in net64.items()}
    sfp_moved = os.path.join(work, "moved.sfp")
    write_sfp(sfp_moved, moved, {})

    files = {}
    for channels, tag in ((64, "64"), (20, "20")):
        ave = os.path.join(work, "net%s.ave" % tag)
        of.write_data_file(ave, of.AVERAGE, smooth_cells(rng, channels, 2, 3, 60, 0, 4000), zeros=[0] * channels,
                           gains=[1] * channels, scale_bins=200, baseline_ms=100)
        ses = os.path.join(work, "net%s.ses" % tag)
        gains = list(rng.integers(1500, 1800, size=channels))
        of.write_data_file(ses, of.SESSION, smooth_cells(rng, channels, 2, 4, 100, 2048, 600),
                           zeros=[2048] * channels, gains=gains)
        files[tag] = (ave, ses)

    cases = [
        ("demo.ave 1", os.path.join(bin_dir, "demo.ave"), demo_sfp, demo, [5], [], (0, 0, 0)),
        ("demo.ave 3", os.path.join(bin_dir, "demo.ave"), demo_sfp, demo, [1, 30, 64], [], (0, 0, 0)),
        ("demo.ses 8", os.path.join(bin_dir, "demo.ses"), demo_sfp, demo, [2, 9, 17, 23, 38, 44, 51, 60], [], (0, 0, 0)),
        ("tsv64.ave 8 exclude", files["64"][0], tsv64, net64, [3, 4, 11, 20, 33, 47, 58, 63], [12, 40], (0, 0, 0)),
        ("tsv64.ses 1", files["64"][1], tsv64, net64, [64], [], (0, 0, 0)),
        ("sfp20.ave 3", files["20"][0], sfp20, net20, [1, 7, 20], [], (0, 0, 0)),
        ("sfp20.ses 1", files["20"][1], sfp20, net20, [13], [], (0, 0, 0)),
        ("moved64.ses 3 --origin", files["64"][1], sfp_moved, moved, [2, 31, 50], [], origin),
        ("moved64.ave 8 --origin", files["64"][0], sfp_moved, moved, [1, 6, 14, 22, 35, 41, 55, 61], [], origin),
    ]
    for case in cases:
        compare(bin_dir, check, orva, expected_values, work, case)
