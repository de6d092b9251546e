#!/usr/bin/python3
"""A picture of a rupture in an SRF file: the slip on the fault, and the
moment-rate function of the file's samples (beside the closed form's, from
the subfault table the file was written from, where given).

    python3 examples/python/srf_picture.py variation_0.srf --table variation_0.csv --out srf.png

Any SRF file will do; the fault is drawn along strike and down dip as the
points' longitude and depth.  With the package installed (pip install .)
and matplotlib.
"""
import argparse

import numpy as np

import yoffe


def main():
    parser = argparse.ArgumentParser(description="Slip and moment rate of an SRF file.")
    parser.add_argument("srf", help="the SRF file")
    parser.add_argument("--table", help="the subfault table it was written from")
    parser.add_argument("--rigidity", type=float, help="Pa, for points without VS and DEN")
    parser.add_argument("--out", default="srf.png", help="the PNG to write")
    args = parser.parse_args()
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    r = yoffe.srf.read(args.srf)
    slip = np.sqrt(r["slip1"] ** 2 + r["slip2"] ** 2 + r["slip3"] ** 2) / 100.0  # m
    t, rate = yoffe.srf.moment_rate(r, rigidity=args.rigidity)
    figure, (fault, history) = plt.subplots(2, 1, figsize=(8, 7))
    dots = fault.scatter(r["lon"], r["dep"], c=slip, s=40, marker="s", cmap="viridis")
    fault.invert_yaxis()
    fault.set(xlabel="longitude (deg)", ylabel="depth (km)",
              title="%s: %d points, slip on the fault" % (args.srf, r["lon"].size))
    figure.colorbar(dots, ax=fault, label="slip (m)")
    history.plot(t, rate, label="the file's samples (step %g s)" % (t[1] - t[0]))
    if args.table:
        columns = np.genfromtxt(args.table, delimiter=",", names=True)
        mu = columns["density_kg_m3"] * columns["vs_m_s"] ** 2
        dt = t[1] - t[0]
        n = int(np.ceil((t[-1] + dt) / dt)) + 1
        closed = yoffe.moment_rate(onset=columns["tinit_s"], taus=columns["taus_s"],
                                   taur=columns["taur_s"],
                                   weight=mu * columns["area_m2"] * columns["slip_m"],
                                   t0=0.0, dt=dt, n=n)
        history.plot(np.arange(n) * dt, closed, "--", label="the table's closed form")
    history.set(xlabel="time (s)", ylabel="moment rate (N m/s)",
                title="moment %.4e N m" % (rate.sum() * (t[1] - t[0])))
    history.legend()
    figure.tight_layout()
    figure.savefig(args.out, dpi=110)


if __name__ == "__main__":
    main()
