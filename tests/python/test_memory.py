# Views of the document's memory, saving and filtering in place.
import gc
import struct

import numpy as np
import pytest

from conftest import data_file, orva, random_cells, run_orva


def test_raw_is_a_view_that_save_writes(tmp_path, demo_ses):
    f = orva.read(demo_ses)
    raw = f.cells[1].raw
    assert raw.shape == (40, 250, 64) and raw.dtype == np.int16 and not raw.flags.owndata
    assert np.shares_memory(raw, f.cells[1].raw)
    before = f.cells[1].data()[5, 7, 9]
    raw[5, 9, 7] = 1234  # observation 6, sample 10, channel 8
    assert f.cells[1].raw[5, 9, 7] == 1234 and f.cells[1].data()[5, 7, 9] != before
    out = tmp_path / "changed.ses"
    f.save(out)
    original, changed = demo_ses.read_bytes(), out.read_bytes()
    differ = np.flatnonzero(np.frombuffer(original, np.uint8) != np.frombuffer(changed, np.uint8))
    offset = len(original) - 2 * 40 * 250 * 64 + 2 * ((5 * 250 + 9) * 64 + 7)
    assert set(differ) <= {offset, offset + 1} and len(differ) > 0
    assert changed[offset:offset + 2] == (1234).to_bytes(2, "big")


def test_views_keep_the_document_alive(demo_ses):
    f = orva.read(demo_ses)
    raw = f.cells[0].raw
    words = f.cells[0].trial_specifics
    expected = raw.copy()
    del f
    gc.collect()
    np.testing.assert_array_equal(raw, expected)
    assert words.shape[0] == 40


def test_data_arrays_own_their_memory_through_their_base(demo_ses):
    # 40 x 64 x 250 float64 (5 MB): from the allocator's large-page path.
    f = orva.read(demo_ses)
    data = f.cells[0].data()
    assert data.shape == (40, 64, 250) and data.dtype == np.float64
    assert data.flags.c_contiguous and data.flags.writeable and data.flags.aligned
    assert not data.flags.owndata and data.base is not None
    assert not np.shares_memory(data, f.cells[0].data())  # each call a new array
    expected = data.copy()
    view = data[3:5, ::2]
    assert view.base is data
    del data, f
    gc.collect()
    np.testing.assert_array_equal(view, expected[3:5, ::2])  # the view alone keeps the block
    view[0, 0, 0] = 12.5
    assert view[0, 0, 0] == 12.5
    deeper = view[1]
    del view
    gc.collect()
    np.testing.assert_array_equal(deeper, expected[4, ::2])


def test_save_unchanged_equals_orva_save(tmp_path, demo_ave):
    run_orva("save", demo_ave, tmp_path / "a.ave")
    orva.read(demo_ave).save(str(tmp_path / "b.ave"))
    assert (tmp_path / "a.ave").read_bytes() == (tmp_path / "b.ave").read_bytes() == demo_ave.read_bytes()


@pytest.mark.parametrize("cutoff", ["12.5", 12.5, 30, "1e1"])
def test_filter_equals_orva_filter(tmp_path, demo_ses, cutoff):
    run_orva("filter", demo_ses, tmp_path / "cli.ses", "--cutoff", str(cutoff))
    f = orva.read(demo_ses)
    assert f.filter(cutoff) == 0
    f.save(tmp_path / "py.ses")
    assert (tmp_path / "py.ses").read_bytes() == (tmp_path / "cli.ses").read_bytes()


def test_filter_reports_clamps_and_refusals(tmp_path):
    rng = np.random.default_rng(5)
    cells = random_cells(rng, [(2, 64, 250)], 2)
    cells[0]["data"][:, :32, :] = -32768  # a full-scale step overshoots once filtered
    cells[0]["data"][:, 32:, :] = 32767
    path = tmp_path / "loud.ses"
    path.write_bytes(data_file(cells, 2, zeros=[0, 0], gains=[400, 400]))
    f = orva.read(path)
    clamped = f.filter(20)
    expected = run_orva("filter", path, tmp_path / "out.ses", "--cutoff", "20").stderr
    assert clamped > 0 and str(clamped) in expected.replace(",", "")
    raw = f.cells[0].raw.copy()
    with pytest.raises(orva.Error) as e:
        f.filter(-1)
    np.testing.assert_array_equal(f.cells[0].raw, raw)
    with pytest.raises(orva.Error) as e:
        f.filter("12,5")
    assert e.value.filename == 'cut-off frequency "12,5"' and "not a valid cut-off" in e.value.strerror


def header_beyond_its_bytes(path, observations, samples, channels):
    """A session file of one cell whose record declares observations x samples x channels
    while the file holds one sample per channel; DataLength declares them all."""
    rng = np.random.default_rng(3)
    data = data_file(random_cells(rng, [(1, 1, 250)], channels), channels)
    record = 12 + 80 + 26 + 12 + 2 + 4 * channels
    data = bytearray(data)
    struct.pack_into(">hh", data, record + 82, observations, samples)
    struct.pack_into(">i", data, 8, 2 * observations * samples * channels)
    path.write_bytes(bytes(data))
    return observations * samples * channels


def test_calls_refuse_values_beyond_the_file(tmp_path):
    path = tmp_path / "declares-64-MiB.ses"
    declared = header_beyond_its_bytes(path, 512, 256, 256)
    f = orva.read(path, check=False)
    cell = f.cells[0]
    assert cell.raw.shape == (512, 256, 256)  # the loader's own memory, as the header declares
    for call in (cell.data, f.long_table, lambda: f.to_mne()):
        with pytest.raises(orva.Error, match=rf"holds only 256 of the {declared} samples"):
            call()
    # What the file's bytes justify still comes out, the missing samples as 0.
    small = f.long_table(cells="1", obs="1 2", chans="1 2", samples="1 2")
    assert len(small["value_uv"]) == 8 and small["value_uv"][-1] == pytest.approx(-1 * 400 / 410)
    assert len(f.measure((0, 2000), cells=[1], chans=[1])["value"]) == 512


def test_a_short_file_within_its_allowance_gives_its_data(tmp_path):
    path = tmp_path / "cut.ses"
    header_beyond_its_bytes(path, 40, 250, 64)  # 640 000 values, within 8 Mi
    data = orva.read(path, check=False).cells[0].data()
    assert data.shape == (40, 64, 250)
    # Beyond the one sample the file holds, every value of a channel is its zero level's.
    assert (data[1:] == data[1:2, :, :1]).all() and (data[0, :, 1:] == data[1:2, :, :1][0]).all()
