# Refusals raise orva.Error with the batch tool's words; damaged files never crash.
import os
import pathlib
import struct
import subprocess
import sys

import numpy as np
import pytest

from conftest import MODULE_DIR, data_file, orva, random_cells, run_orva

CORPUS = pathlib.Path(__file__).parents[2] / "fuzz/corpus/fuzz_load"


def good_session():
    return data_file(random_cells(np.random.default_rng(1), [(2, 3, 250)], 2), 2)


REFUSED = {
    "swapped-tag": bytes([2, 1, 4, 3]) + good_session()[4:],
    "little-endian-tag": bytes([4, 3, 2, 1]) + good_session()[4:],
    "version-2": good_session()[:4] + struct.pack(">h", 2) + good_session()[6:],
    "two-bytes": b"\x01\x02",
    "tag-only": bytes([1, 2, 3, 4]),
    "one-byte-short": good_session()[:-1],
    "one-byte-long": good_session() + b"\0",
}


@pytest.mark.parametrize("name", sorted(REFUSED))
def test_each_check_refusal_raises_with_its_text(tmp_path, name):
    path = tmp_path / f"{name}.ses"
    path.write_bytes(REFUSED[name])
    said = run_orva("check", path, check=False)
    assert said.returncode == 1
    with pytest.raises(orva.Error) as caught:
        orva.read(path)
    e = caught.value
    assert isinstance(e, OSError)
    assert e.strerror == said.stdout.rstrip("\n")
    assert e.filename == str(path) and str(e) == f"{path}: {e.strerror}"


def test_length_mismatch_opens_with_check_false(tmp_path):
    path = tmp_path / "short.ses"
    path.write_bytes(good_session()[:-2])
    with pytest.raises(orva.Error, match=r"Bad file length \(\d+\+24<>\d+\)\.\nBad file length"):
        orva.read(path)
    f = orva.read(path, check=False)
    assert f.cells[0].raw[1, 2, 1] == 0  # the missing last sample reads as 0
    assert run_orva("check", "--open-anyway", path).stdout == "OK\n"


@pytest.mark.parametrize("target", ["missing.ses", "."])
def test_files_that_cannot_be_read(tmp_path, target):
    path = tmp_path / target
    said = run_orva("check", path, check=False)
    with pytest.raises(orva.Error) as caught:
        orva.read(path)
    assert said.stderr == f"orva: {caught.value}\n"


@pytest.mark.skipif(os.geteuid() == 0, reason="root reads every file")
def test_unreadable_file(tmp_path):
    path = tmp_path / "locked.ses"
    path.write_bytes(good_session())
    path.chmod(0)
    said = run_orva("check", path, check=False)
    with pytest.raises(orva.Error) as caught:
        orva.read(path)
    assert said.stderr == f"orva: {caught.value}\n"


def test_refusals_of_the_tables_and_arguments(demo_ses):
    f = orva.read(demo_ses)
    with pytest.raises(orva.Error, match="Channels: 65 is outside the valid range 1 to 64"):
        f.long_table(chans=[65])
    with pytest.raises(orva.Error, match="Cells: 0 is outside"):
        f.long_table(cells="0")
    with pytest.raises(orva.Error, match="no sample in the window"):
        f.measure((2000, 3000))
    with pytest.raises(ValueError, match="unknown measure"):
        f.measure((0, 100), ["median"])
    with pytest.raises(TypeError):
        f.long_table(cells=[1.5])


def test_gain_of_zero(tmp_path):
    path = tmp_path / "zero-gain.ses"
    path.write_bytes(data_file(random_cells(np.random.default_rng(2), [(1, 4, 250)], 2), 2, gains=[400, 0]))
    f = orva.read(path)
    with pytest.raises(orva.Error, match="Gain of channel 2 is 0"):
        f.cells[0].data()
    assert f.cells[0].raw.shape == (1, 4, 2)


READ_EVERYTHING = """
import sys, numpy
import orva
for name in sys.argv[1:]:
    try:
        f = orva.read(name, check=False)
        f.header_report(); f.header
        for cell in f.cells:
            cell.raw.sum(); cell.trial_specifics.sum()
            if cell.raw.size < 20_000_000:
                cell.data()
        f.long_table(samples="1", obs="1")
    except (orva.Error, MemoryError):
        pass
"""


def damaged_versions(data, rng):
    yield data
    for cut in sorted(set(rng.integers(0, len(data), 12)) | {0, 3, 11, 12, 130, len(data) - 1}):
        yield data[:cut]
    for _ in range(12):
        flipped = bytearray(data)
        for at in rng.integers(0, min(len(data), 400), 3):
            flipped[at] = rng.integers(0, 256)
        yield bytes(flipped)


def test_fuzz_corpus_and_damaged_files_never_crash(tmp_path):
    rng = np.random.default_rng(11)
    names = []
    for source in sorted(CORPUS.iterdir()):
        for i, version in enumerate(damaged_versions(source.read_bytes(), rng)):
            path = tmp_path / f"{source.name}.{i}"
            path.write_bytes(version)
            names.append(str(path))
    assert len(names) > 100
    env = dict(os.environ, PYTHONPATH=MODULE_DIR)
    done = subprocess.run([sys.executable, "-c", READ_EVERYTHING, *names], env=env, capture_output=True, text=True,
                          timeout=300)
    assert done.returncode == 0, done.stderr[-2000:]
