// The slip rate's complex Fourier transform, int x(t) e^(-i w t) dt, from
// its closed form, and its aliased sum: what the transform of the slip rate
// sampled every dt approximates.  The tests' own arithmetic (the C++
// library's cyl_bessel_j), independent of the library under test.
#pragma once

#include <cmath>
#include <complex>
#include <numbers>

namespace stf_test {

// e^(-i w (taur / 2 + taus)) [J0(w taur / 2) + i J1(w taur / 2)] sinc^2(w taus / 2),
// w = 2 pi f: the Yoffe function's transform times the triangle's.
inline std::complex<double> transform(double f, double taus, double taur) {
  const double w = 2.0 * std::numbers::pi * f;
  if (w == 0.0) return 1.0;
  const double x = std::fabs(w) * taur / 2.0;
  const double j0 = std::cyl_bessel_j(0.0, x);
  const double j1 = w < 0.0 ? -std::cyl_bessel_j(1.0, x) : std::cyl_bessel_j(1.0, x);
  const double y = w * taus / 2.0;
  const double sinc = y == 0.0 ? 1.0 : std::sin(y) / y;
  return std::polar(1.0, -w * (taur / 2.0 + taus)) * std::complex<double>(j0, j1) * (sinc * sinc);
}

// sum over m = -terms..terms of transform(f + m / dt).
inline std::complex<double> aliased_transform(double f, double dt, int terms, double taus,
                                              double taur) {
  std::complex<double> sum = 0.0;
  for (int m = -terms; m <= terms; ++m) sum += transform(f + m / dt, taus, taur);
  return sum;
}

}  // namespace stf_test
