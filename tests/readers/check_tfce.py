"""orva cluster-test --tfce against threshold-free cluster enhancement written here in NumPy
and against MNE-Python's.

TFCE (Smith & Nichols 2009, E = 0.5, H = 2): a point's score is the sum over the heights
h = dh, 2 dh, ... up to its |t| of extent(h)^E h^H dh, extent(h) being the size of its
cluster among the points at or above h. Here the clusters of every height are the connected
components of one graph (scipy.sparse.csgraph) over the channel-neighbour x time adjacency
that holds each height's points as a block of its own; the null is every sign pattern of the
subjects (exact), so orva's null file is compared value by value, pattern by pattern.
"""
import csv

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
    """The paper's scores of a map t, signed as t, and MNE-Python 1.3's (see below)."""
    paper, theirs = np.zeros(t.size), np.zeros(t.size)
    for s in tails:
        x = s * t
        heights = np.arange(1, int(x.max() / STEP) + 2) * STEP  # k * dh, as orva steps
        heights = heights[heights <= x.max()]
        if heights.size:
            root = np.sqrt(extents(x, heights, False, rows, cols))
            paper += s * (root * (heights ** 2 * STEP)[:, None]).sum(0)
            theirs += s * (root * STEP ** 2).sum(0)
    return paper, theirs


def t_map(x):
    """One-sample t of subject x points, two-pass."""
    return x.mean(0) / np.sqrt(x.var(0, ddof=1) / x.shape[0])


def patterns(n, count):
    """Sign patterns 0 .. count - 1: subject i flipped where bit i of the index is set."""
    k = np.arange(count)[:, None]
    return 1 - 2 * ((k >> np.arange(n)[None, :]) & 1)


def read_points(path, channels, samples):
    """tfce and p_corrected of the points table, [channel][sample] flattened."""
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    assert len(rows) == channels * samples
    return (np.array([float(r["tfce"]) for r in rows]), np.array([float(r["p_corrected"]) for r in rows]))


def check_tfce(c, rng, check):
    study = c.write_study("tfce.ave", rng, N, 90, channels=CHANNELS, samples=SAMPLES)
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
        maps = [tfce(t_map(signs[:, None] * X), rows, cols, tails)[0] for signs in patterns(N, count)]
        null = np.array([np.max(np.abs(m)) if tail == 0 else max(np.max(m), 0.0) for m in maps])
        observed = maps[0]
        expected_p = np.array([np.mean(null >= (abs(v) if tail == 0 else v)) for v in observed])
        worst_score = np.max(np.abs(scores - observed[to_orva]))
        worst_p = np.max(np.abs(p - expected_p[to_orva]))
        # The null at full precision, pattern by pattern; the table's scores and p with 6 decimals.
        same = ours_null.size == count and np.allclose(ours_null, null, rtol=1e-9, atol=1e-12)
        check(same, "TFCE %s: the null differs from NumPy's (%d values, NumPy %d)" % (name, ours_null.size, count))
        # 6 decimals, and the order of the sums over the heights.
        bound = 5e-7 + 1e-9 * np.max(np.abs(observed))
        check(worst_score <= bound, "TFCE %s: scores differ from NumPy's by %g" % (name, worst_score))
        check(worst_p <= 5e-7 * (1 + 1e-6), "TFCE %s: p differ from NumPy's by %g" % (name, worst_p))
        print("  TFCE %s: the null of all %d patterns equals NumPy's, scores within %.2g, p within %.2g "
              "(%d points p < 0.05)" % (name, count, worst_score, worst_p, np.sum(p < 0.05)))
    check_against_mne(check, X)


def check_against_mne(check, X):
    """MNE-Python 1.3's TFCE, tried as a client: its scores are dh^H sum_h extent(h)^E over the
    heights h = dh, 2 dh, ... below |t| (with start=0 the height 0 is not taken), a weight
    that does not grow with h. That is no multiple of the paper's score, and its p values
    differ from the paper's, so MNE is compared with the same NumPy extents weighted as MNE
    weights them (scores, null and p), which checks the clusters per height that orva's
    comparison above rests on. MNE's TFCE clusters every height of every permutation in
    Python: a corner of the study (5 subjects, 16 patterns; 6 channels x 15 samples) keeps
    it to about a second."""
    n, channels, samples = 5, 6, 15
    part = X.reshape(N, SAMPLES, CHANNELS)[:n, 8:8 + samples, :channels]
    full = mne.stats.combine_adjacency(samples, grid_part(channels)).tocoo()
    rows, cols = full.row[full.row != full.col], full.col[full.row != full.col]
    count = 2 ** (n - 1)
    T, _, mne_p, H0 = mne.stats.permutation_cluster_1samp_test(
        part, threshold=dict(start=0, step=STEP), n_permutations=count, tail=0, adjacency=full.tocsr(),
        out_type="mask", seed=0)
    flat = part.reshape(n, -1)
    maps = [tfce(t_map(signs[:, None] * flat), rows, cols)[1] for signs in patterns(n, count)]
    null = np.array([np.max(np.abs(m)) for m in maps])
    expected_p = np.array([np.mean(null >= abs(v)) for v in maps[0]])
    worst = np.max(np.abs(T.ravel() - maps[0]))
    check(worst <= 1e-9 * np.max(np.abs(maps[0])), "TFCE: MNE's scores differ from dh^H sum extent^E by %g" % worst)
    check(H0.size == count and np.allclose(np.sort(H0), np.sort(null), rtol=1e-9, atol=0),
          "TFCE: MNE's null differs from NumPy's with MNE's weights")
    check(np.array_equal(np.asarray(mne_p), expected_p), "TFCE: MNE's p differ from NumPy's with MNE's weights")
    print("  TFCE, MNE-Python: scores, null (%d patterns) and p equal NumPy's extents weighted by dh^H; "
          "the paper's weights differ" % count)


def grid_part(channels, width=6):
    """The first `channels` of the grid of check_cluster (one row of 6 for 6)."""
    pairs = [(a, b) for a in range(channels) for b in range(channels) if abs(a - b) == width or
             (abs(a - b) == 1 and min(a, b) % width != width - 1)]
    rows, cols = zip(*pairs)
    return scipy.sparse.coo_matrix((np.ones(len(rows)), (rows, cols)), shape=(channels, channels))
