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
// and reduced by pi / 2 in three parts (numeric/trigonometric.h).  The Bessel modulus is smooth, with
// an oscillation of relative size 1 / (2x) only, and takes three forms:
// the power series below x = 4, the same series in double-double up to 20
// (its terms add up to 4e7 in magnitude there), and Hankel's expansion
// beyond, whose 28 terms reach 2^-57 from x = 20 on.  Of the C library only
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

using numeric::dd::add;
using numeric::dd::DD;
using numeric::dd::kPi;
using numeric::dd::mul;
using numeric::dd::rounded;
using numeric::dd::sub;
using numeric::dd::two_prod;
using numeric::horner;
using numeric::kBesselJ0Series;
using numeric::kBesselJ0SeriesDD;
using numeric::kBesselJ1Series;
using numeric::kBesselJ1SeriesDD;
using numeric::kHankelP0;
using numeric::kHankelP1;
using numeric::kHankelQ0;
using numeric::kHankelQ1;
using numeric::kTwoOverPi;
using numeric::dd::kHalfPi;
using numeric::sin_cos;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kSqrtTwoOverPi = 0x1.9884533d43651p-1;  // sqrt(2 / pi)

// pi a b for a, b >= 0, as a double-double while the product is exact,
// rounded beyond (where its rounding is below the result's resolution).
DD pi_times(double a, double b) {
  const double p = a * b;
  if (!(p > 0x1p-900 && p < 0x1p900 && a < 0x1p995 && b < 0x1p995)) return {kPi.hi * p, 0.0};
  return mul(kPi, two_prod(a, b));
}

// sqrt(J0^2(x) + J1^2(x)) for x >= 0.
double bessel_modulus(DD x) {
  if (x.hi < 4.0) {
    const double z = 0.25 * (x.hi * x.hi);
    const double j0 = horner<18>(kBesselJ0Series, z);
    const double j1 = (0.5 * x.hi) * horner<18>(kBesselJ1Series, z);
    return std::sqrt(j0 * j0 + j1 * j1);
  }
  if (x.hi < 20.0) {
    // Terms up to (x/2)^2k / (k!)^2 < 2^-62: k below 13 + 1.6 x.
    const int terms = 13 + static_cast<int>(1.6 * x.hi);
    const DD z = mul(mul(x, x), 0.25);
    DD j0 = kBesselJ0SeriesDD[terms - 1];
    DD j1 = kBesselJ1SeriesDD[terms - 1];
    for (int k = terms - 2; k >= 0; --k) {
      j0 = sub(kBesselJ0SeriesDD[k], mul(z, j0));
      j1 = sub(kBesselJ1SeriesDD[k], mul(z, j1));
    }
    const double a = rounded(j0);
    const double b = 0.5 * rounded(mul(j1, x));
    return std::sqrt(a * a + b * b);
  }
  // Hankel: J0 = k (P0 cos chi - Q0 sin chi), J1 = k (P1 sin chi + Q1 cos chi),
  // chi = x - pi / 4, k^2 = 2 / (pi x), so that
  // J0^2 + J1^2 = k^2 (mean + wave_s sin 2x - wave_c cos 2x).
  const double w = 1.0 / x.hi;
  if (x.hi > 0x1p60) return std::sqrt(kTwoOverPi * w);
  const double u = w * w;
  const double p0 = horner<14>(kHankelP0, u);
  const double q0 = w * horner<14>(kHankelQ0, u);
  const double p1 = horner<14>(kHankelP1, u);
  const double q1 = w * horner<14>(kHankelQ1, u);
  const double mean = 0.5 * ((p0 * p0 + q1 * q1) + (p1 * p1 + q0 * q0));
  const double wave_s = 0.5 * ((p0 * p0 - p1 * p1) + (q1 * q1 - q0 * q0));
  const double wave_c = p1 * q1 - p0 * q0;
  double sine = 0.0;
  double cosine = 0.0;
  sin_cos(DD{2.0 * x.hi, 2.0 * x.lo}, sine, cosine);
  return std::sqrt((kTwoOverPi * w) * ((mean + wave_s * sine) - wave_c * cosine));
}

// J0(x) and J1(x) for 0 <= x < 2^60, each within a few units of the last
// place of the envelope: 1 below x = 20, sqrt(2 / (pi x)) beyond.  The
// same three forms as the modulus, Hankel's with chi = x - pi / 4 reduced
// in double-double.
struct BesselPair {
  double j0;
  double j1;
};

BesselPair bessel_pair(DD x) {
  if (x.hi < 4.0) {
    const double z = 0.25 * (x.hi * x.hi);
    return {horner<18>(kBesselJ0Series, z), (0.5 * x.hi) * horner<18>(kBesselJ1Series, z)};
  }
  if (x.hi < 20.0) {
    const int terms = 13 + static_cast<int>(1.6 * x.hi);
    const DD z = mul(mul(x, x), 0.25);
    DD j0 = kBesselJ0SeriesDD[terms - 1];
    DD j1 = kBesselJ1SeriesDD[terms - 1];
    for (int k = terms - 2; k >= 0; --k) {
      j0 = sub(kBesselJ0SeriesDD[k], mul(z, j0));
      j1 = sub(kBesselJ1SeriesDD[k], mul(z, j1));
    }
    return {rounded(j0), 0.5 * rounded(mul(j1, x))};
  }
  const double w = 1.0 / x.hi;
  const double u = w * w;
  const double p0 = horner<14>(kHankelP0, u);
  const double q0 = w * horner<14>(kHankelQ0, u);
  const double p1 = horner<14>(kHankelP1, u);
  const double q1 = w * horner<14>(kHankelQ1, u);
  const double k = std::sqrt(kTwoOverPi * w);
  double sine = 0.0;
  double cosine = 0.0;
  sin_cos(sub(x, DD{0.5 * kHalfPi.hi, 0.5 * kHalfPi.lo}), sine, cosine);  // chi
  return {k * (p0 * cosine - q0 * sine), k * (p1 * sine + q1 * cosine)};
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
// y = pi f taus, each phase's sine and cosine from its own double-double
// argument.  X(-f) is the conjugate of X(f).  Where pi f max(taus, taur)
// passes 2^60 the phase is lost in the rounding of f itself, and the
// transform is 0, the mean of its oscillation.
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
  double sx = 0.0;
  double cx = 0.0;
  sin_cos(x, sx, cx);
  double xr = b.j0 * cx + b.j1 * sx;  // e^(-i x) (J0 + i J1)
  double xi = b.j1 * cx - b.j0 * sx;
  if (p.taus > 0.0) {
    double s2 = 0.0;
    double c2 = 0.0;
    sin_cos(DD{2.0 * y.hi, 2.0 * y.lo}, s2, c2);
    const double t = triangle_factor(y);
    const double tr = t * c2;
    const double ti = -(t * s2);
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
