# Shared by the tests of the Python module: where the build put the module and the batch
# tool; the writer of small data files (datafiles.py).
import os
import pathlib
import subprocess
import sys

import pytest

BUILD_BIN = pathlib.Path(os.environ.get("ORVA_BIN_DIR", pathlib.Path(__file__).parents[2] / "build/dev/bin"))
MODULE_DIR = os.environ.get("ORVA_PYTHON_DIR", str(BUILD_BIN.parent / "python"))
if MODULE_DIR not in sys.path:
    sys.path.insert(0, MODULE_DIR)

import orva  # noqa: E402
from datafiles import data_file, random_cells  # noqa: E402,F401


def run_orva(*args, check=True):
    """Runs the batch tool; returns the completed process (text decoded as Windows-1252)."""
    # Under the sanitizers the interpreter runs with their run-time preloaded; the batch tool
    # brings its own and must not get a second one.
    env = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}
    result = subprocess.run([str(BUILD_BIN / "orva"), *map(str, args)], capture_output=True, env=env)
    result.stdout = result.stdout.decode("cp1252", errors="replace")
    result.stderr = result.stderr.decode("cp1252", errors="replace")
    if check and result.returncode != 0:
        raise AssertionError(f"orva {' '.join(map(str, args))} failed: {result.stderr}")
    return result


@pytest.fixture
def demo_ses():
    return BUILD_BIN / "demo.ses"


@pytest.fixture
def demo_ave():
    return BUILD_BIN / "demo.ave"
