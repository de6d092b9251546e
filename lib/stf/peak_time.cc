// The time of the slip rate's peak, and the source with a given peak time
// and effective duration.
//
// The acceleration times taus^2 is F(t) - 2 F(t - taus) + F(t - 2 taus),
// F the Yoffe function's distribution.  On (taus, 2 taus) it is
// F(t) - 2 F(t - taus), whose derivative Y(t) - 2 Y(t - taus) is negative
// (Y decreases over the rise and vanishes beyond it); it is positive at
// taus and negative at 2 taus, F being concave.  So the peak is its one zero
// there, found by bracketing.  The peak time over taus depends on
// taur / taus alone and lies in (1, 4/3], so the source whose peak time is
// tacc has taus in [3 tacc / 4, tacc).
#include <cmath>

#include "source_time_function.h"

namespace yoffe::detail {
namespace {

// A zero of f within [lo, hi], where f(lo) and f(hi) have opposite signs:
// regula falsi with the Illinois halving, and a bisection whenever the
// bracket failed to halve over two steps.  Ends when no double lies between
// the ends, returning the end with the smaller |f|.
template <class Function>
double bracketed_zero(const Function& f, double lo, double f_lo, double hi, double f_hi) {
  double weight_lo = f_lo;  // the values the secant uses, halved by Illinois
  double weight_hi = f_hi;
  int kept = 0;                      // the end the last step kept: -1 lo, +1 hi
  double width_1 = 2.0 * (hi - lo);  // the bracket's width one and two steps ago
  double width_2 = width_1;
  for (int step = 0; step < 400; ++step) {
    const double width = hi - lo;
    double x = hi - weight_hi * (width / (weight_hi - weight_lo));
    if (width > 0.5 * width_2 || !(x > lo && x < hi)) x = lo + 0.5 * width;
    if (!(x > lo && x < hi)) break;
    const double fx = f(x);
    if (fx == 0.0) return x;
    if ((fx < 0.0) == (f_lo < 0.0)) {
      lo = x;
      f_lo = fx;
      weight_lo = fx;
      if (kept == 1) weight_hi = 0.5 * weight_hi;
      kept = 1;
    } else {
      hi = x;
      f_hi = fx;
      weight_hi = fx;
      if (kept == -1) weight_lo = 0.5 * weight_lo;
      kept = -1;
    }
    width_2 = width_1;
    width_1 = width;
  }
  return std::fabs(f_lo) <= std::fabs(f_hi) ? lo : hi;
}

}  // namespace

double peak_time_of(const Shape& p) {
  const auto balance = [&p](double t) { return acceleration_balance(p, t); };
  const double lo = p.taus;
  const double hi = 2.0 * p.taus;
  return bracketed_zero(balance, lo, balance(lo), hi, balance(hi)) * p.unit;
}

void parameters_from_tacc_teff(double tacc_seconds, double teff_seconds, double& taus,
                               double& taur) {
  // In units of the power of two that brings teff into [1, 2), scaled
  // exactly, as the shape's times are in units of taur's.
  const double unit = unit_of(teff_seconds);
  const double tacc = tacc_seconds / unit;
  const double teff = teff_seconds / unit;
  // How far the peak of the source (s, teff - 2 s) comes after tacc.  Where
  // the bracket's search leaves the domain, the peak time is its limit's:
  // 4/3 s for a vanishing smoothing, s for a vanishing rise.
  const auto lateness = [tacc, teff](double s) {
    const double r = teff - 2.0 * s;
    if (s == 0.0 || !valid_parameters(s, r)) return (r > s ? (4.0 / 3.0) * s : s) - tacc;
    return peak_time_of(make_shape(s, r)) - tacc;
  };
  const double half = 0.5 * teff;
  double lo = 0.75 * tacc;
  double hi = tacc;
  double f_lo = lateness(lo);
  double f_hi = lateness(hi);
  // The bounds hold in exact arithmetic; where rounding blurs one, move it
  // out towards the ends of (0, teff / 2).
  for (int i = 0; i < 64 && f_lo > 0.0; ++i) {
    lo = 0.5 * lo;
    f_lo = lateness(lo);
  }
  for (int i = 0; i < 64 && f_hi < 0.0; ++i) {
    hi = hi + 0.5 * (half - hi);
    f_hi = lateness(hi);
  }
  double s = 0.0;
  if (f_lo == 0.0) {
    s = lo;
  } else if (f_hi == 0.0) {
    s = hi;
  } else {
    s = bracketed_zero(lateness, lo, f_lo, hi, f_hi);
  }
  taus = s * unit;
  taur = (teff - 2.0 * s) * unit;
}

}  // namespace yoffe::detail
