# File.filter_band: the same bytes as "orva filter" with a kind, SciPy's zero-phase filters on
# the calibrated values, views that stay valid, and refusals that leave the samples alone.
import warnings

import numpy as np
import pytest

import orva
from conftest import data_file, random_cells, run_orva

KINDS = [
    ({"low_pass": 30}, ["--low-pass", "30"]),
    ({"high_pass": 1, "order": 4}, ["--high-pass", "1", "--order", "4"]),
    ({"band_pass": (0.1, 30), "order": 1}, ["--band-pass", "0.1", "30", "--order", "1"]),
    ({"notch": 50}, ["--notch", "50"]),
]


@pytest.mark.parametrize("average", [False, True])
@pytest.mark.parametrize("kwargs,args", KINDS)
def test_filter_band_equals_orva_filter(tmp_path, average, kwargs, args):
    rng = np.random.default_rng(11)
    path = tmp_path / ("in.ave" if average else "in.ses")
    path.write_bytes(data_file(random_cells(rng, [(2, 300, 250), (1, 200, 500)], 3, average=average), 3,
                               average=average))
    run_orva("filter", path, tmp_path / "cli", *args)
    f = orva.read(path)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", RuntimeWarning)  # the slow high-pass on short epochs
        assert f.filter_band(**kwargs) == 0
    if not average:
        f.save(tmp_path / "py")
        assert (tmp_path / "py").read_bytes() == (tmp_path / "cli").read_bytes()
    # an average file keeps its own header in memory; its samples and scale are the command's
    cli = orva.read(tmp_path / "cli")
    for mine, theirs in zip(f.cells, cli.cells):
        np.testing.assert_array_equal(mine.raw, theirs.raw)
        np.testing.assert_array_equal(mine.data(), theirs.data())


def test_filter_band_agrees_with_scipy_and_keeps_views(tmp_path):
    signal = pytest.importorskip("scipy.signal")
    rng = np.random.default_rng(3)
    path = tmp_path / "in.ses"
    path.write_bytes(data_file(random_cells(rng, [(3, 120, 256)], 4), 4))
    f = orva.read(path)
    before = f.cells[0].data()
    view = f.cells[0].raw
    assert f.filter_band(band_pass=(1, 40), order=2) == 0
    sos = signal.butter(2, [1, 40], "bandpass", output="sos", fs=256)
    expected = signal.sosfiltfilt(sos, before, axis=-1, padtype="odd", padlen=119)
    after = f.cells[0].data()
    # a session file's step is one unit of its channel's gain: values agree within half of it
    for h in range(4):
        steps = np.abs(np.diff(np.unique(after[:, h, :])))
        assert np.max(np.abs(after[:, h] - expected[:, h])) <= steps.min() / 2 + 1e-6
    np.testing.assert_array_equal(view, f.cells[0].raw)  # the old view sees the new samples
    assert not np.array_equal(after, before)


def test_filter_band_refusals_leave_the_samples(tmp_path):
    rng = np.random.default_rng(8)
    path = tmp_path / "in.ave"
    path.write_bytes(data_file(random_cells(rng, [(1, 50, 250)], 2, average=True), 2, average=True))
    f = orva.read(path)
    raw = f.cells[0].raw.copy()
    with pytest.raises(ValueError):
        f.filter_band(low_pass=30, high_pass=1)
    with pytest.raises(ValueError):
        f.filter_band()
    with pytest.raises(ValueError):
        f.filter_band(low_pass=30, design="fft")
    for kwargs in [{"low_pass": 125}, {"band_pass": (30, 1)}, {"low_pass": 30, "order": 9},
                   {"low_pass": 30, "design": "fir", "order": 4}, {"high_pass": -1}, {"notch": 50, "order": 4}]:
        with pytest.raises(orva.Error):
            f.filter_band(**kwargs)
    np.testing.assert_array_equal(f.cells[0].raw, raw)
    with pytest.warns(RuntimeWarning, match="time constant"):
        f.filter_band(high_pass=0.5)
