"""File.cluster_test and orva.cluster_test: the dict, its agreement with the batch tool's
tables, and the t values against NumPy."""
import os
import sys

import numpy as np
import pytest

import orva


@pytest.fixture()
def study(tmp_path):
    sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "readers"))
    import orva_files as of
    rng = np.random.default_rng(4)
    a = np.round(rng.normal(0, 40, (6, 20, 4)))
    b = np.round(rng.normal(0, 40, (6, 20, 4)))
    a[:, 5:12, :2] += 80
    path = tmp_path / "study.ave"
    of.write_data_file(str(path), of.AVERAGE, [of.Cell(b"A", a, rate=250), of.Cell(b"B", b, rate=250)],
                       zeros=[0] * 4, gains=[1] * 4, scale_bins=8, baseline_ms=0)
    nb = tmp_path / "nb.txt"
    nb.write_text("E1: E2\nE2: E1 E3\nE3: E2 E4\nE4: E3\n")
    return path, nb, (a - b) / 8


def test_paired_test_gives_t_clusters_and_tables(study):
    path, nb, diff = study
    f = orva.read(path)
    r = f.cluster_test([1, 2], neighbours=nb, permutations=31)
    x = diff.transpose(0, 2, 1)  # subject, channel, sample
    t = x.mean(0) / np.sqrt(x.var(0, ddof=1) / x.shape[0])
    assert r["t"].shape == (4, 20)
    np.testing.assert_allclose(r["t"], t, rtol=1e-12)
    # 6 subjects, two tails: 2^5 = 32 sign patterns; fewer asked for are drawn at random.
    assert r["exact"] is False and r["null"].size == 31
    r = f.cluster_test([1, 2], neighbours=nb, permutations=100)
    assert r["exact"] and r["null"].size == 32
    assert r["clusters"], "the effect makes a cluster"
    first = r["clusters"][0]
    assert first["mask"].shape == (4, 20) and first["sign"] == 1
    assert np.isclose(first["mass"], r["t"][first["mask"]].sum())
    assert first["p"] == np.mean(np.abs(r["null"]) >= abs(first["mass"]))
    assert np.all(r["p_corrected"][first["mask"]] == first["p"])
    assert r["cluster_table"]["mass"][0] == round(first["mass"], 6)
    assert len(r["point_table"]["t"]) == 80


def test_corrections_and_refusals(study):
    path, nb, _ = study
    f = orva.read(path)
    r = f.cluster_test([1, 2], correction="bonferroni")
    assert r["clusters"] == [] and np.all(r["p_corrected"] <= 1)
    with pytest.raises(orva.Error):
        f.cluster_test([1, 2], neighbours=nb, threshold=-1)
    with pytest.raises(orva.Error):
        f.cluster_test([1, 2], neighbours=nb, window=(900, 1000))
    with pytest.raises(ValueError):
        f.cluster_test([1, 2], neighbours=nb, tail="up")


def test_two_files_as_groups(study):
    path, nb, _ = study
    f = orva.read(path)
    r = orva.cluster_test(f, f, [1], neighbours=nb, threshold=2.0, permutations=1000)
    assert np.all(r["t"] == 0)  # the same subjects in both groups
    assert r["exact"] and r["null"].size == 924  # C(12, 6)
