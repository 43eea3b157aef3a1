"""orva cluster-test cross-checked against MNE-Python's cluster permutation tests.

A study of 7 subjects x 12 channels x 30 samples (two cells, an effect at some channels and
samples) is written here, exported to BrainVision and read by MNE; MNE's
permutation_cluster_1samp_test runs on the per-subject differences with the full
space-time adjacency (mne.stats.combine_adjacency) and exact enumeration (n_permutations =
2 ** (n - 1)), two-tailed and each one tail, and is compared with the tables and the null
orva writes. Independent groups (two files) are compared for T and the clusters with
spatio_temporal_cluster_test(stat_fun=ttest_ind_no_p), and their null with an enumeration
of every split in NumPy. FDR and Bonferroni against mne.stats; TFCE (check_tfce.py) against
TFCE written here in NumPy and against MNE's. Small sizes keep every exact enumeration short.
"""
import csv
import itertools
import os

import numpy as np
import scipy.sparse
import scipy.sparse.csgraph
import scipy.stats

import mne
import orva_files as of
from check_tfce import check_tfce

N, CHANNELS, SAMPLES = 7, 12, 30


def grid_neighbours(channels, width=6):
    """Channels on a grid of `width` columns, each the neighbour of the four around it."""
    out = []
    for c in range(channels):
        r, k = divmod(c, width)
        out.append(sorted(d for d in (c - width, c + width, c - 1 if k > 0 else -1, c + 1 if k + 1 < width else -1)
                          if 0 <= d < channels))
    return out


def read_table(path):
    with open(path, encoding="utf-8", newline="") as f:
        return list(csv.DictReader(f))


def points_table(path, channels=CHANNELS, samples=SAMPLES):
    """t per point and the cluster of each point, as [channel][sample] arrays."""
    rows = read_table(path)
    t = np.zeros((channels, samples))
    cluster = np.zeros((channels, samples), dtype=int)
    for row in rows:
        c, s = int(row["channel"]) - 1, int(row["sample"]) - 1
        t[c, s] = float(row["t"])
        cluster[c, s] = int(row["cluster"]) if row["cluster"] else 0
    return t, cluster


class ClusterChecks:
    def __init__(self, bin_dir, work, check, orva):
        self.bin, self.work, self.check, self.orva = bin_dir, os.path.join(work, "cluster"), check, orva
        os.makedirs(self.work, exist_ok=True)

    def path(self, name):
        return os.path.join(self.work, name)

    def run(self, *args):
        return self.orva(self.bin, *[str(a) for a in args])

    def write_study(self, name, rng, n, effect, cells=2, channels=CHANNELS, samples=SAMPLES):
        """The study as MNE reads it: cell, subject, time, channel, in volts. The effect lies
        in the middle third of the channels and of the samples of the first cell."""
        values = [rng.normal(0, 40, (n, samples, channels)) for _ in range(cells)]
        values[0][:, samples // 3:2 * samples // 3, channels // 3:2 * channels // 3] += effect
        # ScaleBins 8: every value k / 8 is exact in float32, so MNE reads what orva tests.
        of.write_data_file(self.path(name), of.AVERAGE,
                           [of.Cell(b"AB"[i:i + 1], np.round(v), rate=250) for i, v in enumerate(values)],
                           zeros=[0] * channels, gains=[1] * channels, scale_bins=8, baseline_ms=40)
        vhdr = self.path(name + ".vhdr")
        self.run("export-brainvision", self.path(name), "-o", vhdr)
        raw = mne.io.read_raw_brainvision(vhdr, preload=True)
        data = raw.get_data()  # channels x (cells x subjects x samples), in volts
        return data.reshape(channels, cells, n, samples).transpose(1, 2, 3, 0)

    def write_grid(self, name, channels):
        """The grid's neighbours file and the full space-time adjacency MNE and NumPy use."""
        neighbours = grid_neighbours(channels)
        with open(self.path(name), "w", encoding="utf-8") as f:
            for ch, nb in enumerate(neighbours):
                f.write("E%d: %s\n" % (ch + 1, " ".join("E%d" % (d + 1) for d in nb)))
        rows = [ch for ch, nb in enumerate(neighbours) for _ in nb]
        cols = [d for nb in neighbours for d in nb]
        return scipy.sparse.coo_matrix((np.ones(len(rows)), (rows, cols)), shape=(channels, channels))

    def compare(self, what, tail, orva_t, orva_cluster, orva_table, null_file, mne_t, mne_clusters, mne_p, mne_h0):
        """mne_t: time x channel; mne_clusters: masks time x channel."""
        T = mne_t.T
        worst_t = np.max(np.abs(orva_t - T))
        self.check(worst_t <= 5e-7 * (1 + 1e-9), "%s: T differs by %g (the table has 6 decimals)" % (what, worst_t))
        ours = {}
        for k in range(1, orva_cluster.max() + 1):
            ours[tuple(np.flatnonzero(orva_cluster == k))] = k
        theirs = {tuple(np.flatnonzero(m.T)): i for i, m in enumerate(mne_clusters)}
        self.check(set(ours) == set(theirs), "%s: %d clusters, MNE %d; points differ" % (what, len(ours), len(theirs)))
        worst_mass = 0.0
        for points, k in ours.items():
            if points not in theirs:
                continue
            i = theirs[points]
            row = orva_table[k - 1]
            mass = float(np.sum(mne_t.T.ravel()[list(points)]))
            worst_mass = max(worst_mass, abs(float(row["mass"]) - mass))
            if mne_p is not None:
                expected = mne_p[i]
                if tail != 0 and null_file is not None:
                    # MNE's null holds the observed value in place of the all-flipped one.
                    null = np.loadtxt(null_file)
                    extreme = (lambda v: v >= float(row["mass"]) - 1e-6) if tail > 0 else (lambda v: v <= float(row["mass"]) + 1e-6)
                    expected = mne_p[i] - (int(extreme(null[0])) - int(extreme(null[-1]))) / null.size
                self.check(abs(float(row["p"]) - expected) <= 5e-7 * (1 + 1e-6), "%s: cluster %d p %s, MNE %r" % (what, k, row["p"], mne_p[i]))
        if null_file is not None:
            ours_null = np.loadtxt(null_file)
            if tail != 0:
                # MNE-Python 1.3's exact one-tailed enumeration takes the observed signs twice
                # and never the flip of every subject (orva's last pattern): compared as such.
                ours_null[-1] = ours_null[0]
            ours_null = np.sort(ours_null)
            # Two-tailed, MNE keeps the largest |mass| with its sign.
            theirs_null = np.sort(np.abs(mne_h0) if tail == 0 else mne_h0)
            same = ours_null.shape == theirs_null.shape and np.allclose(ours_null, theirs_null, rtol=1e-9, atol=0)
            self.check(same, "%s: the null differs (%d values, MNE %d)" % (what, ours_null.size, theirs_null.size))
        print("  cluster test %s: %d clusters equal to MNE's, masses within %.2g, p equal" %
              (what, len(ours), worst_mass))


def check_cluster(bin_dir, work, check, orva):
    c = ClusterChecks(bin_dir, work, check, orva)
    rng = np.random.default_rng(33)
    study = c.write_study("study.ave", rng, N, 40)
    full = mne.stats.combine_adjacency(SAMPLES, c.write_grid("grid.txt", CHANNELS))
    X = study[0] - study[1]  # subject, time, channel

    for tail, name, threshold in ((0, "both", None), (1, "positive", 2.5), (-1, "negative", 2.5)):
        base = c.path("paired_" + name)
        args = ["cluster-test", c.path("study.ave"), "--cells", 1, 2, "--neighbours", c.path("grid.txt"),
                "--permutations", 2 ** (N - (tail == 0)), "--tail", name, "-o", base + ".csv",
                "--points", base + "_points.csv", "--null", base + "_null.txt"]
        if threshold:
            args += ["--threshold", threshold]
        c.run(*args)
        mne_threshold = None if threshold is None else threshold * (tail or 1)
        T, clusters, p, H0 = mne.stats.permutation_cluster_1samp_test(
            X, threshold=mne_threshold, n_permutations=2 ** (N - (tail == 0)), tail=tail, adjacency=full,
            out_type="mask", seed=0)
        orva_t, orva_cluster = points_table(base + "_points.csv")
        c.compare("paired, " + name, tail, orva_t, orva_cluster, read_table(base + ".csv"), base + "_null.txt",
                  T, clusters, p, H0)

    # Two groups of 4 and 5 subjects (two files): 126 splits, every one enumerated.
    g1 = c.write_study("group1.ave", rng, 4, 60, cells=1)[0]
    g2 = c.write_study("group2.ave", rng, 5, 0, cells=1)[0]
    base = c.path("groups")
    c.run("cluster-test", c.path("group1.ave"), c.path("group2.ave"), "--cells", 1, "--neighbours", c.path("grid.txt"),
          "--threshold", 2.0, "--permutations", 1000, "-o", base + ".csv", "--points", base + "_points.csv",
          "--null", base + "_null.txt")
    # Only T and the clusters are compared: a few permutations suffice.
    T, clusters, p, H0 = mne.stats.spatio_temporal_cluster_test(
        [g1, g2], threshold=2.0, n_permutations=8, tail=0, adjacency=full, stat_fun=mne.stats.ttest_ind_no_p,
        out_type="mask", seed=0)
    orva_t, orva_cluster = points_table(base + "_points.csv")
    # MNE-Python 1.3 keeps the signed largest mass of each permutation here: its p are not compared.
    c.compare("independent groups", 0, orva_t, orva_cluster, read_table(base + ".csv"), None, T, clusters, None, None)
    # The null by enumeration here: every choice of the first group's 4 of the 9.
    both = np.concatenate([g1, g2])
    graph = full.tocsr()
    null = []
    for members in itertools.combinations(range(9), 4):
        mask = np.zeros(9, bool)
        mask[list(members)] = True
        t = mne.stats.ttest_ind_no_p(both[mask], both[~mask]).ravel()
        sign = np.where(t > 2.0, 1, np.where(t < -2.0, -1, 0))
        largest = 0.0
        for s in (1, -1):
            if not np.any(sign == s):
                continue
            count, labels = scipy.sparse.csgraph.connected_components(
                graph[sign == s][:, sign == s], directed=False)
            sums = np.bincount(labels, weights=t[sign == s], minlength=count)
            largest = max(largest, np.max(np.abs(sums)))
        null.append(largest)
    ours_null = np.sort(np.loadtxt(base + "_null.txt"))
    check(ours_null.size == 126 and np.allclose(ours_null, np.sort(null), rtol=1e-9, atol=0),
          "independent groups: the null of every split differs from NumPy's enumeration")
    print("  cluster test, independent groups: the null of all 126 splits equals NumPy's enumeration")

    # FDR and Bonferroni over the points. The table's t has 6 decimals: the p values MNE
    # corrects are computed from full-precision t.
    t_full = mne.stats.ttest_1samp_no_p(X).T.ravel()
    p = 2 * scipy.stats.t.sf(np.abs(t_full), N - 1)
    for method, mne_call in (("fdr", lambda q: mne.stats.fdr_correction(q)[1]),
                             ("bonferroni", lambda q: mne.stats.bonferroni_correction(q)[1])):
        base = c.path("corrected_" + method)
        c.run("cluster-test", c.path("study.ave"), "--cells", 1, 2, "--correction", method, "--points", base + ".csv")
        rows = read_table(base + ".csv")
        t = np.array([float(r["t"]) for r in rows])
        ours = np.array([float(r["p_corrected"]) for r in rows])
        theirs = mne_call(p)
        check(np.max(np.abs(t - t_full)) <= 5e-7 and np.max(np.abs(ours - theirs)) <= 5e-7,
              "%s: corrected p differ from mne.stats by %g" % (method, np.max(np.abs(ours - theirs))))
    print("  cluster test, FDR and Bonferroni: equal to mne.stats within the table's 6 decimals")

    check_tfce(c, rng, check)
