# Sensor positions in Python: read_positions, File.interpolate in place (against the batch
# tool), and to_mne(positions=...) with a montage MNE can use.
import numpy as np
import pytest

from conftest import BUILD_BIN, orva, run_orva


@pytest.fixture
def demo_sfp():
    return BUILD_BIN / "demo.sfp"


def test_read_positions_keeps_the_file_order_and_refuses_by_line(tmp_path, demo_sfp):
    positions = orva.read_positions(demo_sfp)
    assert list(positions) == ["E%d" % i for i in range(1, 65)]
    assert positions["E1"] == (0.0, 0.0, 9.0)
    tsv = tmp_path / "sub-1_electrodes.tsv"
    tsv.write_text("name\tx\ty\tz\nFz\t0\t8.5\t3.25\nCz\t0\t0\t9\n")
    assert orva.read_positions(str(tsv)) == {"Fz": (0.0, 8.5, 3.25), "Cz": (0.0, 0.0, 9.0)}
    bad = tmp_path / "bad.sfp"
    bad.write_text("E1 1 2 3\nE2 1 2 x\n")
    with pytest.raises(orva.Error, match="line 2: \"x\" is not a finite number") as e:
        orva.read_positions(bad)
    assert e.value.filename == str(bad)


@pytest.mark.parametrize("name", ["demo.ave", "demo.ses"])
def test_interpolate_in_place_matches_the_batch_tool(tmp_path, demo_sfp, name):
    out = tmp_path / ("out" + name[-4:])
    run_orva("interpolate", BUILD_BIN / name, "--positions", demo_sfp, "--chans", "4 30", "--exclude", "64", "-o", out)
    f = orva.read(BUILD_BIN / name)
    view = f.cells[1].raw
    before = view.copy()
    clamped = f.interpolate("4 30", demo_sfp, exclude=[64])
    assert clamped == 0
    expected = orva.read(out)
    assert f.scale_bins == expected.scale_bins
    for ours, theirs in zip(f.cells, expected.cells):
        np.testing.assert_array_equal(ours.raw, theirs.raw)
    # Arrays viewing the samples see the repaired ones; the other channels are as they were.
    np.testing.assert_array_equal(view, expected.cells[1].raw)
    if name.endswith(".ses"):
        np.testing.assert_array_equal(np.delete(view, [3, 29], axis=2), np.delete(before, [3, 29], axis=2))


def test_interpolate_takes_positions_as_a_dict_under_the_channel_names(demo_sfp):
    by_file = orva.read(BUILD_BIN / "demo.ave")
    by_file.interpolate([7], demo_sfp)
    by_dict = orva.read(BUILD_BIN / "demo.ave")
    by_dict.channel_names = ["ch%d" % i for i in range(1, 65)]
    by_dict.interpolate([7], {"ch" + k[1:]: v for k, v in orva.read_positions(demo_sfp).items()})
    np.testing.assert_array_equal(by_dict.cells[0].raw, by_file.cells[0].raw)


def test_interpolate_refusals_leave_the_samples(demo_sfp):
    f = orva.read(BUILD_BIN / "demo.ses")
    before = f.cells[0].raw.copy()
    with pytest.raises(orva.Error, match="at least 3 are needed"):
        f.interpolate(list(range(1, 63)), demo_sfp)
    with pytest.raises(orva.Error) as caught:
        f.interpolate([1], {"E1": (0, 0, 1), "E3": (1, 0, 0)})
    assert str(caught.value) == f"{f.path}: channel 2 (E2) has no position in positions"
    with pytest.raises(orva.Error) as caught:
        f.interpolate([1], {**orva.read_positions(demo_sfp), "E5": (1, 2, 3)}, origin=(1, 2, 3))
    assert str(caught.value) == "positions: sensor E5 lies at the origin (1 2 3), so it has no direction"
    with pytest.raises(orva.Error, match="Channels: 65 is outside"):
        f.interpolate([65], demo_sfp)
    with pytest.raises(ValueError, match="origin"):
        f.interpolate([1], demo_sfp, origin=(0, 0))
    np.testing.assert_array_equal(f.cells[0].raw, before)


def test_to_mne_sets_a_montage_in_the_head_frame(demo_sfp):
    mne = pytest.importorskip("mne")
    f = orva.read(BUILD_BIN / "demo.ave")
    evoked = f.to_mne(positions=demo_sfp)
    assert len(evoked) == 36
    positions = orva.read_positions(demo_sfp)
    for e in (evoked[0], evoked[-1]):
        montage = e.get_montage().get_positions()
        assert montage["coord_frame"] == "head"
        for name in ("E1", "E20", "E64"):
            direction = np.asarray(positions[name]) / np.linalg.norm(positions[name])
            np.testing.assert_allclose(montage["ch_pos"][name], 0.095 * direction, atol=1e-12)
    # MNE's own spline repair on our montage agrees with ours.
    e = evoked[3].copy()
    e.info["bads"] = ["E10"]
    e.interpolate_bads(origin=(0.0, 0.0, 0.0))
    g = orva.read(BUILD_BIN / "demo.ave")
    g.interpolate([10], demo_sfp)
    np.testing.assert_allclose(e.data[9] * 1e6, g.cells[0].data()[3, 9], atol=1e-3 + 0.5 / g.scale_bins)
    epochs = orva.read(BUILD_BIN / "demo.ses").to_mne(positions=demo_sfp)
    assert isinstance(epochs, mne.EpochsArray) and epochs.get_montage() is not None
