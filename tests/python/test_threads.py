# Threads: files read at once give what they give alone, and long calls let others run.
import threading
import time

import numpy as np

from conftest import data_file, orva, random_cells


def test_two_threads_read_at_once(tmp_path, demo_ses, demo_ave):
    expected = {p: [c.data() for c in orva.read(p).cells] for p in (demo_ses, demo_ave)}
    results, errors = {}, []

    def work(path, key):
        try:
            for _ in range(5):
                f = orva.read(path)
                results[key] = [c.data() for c in f.cells]
                f.long_table(chans="1")
        except Exception as e:  # reported below
            errors.append(e)

    threads = [threading.Thread(target=work, args=(p, i)) for i, p in enumerate((demo_ses, demo_ave))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors
    for i, p in enumerate((demo_ses, demo_ave)):
        for got, want in zip(results[i], expected[p]):
            np.testing.assert_array_equal(got, want)


def test_long_calls_release_the_interpreter(tmp_path):
    rng = np.random.default_rng(4)
    path = tmp_path / "big.ses"
    path.write_bytes(data_file(random_cells(rng, [(400, 250, 64)], 64), 64))
    f = orva.read(path)
    ticks = 0
    done = threading.Event()

    def calls():
        for _ in range(4):
            orva.read(path).cells[0].data()
            f.filter(30)
        done.set()

    worker = threading.Thread(target=calls)
    start = time.perf_counter()
    worker.start()
    while not done.is_set():
        ticks += 1
        time.sleep(0)
    worker.join()
    # The main thread kept running all along, not only between the calls.
    assert ticks > 50, (ticks, time.perf_counter() - start)
