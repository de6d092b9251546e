#!/usr/bin/python3
"""The Python package's ufuncs on one thread and on two, side by side: the
slip rate of one source at 4 * 10^6 times, its support swept twice (so that
both halves cost the same: the cost of a time depends on where it falls),
then the same array in two halves evaluated by two threads at once.  The loops release the GIL, so two threads
on two free cores take about half the time.  Not a test: it prints the
best of nine runs of each and their quotient.

    python3 bench/python_threads.py        (with the package installed)
"""
import threading
import time

import numpy as np

import yoffe

N = 4_000_000
RUNS = 9
TAUS, TAUR = 0.1, 1.0


def one_thread(t, out):
    yoffe.slip_rate(t, taus=TAUS, taur=TAUR, out=out)


def two_threads(t, out):
    half = t.size // 2
    workers = [threading.Thread(target=yoffe.slip_rate, args=(t[:half],),
                                kwargs=dict(taus=TAUS, taur=TAUR, out=out[:half])),
               threading.Thread(target=yoffe.slip_rate, args=(t[half:],),
                                kwargs=dict(taus=TAUS, taur=TAUR, out=out[half:]))]
    for w in workers:
        w.start()
    for w in workers:
        w.join()


def best(run, t, out):
    times = []
    for _ in range(RUNS):
        start = time.perf_counter()
        run(t, out)
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    sweep = np.linspace(0.0, TAUR + 2 * TAUS, N // 2)
    t = np.concatenate([sweep, sweep])
    single, double = np.empty_like(t), np.empty_like(t)
    one = best(one_thread, t, single)
    two = best(two_threads, t, double)
    assert np.array_equal(single, double)
    print("slip_rate at %d times: one thread %.3f s, two threads %.3f s, speed-up %.2f"
          % (N, one, two, one / two))


if __name__ == "__main__":
    main()
