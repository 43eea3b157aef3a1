# A writer of small data files made byte by byte, for the tests of the module and the
# every-call run (which must not import pytest or the module to make its files).
import struct

import numpy as np


def data_file(cells, channels, average=False, zeros=None, gains=None, scale_bins=10, baseline=100,
              experiment=b"test", comment=b"", text=b"", padding=0):
    """The bytes of a data file. cells: dicts with number, name, data (observations x samples x
    channels int16), rate and optional specifics (observations x words)."""
    zeros = list(zeros if zeros is not None else range(channels))
    gains = list(gains if gains is not None else [400 + 10 * c for c in range(channels)])
    general = [0] * 13
    if average:
        general[6:10] = [len(cells), scale_bins, 1, baseline]
    else:
        general[:13] = [5, 17, 2, 9, 5, 0, 42, 1, 2, 30, 7, 1, 0]
    records = b""
    for cell in cells:
        obs, samples, _ = cell["data"].shape
        specifics = np.asarray(cell.get("specifics", np.zeros((obs, 14 if average else 0))), dtype=">i2")
        records += struct.pack(">h80shhhh", cell["number"], cell["name"], obs, samples, cell["rate"],
                               2 * specifics.shape[1]) + specifics.tobytes()
    header = struct.pack(">80s13h6h", experiment, *general, len(cells), channels, len(comment), len(text),
                         padding, 1)
    header += struct.pack(f">{len(cells)}h", *[0] * len(cells)) + struct.pack(f">{channels}h", *zeros)
    header += struct.pack(f">{channels}h", *gains) + records + comment + text + b"\0" * padding
    samples = b"".join(np.asarray(cell["data"], dtype=">i2").tobytes() for cell in cells)
    head_length = 12 + len(header)
    return struct.pack(">ihhi", 16909060, -1 if average else 3, head_length, len(samples)) + header + samples


def random_cells(rng, shapes, channels, average=False):
    cells = []
    for i, (obs, samples, rate) in enumerate(shapes):
        cell = {"number": 10 + i, "name": f"Cond\xe9 {i + 1}".encode("cp1252"), "rate": rate,
                "data": rng.integers(-3000, 3000, size=(obs, samples, channels)).astype(np.int16)}
        if average:
            cell["specifics"] = rng.integers(-5, 60, size=(obs, 14)).astype(np.int16)
        cells.append(cell)
    return cells
