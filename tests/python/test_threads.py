# Runs on several threads at once: the GIL is released while the pipeline works
# and nothing is shared between runs.
import threading
from concurrent.futures import ThreadPoolExecutor

import numpy as np

import kestrano


def test_two_threads_give_the_sequential_results(crop):
    images = [crop, np.ascontiguousarray(crop[::-1, :])]
    sequential = [kestrano.run(image, threads=1) for image in images]
    with ThreadPoolExecutor(max_workers=2) as pool:
        parallel = list(pool.map(lambda image: kestrano.run(image, threads=1), images))
    for s, p in zip(sequential, parallel):
        assert p.log == s.log
        np.testing.assert_array_equal(p.image, s.image)
        np.testing.assert_array_equal(p.segments, s.segments)
    assert sequential[0].log != sequential[1].log


def test_python_code_runs_while_the_pipeline_works(crop):
    started, main_done = threading.Event(), threading.Event()
    seen = []

    def work():
        started.set()
        kestrano.run(crop, threads=1)
        seen.append(main_done.is_set())

    worker = threading.Thread(target=work)
    worker.start()
    started.wait()
    # Held for the whole run, the GIL would keep this thread from getting here
    # before the run is over.
    sum(range(1000))
    main_done.set()
    worker.join()
    assert seen == [True]
