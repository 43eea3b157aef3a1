"""Session and average data files composed byte by byte from their fields (big-endian),
independently of the program, and the calibrated values they hold computed from those bytes."""
import struct

import numpy as np

BYTE_ORDER_TAG = 0x01020304
SESSION, AVERAGE = 3, -1


class Cell:
    def __init__(self, name, data, rate=250, trial_words=2, number=None):
        self.name = name                                    # bytes, read as Windows-1252
        self.data = np.asarray(data, dtype=np.int16)        # [observation][sample][channel]
        self.rate = rate
        self.trial_words = trial_words
        self.number = number


def write_data_file(path, version, cells, zeros, gains, experiment=b"reader check",
                    general=None, scale_bins=1, baseline_ms=0):
    """Writes a consistent data file; general holds the 13 words at offset 92 (session files)."""
    channels = len(zeros)
    words = list(general or [0] * 13)
    if version == AVERAGE:
        words = [0] * 13
        words[6] = max((c.data.shape[0] for c in cells), default=0)  # LastSubjectDone
        words[7] = scale_bins
        words[8] = scale_bins
        words[9] = baseline_ms
    records = b""
    for i, cell in enumerate(cells):
        obs, samples = cell.data.shape[:2]
        records += struct.pack(">h80shhhh", cell.number or i + 1, cell.name, obs, samples, cell.rate,
                               2 * cell.trial_words)
        records += struct.pack(">%dh" % (obs * cell.trial_words),
                               *[(o + 1) * (w + 3) for o in range(obs) for w in range(cell.trial_words)])
    comment, text = b"made by the reader checks", b""
    header_length = 130 + 2 * len(cells) + 4 * channels + len(records) + len(comment) + len(text)
    data = b"".join(cell.data.astype(">i2").tobytes() for cell in cells)
    header = struct.pack(">ihhi80s13hhhhhhh", BYTE_ORDER_TAG, version, header_length, len(data), experiment,
                         *words, len(cells), channels, len(comment), len(text), 0, 1)
    header += struct.pack(">%dh" % len(cells), *range(1, len(cells) + 1))
    header += struct.pack(">%dh" % channels, *zeros) + struct.pack(">%dh" % channels, *gains)
    header += records + comment + text
    assert len(header) == header_length
    with open(path, "wb") as f:
        f.write(header + data)


def read_data_file(path):
    """The fields the checks need, read back from the bytes: version, zeros, gains, scale
    bins, baseline, experiment name and per cell (name bytes, rate, raw int16 array, trial
    specifics words [observation][word])."""
    with open(path, "rb") as f:
        raw = f.read()
    tag, version, header_length, data_length = struct.unpack_from(">ihhi", raw, 0)
    assert tag == BYTE_ORDER_TAG
    general = struct.unpack_from(">13h", raw, 92)
    ncells, nchans = struct.unpack_from(">hh", raw, 118)
    at = 130 + 2 * ncells
    zeros = np.array(struct.unpack_from(">%dh" % nchans, raw, at), dtype=np.int64)
    gains = np.array(struct.unpack_from(">%dh" % nchans, raw, at + 2 * nchans), dtype=np.int64)
    at += 4 * nchans
    cells = []
    data_at = header_length
    for _ in range(ncells):
        number, name, obs, samples, rate, tsl = struct.unpack_from(">h80shhhh", raw, at)
        words = np.array(struct.unpack_from(">%dh" % (obs * (tsl // 2)), raw, at + 90), dtype=np.int64)
        at += 90 + 2 * obs * (tsl // 2)
        count = obs * samples * nchans
        values = np.frombuffer(raw, dtype=">i2", count=count, offset=data_at).reshape(obs, samples, nchans)
        data_at += 2 * count
        cells.append({"name": name.split(b"\0")[0], "rate": rate, "data": values.astype(np.int64),
                      "trials": words.reshape(obs, tsl // 2)})
    return {"version": version, "zeros": zeros, "gains": gains, "scale_bins": general[7],
            "baseline": general[9], "experiment": raw[12:92].split(b"\0")[0], "cells": cells,
            "channels": nchans}


def calibrated(info, raw):
    """Microvolts in float64 as the program computes them: v / ScaleBins for an average file,
    ((v - zero) * 400) / gain for a session file (integer product, floating division)."""
    if info["version"] == AVERAGE:
        return raw.astype(np.float64) / float(info["scale_bins"])
    return ((raw - info["zeros"]) * 400).astype(np.float64) / info["gains"].astype(np.float64)


def event_name(name, number):
    """A cell's name as the exports write it: Windows-1252 to text, control characters as
    spaces, trailing spaces removed, Cell<number> when empty."""
    text = name.decode("cp1252", errors="replace")
    text = "".join(" " if ord(ch) < 32 else ch for ch in text).rstrip(" ")
    return text or "Cell%d" % number
