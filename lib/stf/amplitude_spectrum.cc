// Amplitude spectrum of the slip rate.
//
// The Yoffe function's transform is e^(-i w taur / 2) [J0(w taur / 2) +
// i J1(w taur / 2)] and the triangle's e^(-i w taus) sinc^2(w taus / 2), so
// at f Hz, with x = pi f taur and y = pi f taus,
//
//   |slip rate^(f)| = sqrt(J0^2(x) + J1^2(x)) (sin(y) / y)^2.
//
// The triangle's factor needs sin(y) to an absolute accuracy of the last
// place of 1, which the rounding of y alone would spoil as y grows: y is
// formed as a double-double (pi in two parts times the exact product f taus)
// and reduced by pi / 2 in three parts (numeric/trigonometric.h).  The
// Bessel modulus is smooth, with an oscillation of relative size 1 / (2x)
// only, and takes two forms: the power series below x = 4, and Hankel's
// form sqrt(2 / (pi x)) (P cos chi - Q sin chi) beyond, with P and Q,
// smooth and without oscillation, from polynomials fitted on four pieces up
// to x = 20 (where the power series would add up terms of 4e7 in
// magnitude) and from Hankel's expansion, whose 28 terms reach 2^-57, from
// 20 on.  Of the C library only
// exact functions are used (sqrt, which IEEE arithmetic rounds correctly,
// fabs, floor and round), so the results are the same everywhere.
#include <cmath>
#include <cstddef>
#include <limits>

#include "numeric/double_double.h"
#include "numeric/polynomial.h"
#include "numeric/series_coefficients.h"
#include "numeric/trigonometric.h"
#include "source_time_function.h"

namespace yoffe::detail {
namespace {

using numeric::dd::DD;
using numeric::dd::kPi;
using numeric::dd::mul;
using numeric::dd::sub;
using numeric::dd::two_prod;
using numeric::horner;
using numeric::kBesselJ0Series;
using numeric::kBesselJ1Series;
using numeric::kBesselPieceEdges;
using numeric::kHankelP0;
using numeric::kHankelP1;
using numeric::kHankelPieces;
using numeric::kHankelQ0;
using numeric::kHankelQ1;
using numeric::kTwoOverPi;
using numeric::dd::kHalfPi;
using numeric::sin_cos;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kSqrtTwoOverPi = 0x1.9884533d43651p-1;  // sqrt(2 / pi)
constexpr double kSqrtHalf = 0x1.6a09e667f3bcdp-1;       // sqrt(1 / 2)

// pi a b for a, b >= 0, as a double-double while the product is exact,
// rounded beyond (where its rounding is below the result's resolution).
DD pi_times(double a, double b) {
  const double p = a * b;
  if (!(p > 0x1p-900 && p < 0x1p900 && a < 0x1p995 && b < 0x1p995)) return {kPi.hi * p, 0.0};
  return mul(kPi, two_prod(a, b));
}

// Hankel's P0, Q0, P1 and Q1 at 4 <= x < 2^60: J0 = k (P0 cos chi -
// Q0 sin chi) and J1 = k (P1 sin chi + Q1 cos chi), chi = x - pi / 4 and
// k^2 = 2 / (pi x).
struct HankelForm {
  double p0;
  double q0;
  double p1;
  double q1;
};

HankelForm hankel_form(double x) {
  if (x < 20.0) {
    const int i = x < kBesselPieceEdges[2] ? (x < kBesselPieceEdges[1] ? 0 : 1)
                                           : (x < kBesselPieceEdges[3] ? 2 : 3);
    const double half = 0.5 * (kBesselPieceEdges[i + 1] - kBesselPieceEdges[i]);
    const double t = (x - (kBesselPieceEdges[i] + half)) / half;
    const double(*c)[17] = &kHankelPieces[4 * i];
    return {horner<17>(c[0], t), horner<17>(c[1], t), horner<17>(c[2], t), horner<17>(c[3], t)};
  }
  const double w = 1.0 / x;
  const double u = w * w;
  return {horner<14>(kHankelP0, u), w * horner<14>(kHankelQ0, u), horner<14>(kHankelP1, u),
          w * horner<14>(kHankelQ1, u)};
}

// sqrt(J0^2(x) + J1^2(x)) for x >= 0.
double bessel_modulus(DD x) {
  if (x.hi < 4.0) {
    const double z = 0.25 * (x.hi * x.hi);
    const double j0 = horner<18>(kBesselJ0Series, z);
    const double j1 = (0.5 * x.hi) * horner<18>(kBesselJ1Series, z);
    return std::sqrt(j0 * j0 + j1 * j1);
  }
  // J0^2 + J1^2 = k^2 (mean + wave_s sin 2x - wave_c cos 2x).
  const double w = 1.0 / x.hi;
  if (x.hi > 0x1p60) return std::sqrt(kTwoOverPi * w);
  const HankelForm h = hankel_form(x.hi);
  const double mean = 0.5 * ((h.p0 * h.p0 + h.q1 * h.q1) + (h.p1 * h.p1 + h.q0 * h.q0));
  const double wave_s = 0.5 * ((h.p0 * h.p0 - h.p1 * h.p1) + (h.q1 * h.q1 - h.q0 * h.q0));
  const double wave_c = h.p1 * h.q1 - h.p0 * h.q0;
  double sine = 0.0;
  double cosine = 0.0;
  sin_cos(DD{2.0 * x.hi, 2.0 * x.lo}, sine, cosine);
  return std::sqrt((kTwoOverPi * w) * ((mean + wave_s * sine) - wave_c * cosine));
}

// J0(x) and J1(x) for 0 <= x < 2^60, each within a few units of the last
// place of the envelope (1 below x = 4, sqrt(2 / (pi x)) beyond), with the
// sine and cosine of x: from chi's, where Hankel's form takes them.
struct BesselPair {
  double j0;
  double j1;
  double sine;
  double cosine;
};

BesselPair bessel_pair(DD x) {
  BesselPair b{0.0, 0.0, 0.0, 0.0};
  if (x.hi < 4.0) {
    const double z = 0.25 * (x.hi * x.hi);
    b.j0 = horner<18>(kBesselJ0Series, z);
    b.j1 = (0.5 * x.hi) * horner<18>(kBesselJ1Series, z);
    sin_cos(x, b.sine, b.cosine);
    return b;
  }
  const HankelForm h = hankel_form(x.hi);
  const double k = std::sqrt(kTwoOverPi / x.hi);
  double sine = 0.0;
  double cosine = 0.0;
  sin_cos(sub(x, DD{0.5 * kHalfPi.hi, 0.5 * kHalfPi.lo}), sine, cosine);  // chi
  b.j0 = k * (h.p0 * cosine - h.q0 * sine);
  b.j1 = k * (h.p1 * sine + h.q1 * cosine);
  // x = chi + pi / 4.
  b.sine = (sine + cosine) * kSqrtHalf;
  b.cosine = (cosine - sine) * kSqrtHalf;
  return b;
}

// (sin(y) / y)^2 for y >= 0.
double triangle_factor(DD y) {
  if (y.hi < 0x1p-20) return 1.0 - (y.hi * y.hi) * (1.0 / 3.0);
  // Beyond 2^60 the oscillation is finer than the frequency's own last
  // place: its mean.
  if (y.hi > 0x1p60) return (0.5 / y.hi) / y.hi;  // y^2 could overflow
  double sine = 0.0;
  double cosine = 0.0;
  sin_cos(y, sine, cosine);
  const double q = sine / y.hi;
  return q * q;
}

}  // namespace

double amplitude_at(const Shape& p, double f) {
  if (std::isnan(f)) return f;
  if (f == 0.0) return 1.0;
  const double a = std::fabs(f);
  if (a == kInfinity) return 0.0;
  // Beyond 2^600 cycles per unit of time both factors have their far forms:
  // the Bessel modulus sqrt(2 / (pi x)), x = pi f taur, is below 2^-300 and
  // the triangle's (below 2^-860 within the domain) takes the product below
  // the smallest double.  Without the triangle, x is formed in two square
  // roots, so that nothing overflows.
  if (a > 0x1p600 * p.inv_unit) {
    if (p.taus > 0.0) return 0.0;
    return kSqrtTwoOverPi / (std::sqrt(kPi.hi * p.taur) * (std::sqrt(a) * std::sqrt(p.unit)));
  }
  const double cycles = a * p.unit;  // per internal unit of time
  const double modulus = bessel_modulus(pi_times(cycles, p.taur));
  if (p.taus == 0.0) return modulus;
  return modulus * triangle_factor(pi_times(cycles, p.taus));
}

// The slip rate's Fourier transform at f Hz, X(f) = int S(t) e^(-2 pi i f t) dt
// = e^(-i x) [J0(x) + i J1(x)] e^(-2 i y) (sin(y) / y)^2, x = pi f taur and
// y = pi f taus, the phases' sines and cosines from the double-double
// arguments x (or chi) and y, e^(-2 i y) by the double angle.  X(-f) is the
// conjugate of X(f).  Where pi f max(taus, taur) passes 2^60 the phase is
// lost in the rounding of f itself, and the transform is 0, the mean of its
// oscillation.
void transform_at(const Shape& p, double f, double& re, double& im) {
  if (std::isnan(f)) {
    re = im = f;
    return;
  }
  if (f == 0.0) {
    re = 1.0;
    im = 0.0;
    return;
  }
  const double a = std::fabs(f);
  re = im = 0.0;
  if (a > 0x1p600 * p.inv_unit) return;
  const double cycles = a * p.unit;
  const DD x = pi_times(cycles, p.taur);
  const DD y = pi_times(cycles, p.taus);
  if (x.hi > 0x1p60 || y.hi > 0x1p59) return;
  const BesselPair b = bessel_pair(x);
  double xr = b.j0 * b.cosine + b.j1 * b.sine;  // e^(-i x) (J0 + i J1)
  double xi = b.j1 * b.cosine - b.j0 * b.sine;
  if (p.taus > 0.0) {
    double sy = 0.0;
    double cy = 0.0;
    sin_cos(y, sy, cy);
    const double q = sy / y.hi;
    const double t = y.hi < 0x1p-20 ? 1.0 - (y.hi * y.hi) * (1.0 / 3.0) : q * q;
    const double tr = t * ((cy - sy) * (cy + sy));  // t cos 2y
    const double ti = -(t * (2.0 * (sy * cy)));     // -t sin 2y
    const double r = xr * tr - xi * ti;
    xi = xr * ti + xi * tr;
    xr = r;
  }
  re = xr;
  im = f < 0.0 ? -xi : xi;
}

void transform_each(const Shape& p, std::size_t n, const double* in, double* out) {
  for (std::size_t i = 0; i < n; ++i) transform_at(p, in[i], out[2 * i], out[2 * i + 1]);
}

void amplitude_each(const Shape& p, std::size_t n, const double* in, double* out) {
  for (std::size_t i = 0; i < n; ++i) out[i] = amplitude_at(p, in[i]);
}

}  // namespace yoffe::detail
