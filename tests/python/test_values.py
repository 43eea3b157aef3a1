# The values the module gives equal the batch tool's exports and a computation of their own
# from the file's bytes.
import csv
import struct

import numpy as np
import pytest

from conftest import data_file, orva, random_cells, run_orva


def raw_from_bytes(path):
    """Every cell's samples straight from the file: header fields read with struct."""
    b = path.read_bytes()
    _, version, head_length, _ = struct.unpack(">ihhi", b[:12])
    cells, channels = struct.unpack(">hh", b[118:122])
    pos = 130 + 2 * cells + 4 * channels
    zeros = np.frombuffer(b, ">i2", channels, 130 + 2 * cells).astype(np.int64)
    gains = np.frombuffer(b, ">i2", channels, 130 + 2 * cells + 2 * channels).astype(np.int64)
    scale = struct.unpack(">h", b[106:108])[0]
    shapes = []
    for _ in range(cells):
        obs, samples, _, tslen = struct.unpack(">hhhh", b[pos + 82:pos + 90])
        shapes.append((obs, samples))
        pos += 90 + 2 * obs * (tslen // 2)
    out, at = [], head_length
    for obs, samples in shapes:
        n = obs * samples * channels
        out.append(np.frombuffer(b, ">i2", n, at).reshape(obs, samples, channels))
        at += 2 * n
    return version, zeros, gains, scale, out


@pytest.mark.parametrize("name", ["demo.ses", "demo.ave"])
def test_data_is_the_calibration_of_the_raw_bytes(name, demo_ses):
    path = demo_ses.parent / name
    f = orva.read(path)
    version, zeros, gains, scale, raws = raw_from_bytes(path)
    for cell, raw in zip(f.cells, raws):
        if version == 3:
            expected = ((raw.astype(np.int64) - zeros) * 400) / gains
        else:
            expected = raw / scale
        data = cell.data()
        assert data.dtype == np.float64 and data.flags.c_contiguous
        np.testing.assert_array_equal(data, expected.transpose(0, 2, 1))  # bit for bit
        np.testing.assert_array_equal(cell.raw, raw)


def read_csv(path):
    with open(path, newline="", encoding="utf-8") as handle:
        return list(csv.DictReader(handle))


@pytest.mark.parametrize("selection", [{}, {"cells": "2", "obs": "3 1", "chans": "64 2 2", "samples": "1 250 7"}])
def test_long_table_equals_export_long(tmp_path, demo_ave, selection):
    out = tmp_path / "long.csv"
    options = [x for k, v in selection.items() for x in (f"--{k}", v)]
    run_orva("export-long", demo_ave, "-o", out, *options)
    rows = read_csv(out)
    table = orva.read(demo_ave).long_table(**selection)
    assert len(rows) == len(table["value_uv"])
    assert list(table) == list(rows[0])
    for column in ("cell", "observation", "channel", "sample"):
        np.testing.assert_array_equal(table[column], [int(r[column]) for r in rows])
    assert list(table["cell_name"]) == [r["cell_name"] for r in rows]
    assert set(table["file"]) == {"demo.ave"}
    np.testing.assert_allclose(table["time_ms"], [float(r["time_ms"]) for r in rows], atol=5e-4)
    np.testing.assert_allclose(table["value_uv"], [float(r["value_uv"]) for r in rows], atol=5e-3 + 1e-9)


def test_long_table_takes_python_sequences_and_builds_a_data_frame(demo_ses):
    pandas = pytest.importorskip("pandas")
    f = orva.read(demo_ses)
    typed = f.long_table(cells="2 1", chans="3", samples="1 2")
    listed = f.long_table(cells=[2, 1], chans=(3,), samples=range(1, 3))
    for key in typed:
        np.testing.assert_array_equal(typed[key], listed[key])
    frame = pandas.DataFrame(listed)
    assert len(frame) == 80 * 2 and frame["cell"].iloc[0] == 2
    # Cell 2, observation 1, channel 3, sample 2 is data()[0, 2, 1] of cell 2.
    assert frame["value_uv"].iloc[1] == f.cells[1].data()[0, 2, 1]
    np.testing.assert_array_equal(f.cells[0].times_ms, np.arange(250) * 4.0)


def test_measure_equals_orva_measure(tmp_path, demo_ave):
    out = tmp_path / "m.csv"
    run_orva("measure", demo_ave, "-o", out, "--window", "250", "450", "--measure", "mean", "--measure", "peak",
             "--measure", "peak-latency", "--neighbours", "3", "--chans", "1 31 64", "--cells", "3 1")
    rows = read_csv(out)
    table = orva.read(demo_ave).measure((250, 450), ("mean", "peak", "peak-latency"), neighbours=3,
                                        chans=[1, 31, 64], cells="3 1")
    assert list(table) == list(rows[0]) and len(rows) == len(table["value"])
    for column in ("cell", "observation", "channel"):
        np.testing.assert_array_equal(table[column], [int(r[column]) for r in rows])
    for column in ("cell_name", "measure", "note"):
        assert list(table[column]) == [r[column] for r in rows]
    np.testing.assert_allclose(table["value"], [float(r["value"]) for r in rows], atol=5e-4 + 1e-9)
    assert set(table["window_start_ms"]) == {250.0}


def test_new_measures_and_jackknife_equal_orva_measure(tmp_path, demo_ave):
    out = tmp_path / "m.csv"
    names = ("area", "positive-area", "negative-area", "integral", "fractional-area-latency",
             "fractional-peak-latency")
    for options, args in [(dict(fraction=0.3, offset=True), ["--fraction", "0.3", "--offset"]),
                          (dict(polarity="negative", area="rectified", jackknife=True),
                           ["--polarity", "negative", "--area", "rectified", "--jackknife"])]:
        run_orva("measure", demo_ave, "-o", out, "--window", "250", "450", *sum([["--measure", m] for m in names], []),
                 "--chans", "1 31", "--cells", "2", *args)
        rows = read_csv(out)
        table = orva.read(demo_ave).measure((250, 450), names, chans=[1, 31], cells=[2], **options)
        assert list(table["note"]) == [r["note"] for r in rows]
        empty = [r["value"] == "" for r in rows]
        np.testing.assert_array_equal(np.isnan(table["value"]), empty)
        np.testing.assert_allclose(table["value"][~np.array(empty)],
                                   [float(r["value"]) for r in rows if r["value"]], atol=5e-4 + 1e-9)
    assert set(table["note"]) <= {"jackknife", "jackknife; no crossing", "jackknife; no local peak"}
    f = orva.read(demo_ave)
    with pytest.raises(ValueError, match="area is positive, negative, rectified or integral"):
        f.measure((250, 450), ("fractional-area-latency",), area="absolute")
    with pytest.raises(orva.Error, match="The fraction is 1.500"):
        f.measure((250, 450), ("fractional-area-latency",), fraction=1.5)


def test_header_fields_and_report(tmp_path):
    rng = np.random.default_rng(3)
    path = tmp_path / "h\u00e9.ave"
    path.write_bytes(data_file(random_cells(rng, [(2, 5, 500), (3, 4, 250)], 3, average=True), 3, average=True,
                               experiment=b"Exp \x80", comment=b"note", scale_bins=7, baseline=-4))
    f = orva.read(str(path))
    assert (f.kind, f.file_name, f.experiment_name, f.n_channels) == ("average", "h\u00e9.ave", "Exp \u20ac", 3)
    assert (f.scale_bins, f.baseline_ms) == (7, -4)
    h = f.header
    assert h["HeaderVersion"] == -1 and h["NumCells"] == 2 and h["ScaleBins"] == 7
    assert h["ExperimentName"] == b"Exp \x80" and h["Comment"] == b"note"
    assert h["Cells"][1]["NumObservations"] == 3 and h["Cells"][0]["Name"] == "Cond\xe9 1".encode("cp1252")
    np.testing.assert_array_equal(f.zeros, [0, 1, 2])
    assert [c.name for c in f.cells] == ["Cond\u00e9 1", "Cond\u00e9 2"]
    assert [c.number for c in f.cells] == [10, 11]
    expected = run_orva("header", path).stdout
    # The report's path is the file's own name; every other byte is read as Windows-1252.
    assert f.header_report() == expected.replace(str(path).encode().decode("cp1252"), str(path)).rstrip("\n")
    assert f.header_report().count("\n") == expected.count("\n") - 1


def test_channel_names(demo_ses):
    f = orva.read(demo_ses)
    assert f.channel_names == [f"E{i}" for i in range(1, 65)]
    f.channel_names = [f"C{i}" for i in range(64)]
    assert f.channel_names[63] == "C63"
    with pytest.raises(ValueError):
        f.channel_names = ["A"] * 64
    with pytest.raises(ValueError):
        f.channel_names = ["A", "B"]
    with pytest.raises(TypeError):
        f.channel_names = "E1"
    assert f.channel_names[0] == "C0"
