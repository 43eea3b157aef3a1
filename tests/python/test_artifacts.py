# File.artifacts: the report of "orva artifacts" as NumPy columns, and its rules recomputed
# here with NumPy from the calibrated values that Cell.data() gives.
import csv
import threading

import numpy as np
import pytest

from conftest import run_orva

import orva


def read_report(path):
    with open(path, newline="", encoding="utf-8") as handle:
        return list(csv.DictReader(handle))


CASES = [
    ({"peak_to_peak": 100, "flat": 0.5}, ["--peak-to-peak", "100", "--flat", "0.5"]),
    ({"peak_to_peak": 40, "moving_window": (200, 12), "window": (100, 900), "bad_channels": "1 2 3"},
     ["--peak-to-peak", "40", "--moving-window", "200", "12", "--window", "100", "900", "--bad-channels", "1 2 3"]),
    ({"absolute": 35.5, "chans": [5, 17, 64], "cells": "2"},
     ["--absolute", "35.5", "--chans", "5 17 64", "--cells", "2"]),
]


@pytest.mark.parametrize("keywords,options", CASES)
def test_artifacts_equals_the_report_of_orva_artifacts(tmp_path, demo_ses, keywords, options):
    out = tmp_path / "report.csv"
    run_orva("artifacts", demo_ses, "-o", out, *options)
    rows = read_report(out)
    table = orva.read(demo_ses).artifacts(**keywords)
    assert list(table) == list(rows[0])
    assert len(table["status"]) == len(rows)
    for column in ("cell", "observation"):
        np.testing.assert_array_equal(table[column], [int(r[column]) for r in rows])
    for column in ("file", "cell_name", "status", "rules", "channels"):
        assert list(table[column]) == [r[column] for r in rows], column


def test_rules_recomputed_from_the_calibrated_values(demo_ses):
    f = orva.read(demo_ses)
    table = f.artifacts(peak_to_peak=100, flat=0.5, absolute=150)
    expected = []
    for cell in f.cells:
        data = cell.data()  # observations x channels x samples
        ranges = data.max(axis=2) - data.min(axis=2)
        magnitude = np.abs(data).max(axis=2)
        for o in range(data.shape[0]):
            flags = (ranges[o] > 100, ranges[o] < 0.5, magnitude[o] > 150)
            rules = " ".join(n for n, flag in zip(("peak-to-peak", "flat", "absolute"), flags) if flag.any())
            channels = " ".join(str(h + 1) for h in np.flatnonzero(np.logical_or.reduce(flags)))
            expected.append(("bad" if rules else "good", rules, channels))
    assert list(zip(table["status"], table["rules"], table["channels"])) == expected
    assert sum(s == "bad" for s in table["status"]) >= 5  # the demo's planted artifacts


def test_moving_window_recomputed_with_every_window(demo_ses):
    f = orva.read(demo_ses)
    # 250 Hz: 100 ms is 25 samples, 20 ms is 5; windows start at samples 0, 5, ... while inside.
    table = f.artifacts(peak_to_peak=45, moving_window=(100, 20))
    expected = []
    for cell in f.cells:
        windows = np.lib.stride_tricks.sliding_window_view(cell.data(), 25, axis=2)[:, :, ::5]
        largest = (windows.max(axis=3) - windows.min(axis=3)).max(axis=2)
        expected += ["bad" if (row > 45).any() else "good" for row in largest]
    assert list(table["status"]) == expected
    assert "good" in expected and "bad" in expected


def test_refusals_as_the_batch_tool_words_them(demo_ave, demo_ses):
    with pytest.raises(orva.Error, match="its observations are subjects, not trials"):
        orva.read(demo_ave).artifacts(flat=1)
    f = orva.read(demo_ses)
    with pytest.raises(orva.Error, match="no rule was given"):
        f.artifacts()
    with pytest.raises(orva.Error, match="must be a positive number"):
        f.artifacts(peak_to_peak=-5)
    with pytest.raises(orva.Error, match="Bad channels: 65 is outside"):
        f.artifacts(flat=1, bad_channels=[65])
    with pytest.raises(TypeError, match="moving_window takes two times"):
        f.artifacts(peak_to_peak=1, moving_window=200)


def test_artifacts_runs_beside_other_threads(demo_ses):
    # The lock is released while the rules run: other threads go on and get the same table.
    f = orva.read(demo_ses)
    results = [None] * 4

    def work(i):
        results[i] = f.artifacts(peak_to_peak=60, moving_window=(40, 4))["status"]

    threads = [threading.Thread(target=work, args=(i,)) for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for r in results[1:]:
        np.testing.assert_array_equal(r, results[0])
