#!/usr/bin/python3
"""A rupture's moment-rate function and its spectrum, the way a solver would
take them and the way the library gives them.

A strike-slip rupture 30 km long and 12 km deep, in 1 km subfaults, starts
at one end and runs at 2.8 km/s; each subfault slips 1 m (with some
variation) through a regularized Yoffe source of taus 0.1 s and taur 1.2 to
2 s.  Its moment-rate function is drawn at a coarse step of 0.25 s as point
samples (what most codes take) and as bin averages (moment-exact), beside
the same function on a fine step; and its spectrum in closed form beside
the FFT of the coarse point samples.

    python3 examples/python/moment_rate.py --out rupture.png

With the package installed (pip install .) and matplotlib.
"""
import argparse

import numpy as np

import yoffe

MU = 3.0e10  # rigidity, Pa
AREA = 1.0e6  # subfault area, m^2


def rupture():
    """The subfaults: onset (s), taus and taur (s), weight mu A D (N m)."""
    rng = np.random.default_rng(7)
    along, down = np.meshgrid(np.arange(30) + 0.5, np.arange(12) + 0.5)
    distance = np.hypot(along - 0.5, down - 8.0).ravel()  # km from the hypocentre
    slip = 1.0 + 0.3 * rng.standard_normal(distance.size).clip(-2, 2)
    return dict(onset=distance / 2.8, taus=np.full(distance.size, 0.1),
                taur=rng.uniform(1.2, 2.0, distance.size), weight=MU * AREA * slip)


def main():
    parser = argparse.ArgumentParser(description="A rupture's moment rate, sampled and averaged.")
    parser.add_argument("--out", default="rupture.png", help="the PNG to write")
    args = parser.parse_args()
    sources = rupture()
    moment = sources["weight"].sum()
    coarse, fine = 0.25, 0.005
    n_coarse, n_fine = int(18 / coarse), int(18 / fine)
    averaged = yoffe.moment_rate(**sources, t0=0.0, dt=coarse, n=n_coarse)
    sampled = yoffe.moment_rate(**sources, t0=0.0, dt=coarse, n=n_coarse, sampling="point")
    reference = yoffe.moment_rate(**sources, t0=0.0, dt=fine, n=n_fine)
    print("moment %.6e N m; coarse averages hold %.12f of it, coarse point samples %.6f"
          % (moment, averaged.sum() * coarse / moment, sampled.sum() * coarse / moment))

    f = np.linspace(0.0, 0.5 / coarse, 400)[1:]
    closed = np.abs(yoffe.moment_rate_spectrum(f, **sources))
    by_fft = np.abs(np.fft.rfft(sampled) * coarse)
    f_fft = np.fft.rfftfreq(sampled.size, coarse)

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, (top, bottom) = plt.subplots(2, 1, figsize=(7, 7.5))
    t_fine = np.arange(n_fine) * fine
    t_coarse = np.arange(n_coarse) * coarse
    top.plot(t_fine, reference / 1e18, color="0.6", lw=1, label="fine step, 0.005 s")
    top.step(t_coarse, averaged / 1e18, where="mid", color="C0", label="bin averages, 0.25 s")
    top.plot(t_coarse, sampled / 1e18, "o", ms=3, color="C3", label="point samples, 0.25 s")
    top.set_xlabel("time (s)")
    top.set_ylabel("moment rate (10^18 N m/s)")
    top.legend()
    bottom.loglog(f, closed, color="C0", label="closed form")
    bottom.loglog(f_fft[1:], by_fft[1:], "o", ms=3, color="C3", label="FFT of the point samples")
    bottom.set_xlabel("frequency (Hz)")
    bottom.set_ylabel("|spectrum| (N m)")
    bottom.legend()
    fig.tight_layout()
    fig.savefig(args.out, dpi=110)
    print("picture written to %s" % args.out)


if __name__ == "__main__":
    main()
