# File.quality: the table of "orva quality" as NumPy columns, its SME recomputed here from
# the calibrated values that Cell.data() gives, and the interpreter left free while it runs.
import csv
import threading

import numpy as np
import pytest

from conftest import run_orva

import orva


def read_table(path):
    with open(path, newline="", encoding="utf-8") as handle:
        return list(csv.DictReader(handle))


CASES = [
    ({"peak_to_peak": 100, "flat": 0.5, "baseline_ms": 200},
     ["--peak-to-peak", "100", "--flat", "0.5", "--baseline-ms", "200"]),
    ({"windows": [(250, 500), (-20, 3)], "obs": list(range(1, 31)), "cells": [2], "bootstrap": 50, "seed": 3,
      "measures": ["mean", "peak-latency"], "polarity": "negative", "neighbours": 2},
     ["--window", "250", "500", "--window", "-20", "3", "--obs", " ".join(str(o) for o in range(1, 31)), "--cells", "2", "--bootstrap", "50",
      "--seed", "3", "--measure", "mean", "--measure", "peak-latency", "--polarity", "negative",
      "--neighbours", "2"]),
]


@pytest.mark.parametrize("keywords,options", CASES)
def test_quality_equals_the_table_of_orva_quality(tmp_path, demo_ses, keywords, options):
    out = tmp_path / "quality.csv"
    run_orva("quality", demo_ses, "-o", out, *options)
    rows = read_table(out)
    table = orva.read(demo_ses).quality(**keywords)
    assert list(table) == list(rows[0])
    assert len(table["asme"]) == len(rows)
    for column in ("cell", "channel", "trials"):
        np.testing.assert_array_equal(table[column], [int(r[column]) for r in rows])
    assert list(table["cell_name"]) == [r["cell_name"] for r in rows]
    for column in list(rows[0])[4:]:
        if column == "trials":
            continue
        expected = [float(r[column]) if r[column] else np.nan for r in rows]
        np.testing.assert_allclose(table[column], expected, atol=5e-5, err_msg=column)


def test_asme_recomputed_from_the_calibrated_values(demo_ses):
    f = orva.read(demo_ses)
    table = f.quality(windows=[(100, 200)], peak_to_peak=100, flat=0.5)
    kept = f.artifacts(peak_to_peak=100, flat=0.5)
    at = 0
    for c, cell in enumerate(f.cells):
        good = [o for o in range(len(kept["status"])) if kept["cell"][o] == c + 1 and kept["status"][o] == "good"]
        good = [int(kept["observation"][o]) - 1 for o in good]
        data = cell.data()[good]  # trials x channels x samples; 250 Hz, 0 ms at the first sample
        times = np.arange(data.shape[2]) * 4.0
        means = data[:, :, (times >= 100) & (times <= 200)].mean(axis=2)
        expected = means.std(axis=0, ddof=1) / np.sqrt(len(good))
        rows = slice(at, at + data.shape[1])
        np.testing.assert_allclose(table["asme"][rows], expected, rtol=1e-12)
        assert (table["trials"][rows] == len(good)).all()
        assert np.isnan(table["baseline_sd"][rows]).all()  # nothing lies before 0 ms
        at += data.shape[1]


def test_refusals(demo_ave, demo_ses, tmp_path):
    with pytest.raises(orva.Error, match="subjects, not trials"):
        orva.read(demo_ave).quality()
    f = orva.read(demo_ses)
    with pytest.raises(orva.Error, match="go together"):
        f.quality(measures=["mean"])
    with pytest.raises(ValueError, match="not both"):
        f.quality(peak_to_peak=100, reject_list=tmp_path / "r.csv")
    with pytest.raises(ValueError, match="median"):
        f.quality(bootstrap=10, measures=["median"])


def test_quality_releases_the_interpreter(demo_ses):
    f = orva.read(demo_ses)
    ticks = []
    done = threading.Event()

    def tick():
        while not done.is_set():
            ticks.append(1)
            done.wait(0.001)

    thread = threading.Thread(target=tick)
    thread.start()
    try:
        f.quality(bootstrap=300, measures=["peak-latency"])
    finally:
        done.set()
        thread.join()
    assert len(ticks) > 5
