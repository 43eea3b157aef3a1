# to_mne against MNE-Python; import orva alone does not load it.
import os
import subprocess
import sys

import numpy as np
import pytest

from conftest import MODULE_DIR, data_file, orva, random_cells

mne = pytest.importorskip("mne")


def test_import_does_not_load_mne():
    env = dict(os.environ, PYTHONPATH=MODULE_DIR)
    code = "import sys, orva; orva.read(sys.argv[1]).cells[0].data(); print('mne' in sys.modules)"
    out = subprocess.run([sys.executable, "-c", code, os.devnull], env=env, capture_output=True, text=True)
    # /dev/null is refused, but only after the module was imported and used.
    assert "orva.Error" in out.stderr or "Error" in out.stderr
    code = "import sys, orva; print('mne' in sys.modules)"
    out = subprocess.run([sys.executable, "-c", code], env=env, capture_output=True, text=True, check=True)
    assert out.stdout == "False\n"


def test_session_file_as_epochs(tmp_path):
    rng = np.random.default_rng(8)
    cells = random_cells(rng, [(3, 50, 500), (0, 50, 500), (2, 50, 500)], 4)
    cells[2]["name"] = cells[0]["name"]  # the same name twice
    path = tmp_path / "s.ses"
    path.write_bytes(data_file(cells, 4))
    f = orva.read(path)
    f.channel_names = ["Fz", "Cz", "Pz", "Oz"]
    epochs = f.to_mne()
    assert isinstance(epochs, mne.EpochsArray)
    assert epochs.get_data().shape == (5, 4, 50)
    assert epochs.ch_names == ["Fz", "Cz", "Pz", "Oz"]
    assert set(epochs.get_channel_types()) == {"eeg"}
    assert epochs.info["sfreq"] == 500 and epochs.tmin == 0
    np.testing.assert_array_equal(epochs.events, [[0, 0, 10], [50, 0, 10], [100, 0, 10], [150, 0, 12], [200, 0, 12]])
    assert epochs.event_id == {"Cond\u00e9 1": 10, "Cond\u00e9 1 (2)": 12}
    volts = np.concatenate([f.cells[0].data(), f.cells[2].data()]) * 1e-6
    np.testing.assert_allclose(epochs.get_data(), volts, rtol=1e-12)


def test_cells_of_different_shapes_are_refused(tmp_path):
    rng = np.random.default_rng(9)
    path = tmp_path / "mixed.ses"
    path.write_bytes(data_file(random_cells(rng, [(1, 50, 500), (2, 40, 500)], 2), 2))
    with pytest.raises(orva.Error, match="cell 1 has 50 samples per observation at 500 Hz, cell 2 has 40"):
        orva.read(path).to_mne()


def test_average_file_as_evoked(tmp_path, demo_ave):
    rng = np.random.default_rng(10)
    cells = random_cells(rng, [(2, 30, 250), (1, 30, 500)], 3, average=True)
    cells[0]["specifics"][:, 0] = [25, 0]
    cells[1]["specifics"][:, 0] = [-3]
    path = tmp_path / "a.ave"
    path.write_bytes(data_file(cells, 3, average=True, scale_bins=20, baseline=100))
    f = orva.read(path)
    evoked = f.to_mne()
    assert [e.nave for e in evoked] == [25, 1, 1]
    assert [e.comment for e in evoked] == ["Cond\u00e9 1, subject 1", "Cond\u00e9 1, subject 2", "Cond\u00e9 2, subject 1"]
    assert [e.info["sfreq"] for e in evoked] == [250, 250, 500]
    assert evoked[0].tmin == pytest.approx(-0.1) and evoked[2].tmin == pytest.approx(-0.1)
    np.testing.assert_allclose(evoked[1].data, f.cells[0].data()[1] * 1e-6, rtol=1e-12)
    demo = orva.read(demo_ave).to_mne()
    assert len(demo) == 36 and demo[0].data.shape == (64, 250)
