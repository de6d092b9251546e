#!/usr/bin/python3
"""Many variations of one rupture scenario, each written as an SRF file with
its moment-rate function, on dask.distributed.

The scenario is a strike-slip rupture 30 km long and 12 km deep in 1 km
subfaults, starting at one end.  Each variation draws its slip, rupture
speed and rise times at random about the scenario's (its seed is its
number), and writes three files into the output folder:

    variation_N.csv              the subfault table (yoffe-srf's layout)
    variation_N.srf              the SRF file, its slip rates the library's
                                 moment-exact bin averages on the step --dt
    variation_N_moment_rate.csv  the moment-rate function, in closed form

Each file is written under a temporary name and renamed, so that a stopped
run leaves no half-written file.  By default the variations run on a
LocalCluster of this machine's cores:

    python3 examples/python/rupture_variations.py --variations 100 --out variations

On a cluster, start a scheduler and workers where yoffe is installed
(`dask scheduler` on one node, `dask worker tcp://HOST:8786` on each, from
Debian's python3-distributed), with an output folder that every worker
sees, then give the scheduler's address:

    python3 examples/python/rupture_variations.py --scheduler tcp://HOST:8786 \\
        --variations 100000 --out /shared/variations

It prints one line per variation: its number, moment (N m) and Mw.
"""
import argparse
import os
import sys

import numpy as np

import yoffe

DENSITY = 2700.0  # kg/m^3
VS = 3333.0  # m/s
MU = DENSITY * VS * VS  # rigidity, Pa: the one that the SRF's VS and DEN give


def table(seed):
    """The subfault table of variation `seed`: columns in yoffe-srf's units."""
    rng = np.random.default_rng(seed)
    along, down = np.meshgrid(np.arange(30) + 0.5, np.arange(12) + 0.5)
    along, down = along.ravel(), down.ravel()
    speed = rng.uniform(2.4, 3.0)  # km/s
    distance = np.hypot(along - 0.5, down - 8.0)
    slip = np.clip(1.0 + 0.4 * rng.standard_normal(along.size), 0.05, None)
    return {
        "lon": 100.0 + along / 95.0, "lat": np.full(along.size, 30.0),
        "depth_km": down, "strike": np.full(along.size, 90.0), "dip": np.full(along.size, 90.0),
        "rake": np.full(along.size, 180.0), "area_m2": np.full(along.size, 1.0e6),
        "slip_m": slip, "tinit_s": distance / speed,
        "taus_s": rng.uniform(0.08, 0.15, along.size), "taur_s": rng.uniform(1.0, 2.5, along.size),
        "vs_m_s": np.full(along.size, VS), "density_kg_m3": np.full(along.size, DENSITY),
    }


def replace(path, write):
    """Writes the file at path through write(temporary), then renames it."""
    temporary = "%s.tmp%d" % (path, os.getpid())
    try:
        write(temporary)
        os.replace(temporary, path)
    finally:
        if os.path.exists(temporary):
            os.remove(temporary)


def write_csv(path, columns):
    names = list(columns)
    rows = np.column_stack([np.asarray(columns[n], dtype=np.float64) for n in names])

    def write(temporary):
        with open(temporary, "w", encoding="ascii") as out:
            out.write(",".join(names) + "\n")
            for row in rows:
                out.write(",".join(repr(float(v)) for v in row) + "\n")
    replace(path, write)


def variation(seed, out, dt):
    """Writes variation `seed`'s three files into out; returns (seed, moment, Mw)."""
    t = table(seed)
    name = os.path.join(out, "variation_%d" % seed)
    write_csv(name + ".csv", t)
    # TINIT on the grid k dt nearest the onset (as yoffe-srf writes it), so
    # that every subfault's samples fall on the same steps; its slip rate as
    # bin averages over [TINIT + (k - 1/2) dt, TINIT + (k + 1/2) dt], on the
    # fewest steps that cover its support.
    tinit = np.rint(t["tinit_s"] / dt) * dt
    lead = tinit - t["tinit_s"]  # the first sample's time in the subfault's own
    support = t["taur_s"] + 2.0 * t["taus_s"]
    counts = np.ceil((support - lead) / dt + 0.5).astype(np.int64)
    k = np.arange(counts.max())
    rates = yoffe.slip_rate_average(k[None, :] * dt + lead[:, None], dt=dt,
                                    taus=t["taus_s"][:, None],
                                    taur=t["taur_s"][:, None])  # 1/s, unit slip
    keep = k[None, :] < counts[:, None]
    slip_cm = 100.0 * t["slip_m"]
    rupture = {
        "lon": t["lon"], "lat": t["lat"], "dep": t["depth_km"], "stk": t["strike"],
        "dip": t["dip"], "area": 1.0e4 * t["area_m2"], "tinit": tinit, "dt": dt,
        "vs": 100.0 * t["vs_m_s"], "den": t["density_kg_m3"] / 1000.0, "rake": t["rake"],
        "slip1": slip_cm, "sr1": (slip_cm[:, None] * rates)[keep], "nt1": counts,
        "comments": ["variation %d of a strike-slip scenario, written by rupture_variations.py" % seed,
                     "slip rates: bin averages of the regularized Yoffe function, dt %r s" % dt],
    }
    replace(name + ".srf", lambda temporary: yoffe.srf.write(temporary, rupture))
    weight = MU * t["area_m2"] * t["slip_m"]
    steps = int(np.ceil((t["tinit_s"] + support).max() / dt)) + 2
    rate = yoffe.moment_rate(onset=t["tinit_s"], taus=t["taus_s"], taur=t["taur_s"],
                             weight=weight, t0=0.0, dt=dt, n=steps)
    write_csv(name + "_moment_rate.csv",
              {"time_s": np.arange(steps) * dt, "moment_rate_N_m_s": rate})
    moment = float(weight.sum())
    return seed, moment, 2.0 / 3.0 * (np.log10(moment) - 9.1)


def main():
    parser = argparse.ArgumentParser(description="Rupture variations as SRF files, on dask.")
    parser.add_argument("--variations", type=int, default=8, help="how many (default 8)")
    parser.add_argument("--out", default="variations", help="the output folder")
    parser.add_argument("--dt", type=float, default=0.01, help="the SRF step, s (default 0.01)")
    parser.add_argument("--scheduler", help="a dask scheduler's address (default: a LocalCluster)")
    parser.add_argument("--workers", type=int, help="the LocalCluster's workers (default: cores)")
    args = parser.parse_args()
    if args.variations < 1 or not args.dt > 0.0:
        parser.error("--variations must be at least 1 and --dt above 0")
    from dask.distributed import Client, LocalCluster  # Debian python3-distributed

    os.makedirs(args.out, exist_ok=True)
    if args.scheduler:
        client = Client(args.scheduler)
    else:
        client = Client(LocalCluster(n_workers=args.workers, threads_per_worker=1,
                                     dashboard_address=None))
    with client:
        futures = client.map(variation, range(args.variations), out=args.out, dt=args.dt)
        for seed, moment, mw in client.gather(futures):
            print("variation %d: moment %.6e N m, Mw %.3f" % (seed, moment, mw))
    return 0


if __name__ == "__main__":
    sys.exit(main())
