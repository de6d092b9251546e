#!/usr/bin/python3
"""Writes stf_reference.txt, the 50-digit references of the regularized Yoffe
source time function that tests/lib/stf_reference_test.cc checks the library
against.  Needs Debian's python3-mpmath:

    /usr/bin/python3 tests/data/make_stf_reference.py > tests/data/stf_reference.txt

The slip rate, slip and acceleration come from the closed forms: the second
differences, with step taus, of G, H and G' (the Yoffe function's second,
third and first integrals), divided by taus^2, at 70 digits so that the
second difference, which cancels by up to (taur / taus)^2 = 1e8, keeps more
than 50.  With taus = 0 they are the Yoffe function, its integral and its
derivative.  The amplitude is sqrt(J0^2 + J1^2)(pi f taur) times
(sin(pi f taus) / (pi f taus))^2, the peak time the zero of the acceleration
in (taus, 2 taus).  Before writing, a sample of the values is checked
against tanh-sinh quadrature of the convolution of the Yoffe function with
the triangle, split at the kinks and the ends of the rise (and the amplitude
formula against quadrature of the Fourier integral); the script stops if one
disagrees.

Every input is a double, written in its shortest round-trip form, and mpmath
uses its exact binary value.  Lines (whitespace separated):

    source  taus taur rate_peak acc_peak
    rate    taus taur t value
    slip    taus taur t value
    acc     taus taur t value
    amp     taus taur f value envelope
    peak    taus taur tpeak
    avg     taus taur t0 dt value
    xf      taus taur f real imaginary envelope
    rupture taus taur onset weight
    sumavg  0 0 t0 dt value
    sumxf   0 0 f real imaginary weights

rate_peak is the slip rate at its peak and acc_peak the largest magnitude of
the acceleration (0 for taus = 0, where both are infinite); envelope is
sqrt(J0^2 + J1^2) min(1, 1 / (pi f taus)^2).  avg is the slip rate
averaged over [t0 - dt/2, t0 + dt/2] (exact ends), xf the complex
transform X(f) = int x(t) exp(-2 pi i f t) dt.  The rupture rows list 1,000
random sources; sumavg is the sum of weight times each source's average
over [t0 - dt/2, t0 + dt/2] - onset, sumxf the sum of weight
exp(-2 pi i f onset) X(f), with weights the sum of |weight|.
"""
import math
import random
import sys

import mpmath as mp

mp.mp.dps = 70
DIGITS = 22  # significant digits written


def G(x, r):
    if x <= 0:
        return mp.mpf(0)
    if x >= r:
        return x - r / 4
    return ((4 * x - r) * mp.asin(mp.sqrt(x / r)) + (1 + 2 * x / r) * mp.sqrt(x * (r - x))) / (2 * mp.pi)


def H(x, r):
    if x <= 0:
        return mp.mpf(0)
    if x >= r:
        return x * x / 2 - r * x / 4 + r * r / 16
    return ((24 * x * x - 12 * x * r + 3 * r * r) * mp.asin(mp.sqrt(x / r))
            + (8 * x * x / r + 10 * x - 3 * r) * mp.sqrt(x * (r - x))) / (24 * mp.pi)


def F(x, r):
    """G', the Yoffe function's distribution."""
    if x <= 0:
        return mp.mpf(0)
    if x >= r:
        return mp.mpf(1)
    return 2 / mp.pi * (mp.asin(mp.sqrt(x / r)) + mp.sqrt(x * (r - x)) / r)


def yoffe(x, r):
    if x <= 0 or x >= r:
        return mp.mpf(0)
    return 2 / (mp.pi * r) * mp.sqrt((r - x) / x)


def yoffe_derivative(x, r):
    if x <= 0 or x >= r:
        return mp.mpf(0)
    return -1 / (mp.pi * x * mp.sqrt(x) * mp.sqrt(r - x))


def second_difference(f, t, s, r):
    return (f(t, r) - 2 * f(t - s, r) + f(t - 2 * s, r)) / (s * s)


def rate(t, s, r):
    t, s, r = mp.mpf(t), mp.mpf(s), mp.mpf(r)
    return yoffe(t, r) if s == 0 else second_difference(G, t, s, r)


def slip(t, s, r):
    t, s, r = mp.mpf(t), mp.mpf(s), mp.mpf(r)
    if s == 0:
        return F(t, r)
    return second_difference(H, t, s, r)


def acc(t, s, r):
    t, s, r = mp.mpf(t), mp.mpf(s), mp.mpf(r)
    return yoffe_derivative(t, r) if s == 0 else second_difference(F, t, s, r)


def bessel_modulus(x):
    return mp.sqrt(mp.besselj(0, x) ** 2 + mp.besselj(1, x) ** 2)


def amplitude(f, s, r):
    f, s, r = abs(mp.mpf(f)), mp.mpf(s), mp.mpf(r)
    if f == 0:
        return mp.mpf(1), mp.mpf(1)
    x = mp.pi * f * r
    b = bessel_modulus(x)
    if s == 0:
        return b, b
    y = mp.pi * f * s
    return b * (mp.sin(y) / y) ** 2, b * min(mp.mpf(1), 1 / (y * y))


def average(t0, dt, s, r):
    """The slip rate averaged over [t0 - dt/2, t0 + dt/2], the exact ends."""
    t0, dt = mp.mpf(t0), mp.mpf(dt)
    return (slip(t0 + dt / 2, s, r) - slip(t0 - dt / 2, s, r)) / dt


def spectrum(f, s, r):
    """X(f) = int x(t) exp(-2 pi i f t) dt, as (real, imaginary)."""
    f, s, r = mp.mpf(f), mp.mpf(s), mp.mpf(r)
    if f == 0:
        return mp.mpf(1), mp.mpf(0)
    x = mp.pi * f * r
    y = mp.pi * f * s
    triangle = (mp.sin(y) / y) ** 2 if s > 0 else mp.mpf(1)
    v = mp.exp(-1j * mp.pi * f * (r + 2 * s)) * (mp.besselj(0, x) + 1j * mp.besselj(1, x)) * triangle
    return v.real, v.imag


def bins(rng, s, r):
    """(t0, dt) of bins from a millionth of the source's shortest scale to ten supports."""
    end = r + 2 * s
    scale = min(s, r) if s > 0 else r
    out = [(end / 2, 10 * end)]
    for rel in (1e-6, 1e-3, 0.1, 0.5, 1.5, 3.0):
        for _ in range(2):
            out.append((rng.uniform(-0.05 * end, 1.05 * end), rel * scale))
    return out


def spectrum_frequencies(rng, s, r):
    top = max(s, r)
    return [rng.choice((-1, 1)) * 10 ** rng.uniform(-3, 3) / top for _ in range(12)] + [0.0]


def peak_time(s, r):
    s, r = mp.mpf(s), mp.mpf(r)
    f = lambda t: F(t, r) - 2 * F(t - s, r)  # the acceleration times s^2 on (s, 2 s)
    lo, hi = s, min(2 * s, s + r)
    for _ in range(400):  # bisection to 70 digits
        mid = (lo + hi) / 2
        if f(mid) > 0:
            lo = mid
        else:
            hi = mid
        if hi - lo < mp.mpf(10) ** (-65) * s:
            break
    return (lo + hi) / 2


def acc_peak(s, r):
    """The largest |acceleration|: its positive maximum is at taus (or the
    plateau 1 / taus^2 when taus > taur); the negative extreme is found on a
    grid refined around its best point."""
    if s == 0:
        return mp.mpf(0)
    s, r = mp.mpf(s), mp.mpf(r)
    best = abs(acc(s, s, r))
    end = r + 2 * s
    lo, hi = s, end
    for _ in range(6):
        grid = [lo + (hi - lo) * k / 200 for k in range(201)]
        vals = [abs(acc(t, s, r)) for t in grid]
        k = max(range(len(vals)), key=lambda i: vals[i])
        best = max(best, vals[k])
        lo, hi = grid[max(k - 1, 0)], grid[min(k + 1, 200)]
    return best


# Quadrature of the convolution, for the self-check.
def quad_split(f, a, b, cuts):
    pts = sorted(set([a, b] + [c for c in cuts if a < c < b]))
    return mp.fsum(mp.quad(f, [pts[i], pts[i + 1]]) for i in range(len(pts) - 1))


def by_quadrature(kind, t, s, r):
    t, s, r = mp.mpf(t), mp.mpf(s), mp.mpf(r)
    x0, x1, x2 = t, t - s, t - 2 * s
    lo, hi = max(x2, mp.mpf(0)), min(x0, r)
    if lo >= hi:
        if kind == "slip":
            return mp.mpf(1) if x2 >= r else mp.mpf(0)
        return mp.mpf(0)
    Y = lambda x: yoffe(x, r)
    cuts = [x1, mp.mpf(0), r]
    if kind == "rate":
        w = lambda x: (x - x2) / s ** 2 if x < x1 else (x0 - x) / s ** 2
        return quad_split(lambda x: Y(x) * w(x), lo, hi, cuts)
    if kind == "acc":
        w = lambda x: -1 / s ** 2 if x < x1 else 1 / s ** 2
        return quad_split(lambda x: Y(x) * w(x), lo, hi, cuts)
    # slip: the triangle's integral, 1 below x2
    w = lambda x: 1 - (x - x2) ** 2 / (2 * s * s) if x < x1 else (x0 - x) ** 2 / (2 * s * s)
    below = F(min(x2, r), r) if x2 > 0 else mp.mpf(0)
    return below + quad_split(lambda x: Y(x) * w(x), lo, hi, cuts)


def amplitude_by_quadrature(f, s, r):
    """|int S(t) e^(-2 pi i f t) dt| over the support, S from its closed form."""
    f, s, r = mp.mpf(f), mp.mpf(s), mp.mpf(r)
    w = 2 * mp.pi * f
    cuts = [s, 2 * s, r, r + s]
    end = r + 2 * s
    re = quad_split(lambda t: rate(t, s, r) * mp.cos(w * t), mp.mpf(0), end, cuts)
    im = quad_split(lambda t: rate(t, s, r) * mp.sin(w * t), mp.mpf(0), end, cuts)
    return mp.sqrt(re * re + im * im)


def fmt(v):
    return mp.nstr(mp.mpf(v), DIGITS, min_fixed=1, max_fixed=0) if v != 0 else "0"


def sources():
    """(taus, taur) pairs over taur / taus from 0.01 to 10000, at two time
    scales, and taus = 0."""
    out = []
    ratios = [0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1.0, 1.5, 2.0, 3.0, 5.0, 10.0, 20.0, 26.0, 30.0,
              50.0, 100.0, 155.0, 300.0, 1000.0, 3000.0, 10000.0]
    for i, k in enumerate(ratios):
        if i % 2 == 0:
            taus = 0.02
            taur = taus * k
        else:
            taur = 1.7
            taus = taur / k
        out.append((taus, taur))
    out.append((0.02, 3.1))  # the tool's source
    out.append((0.0, 3.1))
    out.append((0.0, 0.37))
    # The ends of the domain: taur from 1e-100 to 1e100 s, taus from
    # taur 1e-50 to taur 1e50 (the bounds as the library computes them,
    # in double), and between them.
    out.append((1e-100 * 1e50, 1e-100))
    out.append((1e100 * 1e-50, 1e100))
    out.append((1e-100, 1e-100))
    out.append((1e100, 1e100))
    out.append((0.0, 1e-100))
    out.append((0.0, 1e100))
    for k in (1e-20, 1e-6, 1e6, 1e20, 1e35):
        out.append((1.7 / k, 1.7))
    return out


def digits_for(s, r):
    """Working digits: the second differences cancel by up to (taur / taus)^2."""
    return 70 + (2 * int(math.ceil(math.log10(r / s))) if s > 0 and r > s else 0)


def times(rng, s, r):
    end = r + 2 * s
    ts = [rng.uniform(-0.05 * end, 1.05 * end) for _ in range(30)]
    if s > 0:
        ts += [rng.uniform(0, 3 * s) for _ in range(15)]
        ts += [rng.uniform(max(0.0, r - 2 * s), r + 2 * s) for _ in range(10)]
        bounds = [s, 2 * s, r, r + s, r + 2 * s]
    else:
        ts += [rng.uniform(0, 0.05 * r) for _ in range(10)]
        ts += [rng.uniform(0.95 * r, r) for _ in range(10)]
        ts += [r * 1e-12, r * 1e-6]
        bounds = [r]
    for b in bounds:
        ts += [b, math.nextafter(b, 0), math.nextafter(b, math.inf), b * (1 - 1e-9), b * (1 + 1e-9)]
    if s > 0:
        # Where a point of the triangle (x = t - k taus) meets a node of the
        # library's grid, x = taur sin^2(j pi / 16).
        for j in range(1, 8):
            for k in range(3):
                b = k * s + r * math.sin(j * math.pi / 16) ** 2
                ts += [b, math.nextafter(b, math.inf)]
    ts += [0.0, -1.0, end * 2, 1e-12 * max(s, r)]
    return ts


def frequencies(rng, s, r):
    m = max(s, r)
    fs = [10 ** rng.uniform(-3, 5) / (math.pi * m) for _ in range(40)]
    # Where the rounding of the argument itself, were it formed in double,
    # would reach the target: pi f taus near 1000.
    fs += [10 ** rng.uniform(2.5, 3) / (math.pi * m) for _ in range(20)]
    if s >= r:
        fs += [rng.uniform(900, 1000) / (math.pi * s) for _ in range(60)]
    # Around the ends of the Bessel forms (x = 4 and 20) and far out.
    for x in (3.999, 4.001, 19.99, 20.01, 999.0, 1001.0, 1e6):
        fs.append(x / (math.pi * r))
    if s > 0:
        for k in (1, 2, 3, 100, 10000):  # zeros of the triangle's factor, and beside them
            fs += [k / s, k / s * (1 + 1e-7)]
    fs += [0.0, -fs[0], -fs[5]]
    return fs


def main():
    rng = random.Random(20240531)
    lines = [
        "# 50-digit references of the regularized Yoffe source time function,",
        "# written by make_stf_reference.py (the format is described there).",
    ]
    checks = []
    # The bins and spectra draw from a generator of their own, so that the
    # other rows stay as they were.
    more = random.Random(20261209)
    for s, r in sources():
        mp.mp.dps = digits_for(s, r)
        tp = peak_time(s, r) if s > 0 else None
        rp = rate(tp, s, r) if s > 0 else mp.mpf(0)
        lines.append("source %r %r %s %s" % (s, r, fmt(rp), fmt(acc_peak(s, r))))
        for t in times(rng, s, r):
            for kind, fn in (("rate", rate), ("slip", slip), ("acc", acc)):
                v = fn(t, s, r)
                lines.append("%s %r %r %r %s" % (kind, s, r, t, fmt(v)))
                checks.append((kind, t, s, r, v))
        for f in frequencies(rng, s, r):
            v, e = amplitude(f, s, r)
            lines.append("amp %r %r %r %s %s" % (s, r, f, fmt(v), fmt(e)))
        if s > 0:
            lines.append("peak %r %r %s" % (s, r, fmt(tp)))
        mp.mp.dps = digits_for(s, r) + 25  # the difference of slips cancels too
        for t0, dt in bins(more, s, r):
            lines.append("avg %r %r %r %r %s" % (s, r, t0, dt, fmt(average(t0, dt, s, r))))
        mp.mp.dps = digits_for(s, r)
        for f in spectrum_frequencies(more, s, r):
            re, im = spectrum(f, s, r)
            lines.append("xf %r %r %r %s %s %s" % (s, r, f, fmt(re), fmt(im),
                                                    fmt(amplitude(f, s, r)[1])))
    lines += rupture_rows(random.Random(20261210))
    self_check(rng, checks)
    sys.stdout.write("\n".join(lines) + "\n")


def rupture_rows(rng):
    """A rupture of 1,000 random sources (a tenth without smoothing, weights
    of both signs) and its sums on bins and at frequencies."""
    sources = []
    for j in range(1000):
        taur = rng.uniform(0.3, 3.0)
        taus = 0.0 if j % 10 == 0 else rng.uniform(0.02, 0.3)
        sources.append((rng.uniform(0.0, 20.0), taus, taur, rng.uniform(-0.5, 2.0)))
    lines = ["rupture %r %r %r %r" % (s, r, onset, w) for onset, s, r, w in sources]
    weights = sum(abs(w) for _, _, _, w in sources)
    mp.mp.dps = 100
    for t0, dt in [(rng.uniform(-1.0, 25.0), dt) for dt in (1e-4, 0.003, 0.05, 0.4, 2.0)
                   for _ in range(3)]:
        lo, hi = mp.mpf(t0) - mp.mpf(dt) / 2, mp.mpf(t0) + mp.mpf(dt) / 2
        total = mp.mpf(0)
        for onset, s, r, w in sources:
            # Bins beyond a source's support take nothing from it.
            if hi > onset and lo < onset + mp.mpf(r) + 2 * mp.mpf(s):
                total += w * (slip(hi - onset, s, r) - slip(lo - onset, s, r))
        lines.append("sumavg 0 0 %r %r %s" % (t0, dt, fmt(total / dt)))
    mp.mp.dps = 50
    for f in [0.0] + [rng.choice((-1, 1)) * 10 ** rng.uniform(-2, 1) for _ in range(6)]:
        re = im = mp.mpf(0)
        for onset, s, r, w in sources:
            x = mp.mpc(*spectrum(f, s, r)) * mp.exp(-2j * mp.pi * mp.mpf(f) * mp.mpf(onset))
            re += w * x.real
            im += w * x.imag
        lines.append("sumxf 0 0 %r %s %s %s" % (f, fmt(re), fmt(im), fmt(weights)))
    return lines


def self_check(rng, checks):
    # tanh-sinh loses about 20 digits to the inverse square root at the
    # onset: 45 digits leave 25.
    saved = mp.mp.dps
    mp.mp.dps = 45
    worst = 0
    for kind, t, s, r, v in rng.sample(checks, 60):
        if s == 0 or not 1e-3 <= r / s <= 1e5 or not 1e-6 < r < 1e6:
            continue
        q = by_quadrature(kind, t, s, r)
        scale = max(abs(v), mp.mpf(1) / (s * s) if kind == "acc" else mp.mpf(1) / s)
        err = abs(q - v) / scale
        worst = max(worst, err)
        if err > mp.mpf(10) ** -20:
            sys.exit("self-check failed: %s taus=%r taur=%r t=%r closed form %s, quadrature %s"
                     % (kind, s, r, t, v, q))
    for f, s, r in ((0.7, 0.02, 3.1), (3.3, 0.3, 1.1), (0.9, 1.2, 0.05), (2.1, 0.5, 1.0)):
        v, _ = amplitude(f, s, r)
        q = amplitude_by_quadrature(f, s, r)
        if abs(q - v) > mp.mpf(10) ** -18:
            sys.exit("self-check failed: amplitude at %r Hz, taus=%r taur=%r: %s vs %s" % (f, s, r, v, q))
    mp.mp.dps = saved
    sys.stderr.write("self-check: worst relative disagreement with quadrature %s\n" % mp.nstr(worst, 3))


main()
