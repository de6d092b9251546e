#!/usr/bin/python3
"""Writes series_coefficients.h, the constant tables of the library, each
entry the double (or double-double) nearest to its exact value, computed with
mpmath (Debian python3-mpmath) at 60 digits:

    /usr/bin/python3 lib/numeric/make_series_coefficients.py |
        clang-format --assume-filename=lib/numeric/series_coefficients.h \
        > lib/numeric/series_coefficients.h

CI runs it again and fails where the file differs (cmake/generated_file.cmake).
"""
import mpmath as mp

mp.mp.dps = 60


def hexd(v):
    """The double nearest to v, as a C++ hexadecimal literal."""
    return float(mp.mpf(v)).hex()


def dd(v):
    """The double-double nearest to v: {hi, lo}."""
    v = mp.mpf(v)
    hi = float(v)
    lo = float(v - mp.mpf(hi))
    return "{%s, %s}" % (hi.hex(), lo.hex())


def table(name, values, kind="double", per_line=2):
    out = ["inline constexpr %s %s[%d] = {" % (kind, name, len(values))]
    for i in range(0, len(values), per_line):
        out.append("    " + " ".join(v + "," for v in values[i:i + per_line]))
    out.append("};")
    return "\n".join(out)


def main():
    parts = []
    parts.append("""// Constant tables of the library, written by make_series_coefficients.py
// (mpmath at 60 digits) through clang-format; every entry is the double, or
// double-double {hi, lo}, nearest to the exact value named in its comment.
// Do not edit: rerun the script.
#pragma once

#include "numeric/double_double.h"

namespace numeric {

using numeric::dd::DD;""")
    # Integrals of even powers of the sine, K_n(alpha), as series in
    # s^2 = sin^2(alpha): K_n = s^(2n+1) sum_j c_nj s^(2j).
    for n in (1, 2, 3):
        vals = [hexd(mp.binomial(2 * j, j) / mp.mpf(4) ** j / (2 * n + 1 + 2 * j)) for j in range(12)]
        parts.append("// binomial(2j, j) / (4^j (%d + 2j)), j = 0..11.\n" % (2 * n + 1)
                     + table("kSinePower%dSeries" % n, vals))
    # The grid of split points theta = j pi / 16 inside the rise, j = 1..7
    # (j = 0 and 8 are its ends).
    grid = range(1, 8)
    parts.append("// sin(j pi / 16), cos(j pi / 16), sin^2(j pi / 16) and cos^2(j pi / 16),\n"
                 "// j = 1..7 at index j - 1.\n"
                 + table("kGridSine", [hexd(mp.sin(j * mp.pi / 16)) for j in grid]) + "\n"
                 + table("kGridCosine", [hexd(mp.cos(j * mp.pi / 16)) for j in grid]) + "\n"
                 + table("kGridSine2", [hexd(mp.sin(j * mp.pi / 16) ** 2) for j in grid]) + "\n"
                 + table("kGridCosine2", [hexd(mp.cos(j * mp.pi / 16) ** 2) for j in grid]))
    parts.append("// sin^2((j + 1/2) pi / 16), j = 0..7: the middles of the cells.\n"
                 + table("kCellMiddleSine2", [hexd(mp.sin((j + mp.mpf(1) / 2) * mp.pi / 16) ** 2)
                                              for j in range(8)]))
    # The Yoffe function's moments over the stretches between grid nodes,
    # for a rise of length 1: with x = sin^2(theta), Y dx = (4 / pi)
    # cos^2(theta) dtheta.
    rows = []
    for i in range(9):
        for j in range(i + 1, 9):
            a, b = i * mp.pi / 16, j * mp.pi / 16
            xa, xb = mp.sin(a) ** 2, mp.sin(b) ** 2
            w = lambda t: 4 / mp.pi * mp.cos(t) ** 2
            moments = [mp.quad(lambda t: w(t), [a, b]),
                       mp.quad(lambda t: (mp.sin(t) ** 2 - xa) * w(t), [a, b]),
                       mp.quad(lambda t: (mp.sin(t) ** 2 - xa) ** 2 * w(t), [a, b]),
                       mp.quad(lambda t: (xb - mp.sin(t) ** 2) * w(t), [a, b]),
                       mp.quad(lambda t: (xb - mp.sin(t) ** 2) ** 2 * w(t), [a, b])]
            rows.append("{" + ", ".join(hexd(m) for m in moments) + "}")
    parts.append("// The moments of the Yoffe function of a rise of length 1 over\n"
                 "// [x_i, x_j], x_k = sin^2(k pi / 16), for 0 <= i < j <= 8 in the order\n"
                 "// (0, 1), (0, 2) .. (0, 8), (1, 2) .. (7, 8): int Y dx, int (x - x_i) Y dx,\n"
                 "// int (x - x_i)^2 Y dx, int (x_j - x) Y dx and int (x_j - x)^2 Y dx.\n"
                 + table("kGridMoments", rows, "double", 1).replace("[36]", "[36][5]"))
    # Sine and cosine on [-pi/4, pi/4].
    parts.append("// (-1)^k / (2k + 1)!, k = 0..9.\n"
                 + table("kSineSeries", [hexd((-1) ** k / mp.factorial(2 * k + 1)) for k in range(10)]))
    parts.append("// (-1)^k / (2k)!, k = 0..10.\n"
                 + table("kCosineSeries", [hexd((-1) ** k / mp.factorial(2 * k)) for k in range(11)]))
    # Bessel functions: power series in z = x^2 / 4.
    parts.append("// (-1)^k / (k!)^2 and (-1)^k / (k! (k + 1)!), k = 0..17: J0(x) and\n"
                 "// 2 J1(x) / x in powers of x^2 / 4.\n"
                 + table("kBesselJ0Series", [hexd((-1) ** k / mp.factorial(k) ** 2) for k in range(18)]) + "\n"
                 + table("kBesselJ1Series",
                         [hexd((-1) ** k / (mp.factorial(k) * mp.factorial(k + 1))) for k in range(18)]))
    # Between x = 4 and 20, where neither the power series (in double) nor
    # Hankel's expansion holds the digits, Hankel's P and Q themselves,
    # smooth there: J_nu = sqrt(2 / (pi x)) (P cos chi - Q sin chi), chi =
    # x - (2 nu + 1) pi / 4, with P + i Q = sqrt(pi x / 2) H_nu(x) e^(-i chi).
    # Each as a polynomial in t = (x - middle) / half on the pieces between
    # kBesselPieceEdges: Chebyshev's interpolant at 40 nodes, cut where its
    # terms fall below 2^-57, and written in powers of t (whose coefficients
    # add up, in magnitude, to about the function itself).
    edges = [mp.mpf(4), mp.mpf(6), mp.mpf(9), mp.mpf(27) / 2, mp.mpf(20)]

    def hankel_pq(x, nu):
        chi = x - (2 * nu + 1) * mp.pi / 4
        k = mp.sqrt(mp.pi * x / 2)
        j, y = mp.besselj(nu, x), mp.bessely(nu, x)
        return k * (j * mp.cos(chi) + y * mp.sin(chi)), k * (y * mp.cos(chi) - j * mp.sin(chi))

    def powers_of_t(f, a, b, n=40, terms=17):
        nodes = [mp.cos(mp.pi * (j + mp.mpf(1) / 2) / n) for j in range(n)]
        values = [f((b - a) / 2 * t + (a + b) / 2) for t in nodes]
        c = [2 * mp.fsum(values[j] * mp.cos(mp.pi * k * (j + mp.mpf(1) / 2) / n) for j in range(n)) / n
             for k in range(n)]
        assert all(abs(ck) < mp.mpf(2) ** -57 for ck in c[terms:])
        powers = [mp.mpf(0)] * terms
        for k in range(terms):
            weight = c[k] / 2 if k == 0 else c[k]
            for i, v in enumerate(mp.taylor(lambda t: mp.chebyt(k, t), 0, k)):
                powers[i] += weight * v
        return powers

    rows = []
    for a, b in zip(edges, edges[1:]):
        for nu in (0, 1):
            for which in (0, 1):
                coefficients = powers_of_t(lambda x: hankel_pq(x, nu)[which], a, b)
                rows.append("{" + ", ".join(hexd(v) for v in coefficients) + "}")
    parts.append("// The edges of the pieces of 4 <= x < 20.\n"
                 + table("kBesselPieceEdges", [hexd(e) for e in edges]) + "\n"
                 "// P0, Q0, P1 and Q1 of Hankel's form on each piece, in powers of\n"
                 "// t = (x - middle) / half, t in [-1, 1]: row 4 i + k, k = 0..3.\n"
                 + table("kHankelPieces", rows, "double", 1).replace("[16]", "[16][17]"))
    # Hankel's expansion: a_k(nu) = prod_{j=1..k} (4 nu^2 - (2j - 1)^2) / (k! 8^k).
    def a(k, nu):
        r = mp.mpf(1)
        for j in range(1, k + 1):
            r *= 4 * nu * nu - (2 * j - 1) ** 2
        return r / (mp.factorial(k) * mp.mpf(8) ** k)
    for nu in (0, 1):
        parts.append(("// (-1)^k a_2k(%d) and (-1)^k a_2k+1(%d), k = 0..13, with a_k(nu) the\n"
                      "// product over j = 1..k of (4 nu^2 - (2j - 1)^2), over k! 8^k.\n") % (nu, nu)
                     + table("kHankelP%d" % nu, [hexd((-1) ** k * a(2 * k, nu)) for k in range(14)]) + "\n"
                     + table("kHankelQ%d" % nu, [hexd((-1) ** k * a(2 * k + 1, nu)) for k in range(14)]))
    h = mp.pi / 2
    h1 = float(h)
    h2 = float(h - h1)
    h3 = float(h - h1 - h2)
    parts.append("// pi / 2 = kHalfPi1 + kHalfPi2 + kHalfPi3 to about 160 bits, and 2 / pi.\n"
                 "inline constexpr double kHalfPi1 = %s;\n"
                 "inline constexpr double kHalfPi2 = %s;\n"
                 "inline constexpr double kHalfPi3 = %s;\n"
                 "inline constexpr double kTwoOverPi = %s;" % (h1.hex(), h2.hex(), h3.hex(), hexd(2 / mp.pi)))
    parts.append("}  // namespace numeric")
    print("\n\n".join(parts))


main()
