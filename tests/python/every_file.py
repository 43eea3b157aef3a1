# Every public call of the module on every file of the fuzz corpora and on generated files
# without channels, observations or samples: each call returns a value or raises
# orva.Error. The files go through child interpreters, so that a crash fails the run naming
# the file and the call instead of ending it; a child that dies is replaced by a new one
# for the files after the one it died on.
#
#   every_file.py SCRATCH CORPUS_DIR...        (the module's folder on PYTHONPATH)
#
# A new call of the module is one more line in CALLS; a public name of the module that no
# line names fails the run, so that a new call cannot be left out.
import concurrent.futures
import math
import os
import pathlib
import shutil
import subprocess
import sys
import time
import traceback

HERE = pathlib.Path(__file__).resolve().parent
# Files per child: enough that importing the module and MNE-Python is paid rarely.
BATCH = 400
CHILDREN = 2
# A call that writes nothing for this long is taken to hang.
CALL_TIMEOUT_S = 20


class Context:
    """What a call gets: the file's path, the File read with check=False (None when even that
    is refused), a scratch folder, and positions for E1 ... En."""

    def __init__(self, path, scratch):
        self.path, self.scratch, self.file = path, scratch, None
        self.positions = {}
        self.sfp = scratch / "net.sfp"

    def read(self):
        self.file = orva.read(self.path, check=False)
        n = self.file.n_channels
        # Directions spread over the upper half of the head, one per channel.
        golden = 2.399963229728653
        self.positions = {
            f"E{h + 1}": (math.cos(golden * h) * math.sqrt(1 - ((h + 0.5) / n) ** 2) * 9,
                          math.sin(golden * h) * math.sqrt(1 - ((h + 0.5) / n) ** 2) * 9, (h + 0.5) / n * 9)
            for h in range(n)}
        self.sfp.write_text("".join(f"{k} {x!r} {y!r} {z!r}\n" for k, (x, y, z) in self.positions.items()))
        return self.file

    def window(self):
        """A window that holds every sample of every cell."""
        return (-1e9, 1e9)

    def saved(self):
        return self.scratch / ("copy.ave" if self.file.kind == "average" else "copy.ses")


def each_cell(call):
    return lambda c: [call(cell) for cell in c.file.cells]


# (name, needs, call): needs "path" runs the call on every file, "file" only where
# orva.read(check=False) gave a File (c.file). A name starts with the public name it
# covers: orva.X, File.X or Cell.X. The calls that change the samples come last, then save.
CALLS = [
    ("orva.read(check=True)", "path", lambda c: orva.read(c.path)),
    ("orva.read(check=False)", "path", lambda c: c.read()),
    ("orva.read_positions", "path", lambda c: orva.read_positions(c.path)),
    ("File.__repr__", "file", lambda c: repr(c.file)),
    ("File.kind", "file", lambda c: c.file.kind),
    ("File.file_name", "file", lambda c: c.file.file_name),
    ("File.path", "file", lambda c: c.file.path),
    ("File.experiment_name", "file", lambda c: c.file.experiment_name),
    ("File.n_channels", "file", lambda c: c.file.n_channels),
    ("File.zeros", "file", lambda c: c.file.zeros.sum()),
    ("File.gains", "file", lambda c: c.file.gains.sum()),
    ("File.scale_bins", "file", lambda c: c.file.scale_bins),
    ("File.baseline_ms", "file", lambda c: c.file.baseline_ms),
    ("File.header", "file", lambda c: c.file.header),
    ("File.header_report", "file", lambda c: c.file.header_report()),
    ("File.channel_names", "file", lambda c: setattr(c.file, "channel_names", list(c.file.channel_names))),
    ("File.cells", "file", lambda c: c.file.cells),
    ("Cell.__repr__", "file", each_cell(repr)),
    ("Cell.number", "file", each_cell(lambda k: k.number)),
    ("Cell.index", "file", each_cell(lambda k: k.index)),
    ("Cell.name", "file", each_cell(lambda k: k.name)),
    ("Cell.n_observations", "file", each_cell(lambda k: k.n_observations)),
    ("Cell.n_samples", "file", each_cell(lambda k: k.n_samples)),
    ("Cell.sampling_rate", "file", each_cell(lambda k: k.sampling_rate)),
    ("Cell.trial_specifics", "file", each_cell(lambda k: k.trial_specifics.sum())),
    ("Cell.raw", "file", each_cell(lambda k: k.raw.sum())),
    ("Cell.times_ms", "file", each_cell(lambda k: k.times_ms.sum())),
    ("Cell.data", "file", each_cell(lambda k: check_shape(k, k.data()))),
    ("File.long_table", "file", lambda c: c.file.long_table(samples="1")),
    ("File.long_table(all)", "file", lambda c: c.file.long_table()),
    ("File.measure", "file", lambda c: c.file.measure(c.window(), ["mean", "peak", "peak-latency"], neighbours=1)),
    ("File.artifacts", "file", lambda c: c.file.artifacts(peak_to_peak=100, flat=0.5, absolute=500,
                                                           moving_window=(20, 10))),
    ("File.quality", "file", lambda c: c.file.quality(windows=[c.window()], peak_to_peak=100, bootstrap=4,
                                                       measures=["peak-latency", "area"])),
    ("File.cluster_test", "file", lambda c: c.file.cluster_test([1, 2], positions=str(c.sfp), permutations=16)),
    ("File.cluster_test(one sample)", "file", lambda c: c.file.cluster_test([1], neighbours=None,
                                                                           positions=str(c.sfp), tfce=True,
                                                                           permutations=8)),
    ("orva.cluster_test", "file", lambda c: orva.cluster_test(c.file, c.file, [1], positions=str(c.sfp),
                                                              permutations=16)),
    ("File.to_mne", "mne", lambda c: c.file.to_mne()),
    ("File.to_mne(positions)", "mne", lambda c: c.file.to_mne(positions=c.positions)),
    ("File.interpolate", "file", lambda c: c.file.interpolate("1", c.sfp)),
    ("File.interpolate(dict)", "file", lambda c: c.file.interpolate([2], c.positions, exclude="3")),
    ("File.filter", "file", lambda c: c.file.filter(30)),
    ("File.filter_band", "file", lambda c: c.file.filter_band(band_pass=(1, 30))),
    ("File.filter_band(fir)", "file", lambda c: c.file.filter_band(low_pass=30, design="fir")),
    ("File.save", "file", lambda c: c.file.save(c.saved())),
    ("orva.read(saved copy)", "file", lambda c: c.saved().exists() and orva.read(c.saved())),
]

# Public names that are no call on a file.
NOT_CALLS = {"orva.Error", "orva.File", "orva.Cell"}


def check_shape(cell, values):
    """data() is observations x channels x samples, whatever is 0."""
    expected = (cell.n_observations, cell.raw.shape[2], cell.n_samples)
    if values.shape != expected:
        raise AssertionError(f"data() has the shape {values.shape}, not {expected}")


def uncovered_names():
    names = [f"orva.{n}" for n in dir(orva) if not n.startswith("_")]
    names += [f"{k}.{n}" for k in ("File", "Cell") for n in dir(getattr(orva, k)) if not n.startswith("_")]
    covered = {name.split("(")[0] for name, _, _ in CALLS}
    return sorted(set(names) - covered - NOT_CALLS)


def child(paths, report, scratch):
    """Runs every call on every file; reports on report (one line per event)."""
    try:
        import mne  # noqa: F401
        have_mne = True
    except ImportError:
        have_mne = False
    for path in paths:
        c = Context(path, scratch)
        for name, needs, call in CALLS:
            if needs != "path" and c.file is None or needs == "mne" and not have_mne:
                continue
            report.write(f"call\t{path}\t{name}\n")
            report.flush()
            try:
                call(c)
            except orva.Error:
                pass
            except Exception:  # anything but orva.Error is a fault of the module
                cause = traceback.format_exc().strip().splitlines()[-1]
                report.write(f"fail\t{path}\t{name}\t{cause}\n")
        report.write(f"done\t{path}\n")
        report.flush()
        for left in scratch.iterdir():
            left.unlink()


def run_child(batch, scratch, env):
    """Runs one child on the files of batch; returns its events, its exit status (None when
    it was stopped after a call that did not end) and the end of its standard error."""
    report_path = scratch.with_name(scratch.name + ".report")
    with open(report_path, "w") as report, open(scratch.with_name(scratch.name + ".stderr"), "w+") as err:
        child = subprocess.Popen([sys.executable, __file__, "--child", str(scratch), *batch], env=env,
                                 stdout=report, stderr=err)
        last_size, last_change, hung = -1, time.monotonic(), False
        while child.poll() is None:
            time.sleep(0.05)
            size = report_path.stat().st_size
            if size != last_size:
                last_size, last_change = size, time.monotonic()
            elif time.monotonic() - last_change > CALL_TIMEOUT_S:
                child.kill()
                child.wait()
                hung = True
        status = None if hung else child.returncode
        err.seek(0)
        tail = err.read().strip().splitlines()[-3:]
    events = [line.split("\t") for line in report_path.read_text(errors="replace").splitlines()]
    return events, status, tail


def run_children(paths, scratch):
    """The failures: (file, call, what happened). A child that dies or hangs is replaced by
    one for the files after the one it stopped on."""
    failures = []
    todo = list(paths)
    env = dict(os.environ, MPLBACKEND="Agg")
    while todo:
        batch, todo = todo[:BATCH], todo[BATCH:]
        events, status, tail = run_child(batch, scratch, env)
        finished, last = set(), None
        for kind, *rest in events:
            if kind == "call":
                last = rest
            elif kind == "fail":
                failures.append(tuple(rest))
            elif kind == "done":
                finished.add(rest[0])
        if status != 0:
            what = (f"did not end within {CALL_TIMEOUT_S} s" if status is None
                    else f"killed the interpreter (signal {-status})" if status < 0
                    else f"ended the interpreter (exit status {status})")
            failures.append((last[0] if last else batch[0], last[1] if last else "(starting)",
                             what + (": " + " | ".join(tail) if tail else "")))
            # The file the child stopped on is reported; the files after it go to a new child.
            todo = [p for p in batch if p not in finished][1:] + todo
    return failures


def generated_files(folder):
    """Files the format allows that hold nothing in some dimension, session and average, and
    the same cut short (for check=False)."""
    import numpy as np
    from datafiles import data_file

    def cell(number, obs, samples, channels, rate=250, average=False):
        made = {"number": number, "name": f"C{number}".encode(), "rate": rate,
                "data": (np.arange(obs * samples * channels, dtype=np.int16) % 97).reshape(obs, samples, channels)}
        if average:
            made["specifics"] = np.full((obs, 14), 3, dtype=np.int16)
        return made

    shapes = {
        "no-channels": ([(2, 3)], 0),
        "no-observations": ([(0, 3)], 4),
        "no-samples": ([(2, 0)], 4),
        "no-cells": ([], 4),
        "nothing": ([(0, 0)], 0),
        "mixed": ([(2, 5), (0, 5), (3, 0), (1, 7)], 5),
        "mixed-no-channels": ([(2, 5), (0, 0), (1, 3)], 0),
        "one-channel": ([(2, 4)], 1),
        "usual": ([(3, 16), (2, 16)], 6),
    }
    made = []
    for name, (cells, channels) in shapes.items():
        for average in (False, True):
            data = data_file([cell(10 + i, o, s, channels, average=average) for i, (o, s) in enumerate(cells)],
                             channels, average=average)
            for cut, suffix in ((len(data), ""), (len(data) * 3 // 4, "-cut")):
                path = folder / f"{name}{suffix}.{'ave' if average else 'ses'}"
                path.write_bytes(data[:cut])
                made.append(str(path))
    # A file of one channel at a rate of 0, another whose gains are 0.
    path = folder / "rate-0.ses"
    path.write_bytes(data_file([cell(1, 2, 4, 3, rate=0)], 3))
    made.append(str(path))
    path = folder / "gains-0.ses"
    path.write_bytes(data_file([cell(1, 2, 4, 3)], 3, gains=[0, 0, 0]))
    made.append(str(path))
    return made


def main(scratch, corpora):
    scratch.mkdir(parents=True, exist_ok=True)
    generated = scratch / "generated"
    generated.mkdir(exist_ok=True)
    work = scratch / "work"
    work.mkdir(exist_ok=True)
    shutil.rmtree(work)
    work.mkdir()
    paths = generated_files(generated)
    for corpus in corpora:
        paths += sorted(str(p) for p in pathlib.Path(corpus).rglob("*") if p.is_file())
    started = time.monotonic()
    # Two children at a time: most of a child's time is spent importing and waiting.
    shards = [(paths[i::CHILDREN], work / f"child{i}") for i in range(CHILDREN)]
    for _, folder in shards:
        folder.mkdir(exist_ok=True)
    with concurrent.futures.ThreadPoolExecutor(CHILDREN) as pool:
        failures = [f for found in pool.map(lambda shard: run_children(*shard), shards) for f in found]
    missing = uncovered_names()
    print(f"{len(paths)} files, {len(CALLS)} calls, {time.monotonic() - started:.1f} s", file=sys.stderr)
    for path, call, what in failures:
        print(f"FAIL {path}: {call}: {what}")
    for name in missing:
        print(f"FAIL {name} is not called: add a line to CALLS in {pathlib.Path(__file__).name}")
    return 1 if failures or missing else 0


if __name__ == "__main__":
    sys.path.insert(0, str(HERE))
    import orva

    if sys.argv[1] == "--child":
        # The report goes to the real standard output; whatever the module or MNE-Python
        # print goes to standard error.
        report = os.fdopen(os.dup(1), "w")
        os.dup2(2, 1)
        child(sys.argv[3:], report, pathlib.Path(sys.argv[2]))
        sys.exit(0)
    sys.exit(main(pathlib.Path(sys.argv[1]), sys.argv[2:]))
