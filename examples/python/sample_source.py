#!/usr/bin/python3
"""Samples one regularized Yoffe source: slip rate, slip and acceleration.

The source is given by its smoothing half-width taus and rise time taur
(--taus, --taur; by default the tool's source, 0.02 s and 3.1 s), or by its
peak time and effective duration (--tacc, --teff).  The three histories, for
unit final slip, are sampled every dt seconds from the onset until the slip
has reached 1, written to a CSV file and, with --plot and matplotlib,
drawn into a PNG.  For example, with the package installed (pip install .):

    python3 examples/python/sample_source.py \\
        --tacc 0.1 --teff 2.0 --dt 0.001 --out source.csv --plot source.png

Multiply the columns by the final slip of your fault patch (in m, say) to
get m/s, m and m/s^2.
"""
import argparse
import math
import sys

import numpy as np

try:
    import yoffe
except ImportError as error:
    sys.exit("sample_source.py: cannot import yoffe (%s); install the package first, "
             "from the source tree: python3 -m pip install ." % error)

MAX_SAMPLES = 100_000_000  # about 3 GB of columns: surely a mistaken dt


def parse_source(argv):
    """The command line, with args.taus and args.taur set however given."""
    parser = argparse.ArgumentParser(
        description="Sample the regularized Yoffe source time function (unit final slip).")
    parser.add_argument("--taus", type=float, help="smoothing half-width taus in s (default 0.02)")
    parser.add_argument("--taur", type=float, help="rise time taur in s (default 3.1)")
    parser.add_argument("--tacc", type=float, help="peak time T_acc in s, with --teff")
    parser.add_argument("--teff", type=float,
                        help="effective duration taur + 2 taus in s, with --tacc")
    parser.add_argument("--dt", type=float, default=0.005,
                        help="sampling interval in s (default 0.005)")
    parser.add_argument("--out", default="yoffe_source.csv",
                        help="CSV file to write (default yoffe_source.csv)")
    parser.add_argument("--plot", metavar="FILE", help="also draw the histories into this PNG")
    args = parser.parse_args(argv)

    by_peak = args.tacc is not None or args.teff is not None
    if by_peak and (args.taus is not None or args.taur is not None):
        parser.error("give the source either as --taus/--taur or as --tacc/--teff")
    if by_peak and (args.tacc is None or args.teff is None):
        parser.error("--tacc and --teff go together")
    if not (math.isfinite(args.dt) and args.dt > 0):
        parser.error("--dt must be a finite number of seconds > 0")
    try:
        if by_peak:
            found = yoffe.from_tacc_teff(tacc=args.tacc, teff=args.teff)
            args.taus, args.taur = (float(x) for x in found)
        else:
            args.taus = 0.02 if args.taus is None else args.taus
            args.taur = 3.1 if args.taur is None else args.taur
            yoffe.slip(0.0, taus=args.taus, taur=args.taur)  # checks the source
    except ValueError as error:
        parser.error(str(error))
    if (args.taur + 2 * args.taus) / args.dt > MAX_SAMPLES:
        parser.error("--dt %g s gives more than %d samples over the source"
                     % (args.dt, MAX_SAMPLES))
    return args


def draw(path, t, columns, title):
    try:
        import matplotlib
        matplotlib.use("Agg")  # files only, no display needed
        import matplotlib.pyplot as plt
    except ImportError:
        print("note: matplotlib is not installed, so no plot was drawn", file=sys.stderr)
        return
    fig, axes = plt.subplots(len(columns), 1, sharex=True, figsize=(7, 8))
    for ax, (label, values) in zip(axes, columns):
        ax.plot(t, values)
        ax.set_ylabel(label)
        ax.grid(True)
    axes[0].set_title(title)
    axes[-1].set_xlabel("time from the onset (s)")
    fig.tight_layout()
    fig.savefig(path, dpi=120)
    plt.close(fig)
    print("plot written to %s" % path)


def main(argv=None):
    args = parse_source(argv)
    taus, taur, dt = args.taus, args.taur, args.dt
    teff = taur + 2 * taus
    # Samples from the onset to the first one past the end of the support,
    # where the slip is 1.
    t = np.arange(math.floor(teff / dt) + 2) * dt
    rate = yoffe.slip_rate(t, taus=taus, taur=taur)
    slip = yoffe.slip(t, taus=taus, taur=taur)
    acc = yoffe.slip_acceleration(t, taus=taus, taur=taur)

    print("source: taus = %.6g s, taur = %.6g s, T_eff = %.6g s" % (taus, taur, teff))
    if taus > 0:
        tacc = yoffe.peak_time(taus=taus, taur=taur)
        print("peak time T_acc = %.9g s, peak slip rate = %.9g 1/s"
              % (tacc, yoffe.slip_rate(tacc, taus=taus, taur=taur)))
    else:
        print("peak time T_acc = 0 s: with taus = 0 the slip rate is infinite at the onset")

    header = "time_s,slip_rate_1_per_s,slip,slip_acceleration_1_per_s2"
    try:
        # Times to 12 digits, plenty for any sampling; values in full.
        np.savetxt(args.out, np.column_stack([t, rate, slip, acc]),
                   fmt=["%.12g", "%.17g", "%.17g", "%.17g"], delimiter=",",
                   header=header, comments="")
    except OSError as error:
        sys.exit("sample_source.py: cannot write %s: %s" % (args.out, error))
    print("%d samples, dt = %g s, written to %s" % (t.size, dt, args.out))

    if args.plot:
        title = "regularized Yoffe source, taus = %.4g s, taur = %.4g s" % (taus, taur)
        draw(args.plot, t, [("slip rate (1/s)", rate), ("slip", slip),
                            ("acceleration (1/s^2)", acc)], title)


if __name__ == "__main__":
    main()
