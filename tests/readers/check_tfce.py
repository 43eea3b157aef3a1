"""orva cluster-test --tfce against threshold-free cluster enhancement written here in NumPy
and against MNE-Python's.

TFCE (Smith & Nichols 2009, E = 0.5, H = 2): a point's score is the sum over the heights
h = dh, 2 dh, ... up to its |t| of extent(h)^E h^H dh, extent(h) being the size of its
cluster among the points at or above h. Here the clusters of every height are the connected
components of one graph (scipy.sparse.csgraph) over the channel-neighbour x time adjacency
that holds each height's points as a block of its own; the null is every sign pattern of the
subjects (exact), so orva's null file is compared value by value, pattern by pattern.
"""
import numpy as np
import scipy.sparse
import scipy.sparse.csgraph

import mne

N, CHANNELS, SAMPLES, STEP = 7, 12, 30, 0.1


def extents(x, heights, strict, rows, cols):
    """[height][point]: the size of the point's cluster among the points of x at (or strictly
    above) the height, 0 where the point lies below it. rows, cols: the adjacency's pairs."""
    points, levels = x.size, heights.size
    member = x[None, :] > heights[:, None] if strict else x[None, :] >= heights[:, None]
    level, edge = np.nonzero(member[:, rows] & member[:, cols])
    at = level * points
    graph = scipy.sparse.csr_matrix((np.ones(level.size), (at + rows[edge], at + cols[edge])),
                                    shape=(levels * points, levels * points))
    _, labels = scipy.sparse.csgraph.connected_components(graph, directed=False)
    return np.where(member, np.bincount(labels)[labels].reshape(levels, points), 0)


def tfce(t, rows, cols, tails=(1, -1)):
    """The paper's scores of a map t, signed as t."""
    scores = np.zeros(t.size)
    for s in tails:
        x = s * t
        heights = np.arange(1, int(x.max() / STEP) + 2) * STEP  # k * dh, as orva steps
        heights = heights[heights <= x.max()]
        if heights.size:
            scores += s * (np.sqrt(extents(x, heights, False, rows, cols)) * (heights ** 2 * STEP)[:, None]).sum(0)
    return scores


def t_map(x):
    """One-sample t of subject x points, two-pass."""
    return x.mean(0) / np.sqrt(x.var(0, ddof=1) / x.shape[0])


def patterns(n, count):
    """Sign patterns 0 .. count - 1: subject i flipped where bit i of the index is set."""
    k = np.arange(count)[:, None]
    return 1 - 2 * ((k >> np.arange(n)[None, :]) & 1)


def read_points(path, channels, samples):
    """tfce and p_corrected of the points table, [channel][sample] flattened."""
    import csv
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    assert len(rows) == channels * samples
    return (np.array([float(r["tfce"]) for r in rows]), np.array([float(r["p_corrected"]) for r in rows]))


def check_tfce(c, rng, check):
    study = c.write_study("tfce.ave", rng, N, 50, channels=CHANNELS, samples=SAMPLES)
    X = (study[0] - study[1]).reshape(N, -1)  # subject, time x channel (MNE's order of points)
    full = mne.stats.combine_adjacency(SAMPLES, c.write_grid("tfce_grid.txt", CHANNELS)).tocoo()
    rows, cols = full.row[full.row != full.col], full.col[full.row != full.col]
    to_orva = np.arange(SAMPLES * CHANNELS).reshape(SAMPLES, CHANNELS).T.ravel()  # channel x sample order

    for tail, name in ((0, "both"), (1, "positive")):
        count = 2 ** (N - (tail == 0))
        base = c.path("tfce_" + name)
        c.run("cluster-test", c.path("tfce.ave"), "--cells", 1, 2, "--neighbours", c.path("tfce_grid.txt"), "--tfce",
              "--tail", name, "--permutations", count, "--points", base + "_points.csv", "--null", base + "_null.txt")
        scores, p = read_points(base + "_points.csv", CHANNELS, SAMPLES)
        ours_null = np.loadtxt(base + "_null.txt")
        tails = (1, -1) if tail == 0 else (1,)
        maps = [tfce(t_map(signs[:, None] * X), rows, cols, tails) for signs in patterns(N, count)]
        null = np.array([np.max(np.abs(m)) if tail == 0 else max(np.max(m), 0.0) for m in maps])
        observed = maps[0]
        expected_p = np.array([np.mean(null >= (abs(v) if tail == 0 else v)) for v in observed])
        worst_score = np.max(np.abs(scores - observed[to_orva]))
        worst_p = np.max(np.abs(p - expected_p[to_orva]))
        # The null at full precision, pattern by pattern; the table's scores and p with 6 decimals.
        check(ours_null.size == count and np.allclose(ours_null, null, rtol=1e-9, atol=1e-12),
              "TFCE %s: the null differs from NumPy's (largest difference %g)" %
              (name, np.max(np.abs(ours_null - null)) if ours_null.size == count else np.inf))
        check(worst_score <= 5e-7 + 1e-12 * np.max(np.abs(observed)), "TFCE %s: scores differ by %g" % (name, worst_score))
        check(worst_p <= 5e-7, "TFCE %s: p differ from NumPy's by %g" % (name, worst_p))
        print("  TFCE %s: %d patterns; the null equals NumPy's, scores within %.2g, p within %.2g (%d points p < 0.05)" %
              (name, count, worst_score, worst_p, np.sum(p < 0.05)))
        if tail == 0:
            check_against_mne(check, X, full, count, null, observed, to_orva, p)


def check_against_mne(check, X, full, count, null, observed, to_orva, p):
    """MNE-Python's TFCE on the same differences and patterns."""
    T, _, mne_p, H0 = mne.stats.permutation_cluster_1samp_test(
        X.reshape(N, SAMPLES, CHANNELS), threshold=dict(start=0, step=STEP), n_permutations=count, tail=0,
        adjacency=full.tocsr(), out_type="mask", seed=0)
    raise NotImplementedError
