// Sine and cosine of a double-double argument, and the reduction by pi / 2
// under them.  The reduction is the library's and the tool's one: the
// amplitude spectrum's triangle factor and Hankel phase (sin_cos, in
// double) and the tool's correctly rounded sine and cosine (in
// double-double, apps/yoffe/mathlib) both stand on reduce_quadrants.
#pragma once

#include <cmath>

#include "numeric/double_double.h"
#include "numeric/polynomial.h"
#include "numeric/series_coefficients.h"

namespace numeric {

/// y - n pi / 2 for an integer n with |n| < 2^53: pi / 2 in three parts
/// (kHalfPi1..3, about 160 bits), of which the first two times n are exact
/// double-doubles.
inline dd::DD minus_quadrants(dd::DD y, double n) {
  dd::DD r = dd::sub(y, dd::two_prod(n, kHalfPi1));
  r = dd::sub(r, dd::two_prod(n, kHalfPi2));
  return dd::add(r, dd::DD{-(n * kHalfPi3), 0.0});
}

/// y = n pi / 2 + r with |r| <= pi / 4 (and its rounding), n an integer.
struct Quadrants {
  dd::DD r;
  double n;
};

/// The reduction of y, |y| < 2^61.
inline Quadrants reduce_quadrants(dd::DD y) {
  double n = std::round(y.hi * kTwoOverPi);
  dd::DD r = minus_quadrants(y, n);
  // For the largest arguments the rounded quotient can be one off, which
  // leaves |r| near pi / 2 instead of below pi / 4 = 0.785...: reduce
  // again.  0.79 is above pi / 4 by more than any rounding of a right
  // quotient, and below pi / 2 less any rounding of a wrong one.
  if (std::fabs(r.hi) > 0.79) {
    const double m = std::round(r.hi * kTwoOverPi);
    r = minus_quadrants(r, m);
    n = n + m;
  }
  return {r, n};
}

/// sin(y) and cos(y) for 0 <= y < 2^61, each within about an ulp of 1
/// (absolute): the series in double of the reduced argument, with its low
/// part as a first-order correction.
inline void sin_cos(dd::DD y, double& sine, double& cosine) {
  const Quadrants q = reduce_quadrants(y);
  const double r = q.r.hi;
  const double s = r * horner<10>(kSineSeries, r * r);
  const double c = horner<11>(kCosineSeries, r * r);
  const double sr = s + c * q.r.lo;
  const double cr = c - s * q.r.lo;
  switch (static_cast<int>(q.n - 4.0 * std::floor(q.n * 0.25))) {
    case 0:
      sine = sr;
      cosine = cr;
      break;
    case 1:
      sine = cr;
      cosine = -sr;
      break;
    case 2:
      sine = -sr;
      cosine = -cr;
      break;
    default:
      sine = -cr;
      cosine = sr;
      break;
  }
}

}  // namespace numeric
