// Slip rate, slip and slip acceleration of the regularized Yoffe function.
//
// The slip rate is the Yoffe function Y of rise time taur convolved with the
// unit-area triangle of half-width taus.  Written as the second difference
// of the twice-integrated Yoffe function, it cancels: the three terms are of
// the size taur while their combination is of the size taus^2 Y, and plain
// double arithmetic loses (taur / taus)^2 of the peak.  Here the convolution
// is evaluated as integrals over the two arms of the triangle instead, with
// x = t - k taus (k = 0, 1, 2) the points where the reversed triangle starts,
// peaks and ends:
//
//   slip rate = [ int_{x2}^{x1} (x - x2) Y dx + int_{x1}^{x0} (x0 - x) Y dx ] / taus^2,
//
// each arm clipped to the rise [0, taur] (the weights then gain the constant
// distance from the clipped end, a nonnegative term).  Both integrands are
// nonnegative, so nothing cancels between the arms.
//
// Within an arm [a, b] the substitution x = taur sin^2(theta) turns Y dx
// into (4 / pi) cos^2(theta) dtheta, and with alpha = theta_b - theta_a the
// moments of Y over the arm become trigonometric integrals over [0, alpha]
// whose coefficients are sines and cosines of theta_a and theta_b.  These
// come algebraically from the ends, sin(theta) = sqrt(x / taur) and
// cos(theta) = sqrt((taur - x) / taur), and so do
//
//   s = sin(alpha) = ((b - a) / taur) / (sin theta_b cos theta_a + cos theta_b sin theta_a),
//   c = cos(alpha) = cos theta_b cos theta_a + sin theta_b sin theta_a,
//
// both sums of positive terms, accurate to a few units in the last place
// however short the arm (b - a is exactly taus, or a distance carried as a
// double-double).  The integrals of even powers of the sine,
// K_n = int_0^alpha sin^2n, come from one series in s^2 with positive terms
// for the highest n needed and from the recurrence
// K_{n-1} = (2n K_n + s^{2n-1} c) / (2n - 1), also of positive terms, for
// the others.  What remains of cancellation is bounded: the expansions'
// terms are each at most a small multiple of the moment they add up to.
//
// The series converge as s^2 does; arms longer than pi / 16 in theta (only
// where taur / taus is below about 26) are split at the grid
// theta = j pi / 16, and their moments summed about the arm's own end.
//
// The slip is the convolution of the Yoffe function with the triangle's
// integral, which brings in the second moments of the arms, and the slip
// acceleration the difference of the two arms' areas, each accurate
// relative to itself and so to the acceleration's peak.
#include <cmath>
#include <limits>

#include "mathlib/double_double.h"
#include "series_coefficients.h"
#include "source_time_function.h"

namespace yoffe::stf {
namespace {

using mathlib::dd::DD;
using mathlib::dd::two_sum;

constexpr double kPi = 0x1.921fb54442d18p+1;
constexpr double kInvPi = 0x1.45f306dc9c883p-2;       // 1 / pi
constexpr double kFourOverPi = 0x1.45f306dc9c883p+0;  // 4 / pi
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Times below taur 2^-600 are "tiny": see yoffe_rate.
constexpr double kTinyTime = 0x1p-600;

// Arms longer than this in sin(alpha) are split: sin(pi / 16).
constexpr double kSplitSine = 0x1.8f8b83c69a60bp-3;

// A point of the rise, x = taur sin^2(theta) from its start (in the shape's
// units of time), with x + x_lo exact and rest = taur - x accurate to its
// last place.
struct Node {
  double x;
  double x_lo;
  double rest;
  double sn;  // sin(theta)
  double cs;  // cos(theta)
};

Node onset_node(const Shape& p) {
  return {0.0, 0.0, p.taur, 0.0, 1.0};
}

Node finish_node(const Shape& p) {
  return {p.taur, 0.0, 0.0, 1.0, 0.0};
}

// The point x = t - shift (shift 0, taus or 2 taus, so exact), clipped to the
// rise.  t is finite.
Node node_at(const Shape& p, double t, double shift) {
  const DD x = two_sum(t, -shift);
  if (x.hi <= 0.0) return onset_node(p);
  const DD r = two_sum(p.taur, -x.hi);
  const double rest = r.hi + (r.lo - x.lo);
  if (rest <= 0.0) return finish_node(p);
  return {x.hi, x.lo, rest, std::sqrt(x.hi * p.inv_taur), std::sqrt(rest * p.inv_taur)};
}

// b.x - a.x, from the exact positions.
double distance(const Node& a, const Node& b) {
  const DD d = two_sum(b.x, -a.x);
  return d.hi + (d.lo + (b.x_lo - a.x_lo));
}

// sin(theta_b - theta_a) for the arm [a, b] of length `length`.
double arc_sine(const Shape& p, const Node& a, const Node& b, double length) {
  return (length * p.inv_taur) / (b.sn * a.cs + b.cs * a.sn);
}

template <int N>
double horner(const double (&c)[12], double z) {
  double r = c[N - 1];
  for (int j = N - 2; j >= 0; --j) r = r * z + c[j];
  return r;
}

// sum_j c_j s2^j, with as many terms as give a relative truncation error
// below 2^-57 for s2 <= 0.04 (and so for every arm not split).
double sine_power_series(const double (&c)[12], double s2) {
  if (s2 <= 0x1p-10) return horner<6>(c, s2);
  if (s2 <= 0x1p-6) return horner<9>(c, s2);
  return horner<12>(c, s2);
}

// The arm's angle alpha through s = sin(alpha) and c = cos(alpha), and the
// integrals K_n of sin^2n over [0, alpha], n = 1..kTop (K_0 = alpha is not
// needed).
struct Arc {
  double s;
  double s2;
  double c;
  double k1;
  double k2;
  double k3;
};

template <int kTop>
Arc make_arc(const Node& a, const Node& b, double s) {
  Arc r{};
  r.s = s;
  r.s2 = s * s;
  r.c = b.cs * a.cs + b.sn * a.sn;
  const double s3 = r.s2 * s;
  if constexpr (kTop == 1) {
    r.k1 = s3 * sine_power_series(kSinePower1Series, r.s2);
  } else if constexpr (kTop == 2) {
    const double s5 = s3 * r.s2;
    r.k2 = s5 * sine_power_series(kSinePower2Series, r.s2);
    r.k1 = (4.0 * r.k2 + s3 * r.c) * (1.0 / 3.0);
  } else {
    const double s5 = s3 * r.s2;
    const double s7 = s5 * r.s2;
    r.k3 = s7 * sine_power_series(kSinePower3Series, r.s2);
    r.k2 = (6.0 * r.k3 + s5 * r.c) * (1.0 / 5.0);
    r.k1 = (4.0 * r.k2 + s3 * r.c) * (1.0 / 3.0);
  }
  return r;
}

// Moments of the Yoffe function over an arm: m0 = int Y dx, m1 = int |x - e| Y dx
// and m2 = int (x - e)^2 Y dx, about the arm's lower end e = a or its upper
// end e = b.  Only those up to kOrder are computed.
struct Moments {
  double m0;
  double m1;
  double m2;
};

// The same moments about a point `d` further out than e.
Moments shifted(const Moments& m, double d) {
  return {m.m0, m.m1 + d * m.m0, m.m2 + (2.0 * d) * m.m1 + (d * d) * m.m0};
}

enum class About { kLower, kUpper };

// With phi = 2 theta at the end e and psi in [0, 2 alpha] the angle from e
// into the arm, the distance from the lower end is
// |x - e| = (taur / 2) (sin(phi) sin(psi) + cos(phi) (1 - cos psi)), and
// Y dx = (1 + cos(phi + psi)) dpsi / pi expands the same way; about the upper
// end psi runs the other way, which flips the sign of the terms odd in it
// ("odd" below).  The products integrate to the K_n (int (1 - cos psi)^n =
// 2^(n+1) K_n) and to powers of s^2 (int sin(psi) (1 - cos psi)^n).
template <int kOrder>
Moments arc_moments(const Shape& p, const Node& a, const Node& b, double s, About about) {
  const Arc r = make_arc<kOrder + 1>(a, b, s);
  Moments m{};
  // int (1 + cos phi) dphi / pi = (4 / pi) (K_1 + s cos theta_a cos theta_b).
  m.m0 = kFourOverPi * (r.k1 + s * (a.cs * b.cs));
  if constexpr (kOrder >= 1) {
    const Node& e = about == About::kLower ? a : b;
    const double sign = about == About::kLower ? 1.0 : -1.0;
    const double sin_phi = 2.0 * e.sn * e.cs;
    const double one_plus_cos_phi = 2.0 * e.cs * e.cs;
    const double cos_phi = (e.cs - e.sn) * (e.cs + e.sn);
    const double even = 2.0 * sin_phi * r.s2 * (one_plus_cos_phi - 2.0 * cos_phi * r.s2);
    const double odd = 4.0 * r.k1 * (2.0 * sin_phi * sin_phi - cos_phi * one_plus_cos_phi) +
                       8.0 * r.k2 * (cos_phi * cos_phi - sin_phi * sin_phi);
    m.m1 = p.taur_over_2pi * (even - sign * odd);
    if constexpr (kOrder >= 2) {
      // The integrals of sin^i(psi) (1 - cos psi)^j over [0, 2 alpha].
      const double s4 = r.s2 * r.s2;
      const double s6 = s4 * r.s2;
      const double j20 = 8.0 * (r.k1 - r.k2);
      const double j11 = 2.0 * s4;
      const double j02 = 8.0 * r.k2;
      const double j21 = 16.0 * (r.k2 - r.k3);
      const double j12 = s6 * (8.0 / 3.0);
      const double j03 = 16.0 * r.k3;
      const double j30 = 4.0 * s4 - s6 * (8.0 / 3.0);
      const double sp = sin_phi;
      const double cp = cos_phi;
      const double op = one_plus_cos_phi;
      const double even2 = ((op * sp * sp) * j20 + (op * cp * cp) * j02) -
                           ((3.0 * sp * sp * cp) * j21 + (cp * cp * cp) * j03);
      const double odd2 =
          (2.0 * op * sp * cp) * j11 - (3.0 * sp * cp * cp) * j12 - (sp * sp * sp) * j30;
      m.m2 = p.taur2_over_4pi * (even2 + sign * odd2);
    }
  }
  return m;
}

void accumulate(Moments& total, const Moments& m) {
  total.m0 = total.m0 + m.m0;
  total.m1 = total.m1 + m.m1;
  total.m2 = total.m2 + m.m2;
}

// Adds the moments of the part [lower, upper] of the arm [a, b], taken about
// the arm's end.
template <int kOrder>
void add_part(Moments& total, const Shape& p, const Node& a, const Node& b, const Node& lower,
              const Node& upper, About about) {
  const double s = arc_sine(p, lower, upper, distance(lower, upper));
  const Moments m = arc_moments<kOrder>(p, lower, upper, s, about);
  accumulate(total, shifted(m, about == About::kLower ? distance(a, lower) : distance(upper, b)));
}

// An arm longer than pi / 16 in theta, split at the grid nodes inside it.
template <int kOrder>
Moments split_moments(const Shape& p, const Node& a, const Node& b, About about) {
  Moments total{0.0, 0.0, 0.0};
  Node lower = a;
  for (int j = 0; j < 7; ++j) {
    const double x = p.taur * kGridSine2[j];
    if (!(x > a.x)) continue;
    if (!(x < b.x)) break;
    const Node grid{x, 0.0, p.taur * kGridCosine2[j], kGridSine[j], kGridCosine[j]};
    add_part<kOrder>(total, p, a, b, lower, grid, about);
    lower = grid;
  }
  add_part<kOrder>(total, p, a, b, lower, b, about);
  return total;
}

// The moments over the arm [a, b] of nonzero length, about one of its ends.
template <int kOrder>
Moments arm_moments(const Shape& p, const Node& a, const Node& b, About about) {
  const double s = arc_sine(p, a, b, distance(a, b));
  if (s <= kSplitSine) return arc_moments<kOrder>(p, a, b, s, about);
  return split_moments<kOrder>(p, a, b, about);
}

// The Yoffe function's distribution F(x) = int_0^x Y at the node x.
double yoffe_distribution(const Shape& p, const Node& n) {
  if (n.rest == 0.0) return 1.0;
  if (n.x == 0.0) return 0.0;
  return arm_moments<0>(p, onset_node(p), n, About::kUpper).m0;
}

// The points of a time t: x0 = t, x1 = t - taus and x2 = t - 2 taus, where
// the reversed triangle ends, peaks and starts, each clipped to the rise.
struct Points {
  Node n0;
  Node n1;
  Node n2;
};

// t >= taur + 2 taus: the triangle starts after the rise has ended.
bool beyond_support(const Node& n2) {
  return n2.rest == 0.0;
}

Points points_at(const Shape& p, double t) {
  return {node_at(p, t, 0.0), node_at(p, t, p.taus), node_at(p, t, 2.0 * p.taus)};
}

// The moments of the rising arm [x2, x1] about x2 and of the falling arm
// [x1, x0] about x0, zero where the arm misses the rise.  An arm clipped at
// the onset (x2 < 0) or at the end of the rise (x0 > taur) has its moments
// taken about the clipped end, then moved out to x2 or x0.
template <int kOrder>
void arms(const Shape& p, double t, const Points& q, Moments& rising, Moments& falling) {
  rising = {0.0, 0.0, 0.0};
  falling = {0.0, 0.0, 0.0};
  if (q.n1.x > 0.0) {
    rising = arm_moments<kOrder>(p, q.n2, q.n1, About::kLower);
    if (q.n2.x == 0.0) rising = shifted(rising, 2.0 * p.taus - t);
  }
  if (q.n1.rest > 0.0) {
    falling = arm_moments<kOrder>(p, q.n1, q.n0, About::kUpper);
    if (q.n0.rest == 0.0) falling = shifted(falling, t - p.taur);
  }
}

}  // namespace

bool valid_parameters(double taus, double taur) {
  // isfinite first: an ordered comparison with a NaN raises FE_INVALID.
  if (!(std::isfinite(taus) && std::isfinite(taur))) return false;
  if (!(taur >= kShortestRise && taur <= kLongestRise)) return false;
  return taus == 0.0 || (taus >= taur * kLeastSmoothing && taus <= taur * kMostSmoothing);
}

Shape make_shape(double taus, double taur) {
  Shape p{};
  int exponent = 0;
  std::frexp(taur, &exponent);  // taur = m 2^exponent, 0.5 <= m < 1
  p.unit = std::ldexp(1.0, exponent - 1);
  p.inv_unit = std::ldexp(1.0, 1 - exponent);
  p.far = 4.0 * std::fmax(taus, taur);
  p.tiny = taur * kTinyTime;
  taus = taus * p.inv_unit;
  taur = taur * p.inv_unit;
  p.taus = taus;
  p.taur = taur;
  p.inv_taur = 1.0 / taur;
  p.taur_over_2pi = taur / (2.0 * kPi);
  p.taur2_over_4pi = (taur * taur) / (4.0 * kPi);
  p.inv_taus = taus > 0.0 ? 1.0 / taus : 0.0;
  p.yoffe_scale = 2.0 / (kPi * taur);
  return p;
}

namespace {

// The Yoffe function (taus = 0) at 0 < t < far seconds.  Below `tiny` the
// time in units could be subnormal or 0, so the leading term of each is
// taken in seconds instead: there t / taur < 2^-600, and 1 - t / taur is 1.
double yoffe_rate(const Shape& p, double seconds) {
  if (seconds < p.tiny) return (2.0 * kInvPi) / (std::sqrt(p.taur * p.unit) * std::sqrt(seconds));
  const Node n = node_at(p, seconds * p.inv_unit, 0.0);
  return n.rest == 0.0 ? 0.0 : (p.yoffe_scale * std::sqrt(n.rest / n.x)) * p.inv_unit;
}

double yoffe_slip(const Shape& p, double seconds) {
  if (seconds < p.tiny) return kFourOverPi * (std::sqrt(seconds) / std::sqrt(p.taur * p.unit));
  // Rounding can leave the distribution a unit above 1 just before the end.
  return std::fmin(1.0, yoffe_distribution(p, node_at(p, seconds * p.inv_unit, 0.0)));
}

// a / b for a, b > 0, or infinity, without the overflow, where the quotient
// exceeds the largest double.
double quotient_or_infinity(double a, double b) {
  if (b < 1.0 && a > std::numeric_limits<double>::max() * b) return kInfinity;
  return a / b;
}

// -(1 / pi) / (t^1.5 sqrt(taur - t)), infinite (-inf) where it exceeds the
// largest double.
double yoffe_acceleration(const Shape& p, double seconds) {
  if (seconds < p.tiny) {
    const double a = kInvPi / (std::sqrt(seconds) * std::sqrt(p.taur * p.unit));
    return -quotient_or_infinity(a, seconds);
  }
  const Node n = node_at(p, seconds * p.inv_unit, 0.0);
  if (n.rest == 0.0) return 0.0;
  // x >= 2^-600 in units, so the product stays normal.
  const double a = kInvPi / ((n.x * std::sqrt(n.x)) * std::sqrt(n.rest));
  return -quotient_or_infinity(quotient_or_infinity(a, p.unit), p.unit);
}

}  // namespace

// Each evaluation starts in seconds: NaN stays NaN (tested with isnan, as
// an ordered comparison with it raises FE_INVALID), times up to the onset
// and from `far` on (4 max(taus, taur), beyond the support) take their
// limits without being scaled, so that no scaling overflows.

double slip_rate_at(const Shape& p, double seconds) {
  if (std::isnan(seconds)) return seconds;
  if (!(seconds > 0.0) || seconds >= p.far) return 0.0;
  if (p.taus == 0.0) return yoffe_rate(p, seconds);
  if (seconds < p.tiny) return 0.0;  // below 2^-600 of the peak
  const double t = seconds * p.inv_unit;
  const Points q = points_at(p, t);
  if (beyond_support(q.n2)) return 0.0;
  Moments rising{};
  Moments falling{};
  arms<1>(p, t, q, rising, falling);
  return (((rising.m1 + falling.m1) * p.inv_taus) * p.inv_taus) * p.inv_unit;
}

double slip_at(const Shape& p, double seconds) {
  if (std::isnan(seconds)) return seconds;
  if (!(seconds > 0.0)) return 0.0;
  if (seconds >= p.far) return 1.0;
  if (p.taus == 0.0) return yoffe_slip(p, seconds);
  if (seconds < p.tiny) return 0.0;
  const double t = seconds * p.inv_unit;
  const Points q = points_at(p, t);
  if (beyond_support(q.n2)) return 1.0;
  Moments rising{};
  Moments falling{};
  arms<2>(p, t, q, rising, falling);
  // The triangle's integral is 1 - (x - x2)^2 / (2 taus^2) over the rising
  // arm and (x0 - x)^2 / (2 taus^2) over the falling one.  Rounding can
  // leave the sum a unit beyond [0, 1].
  const double v =
      yoffe_distribution(p, q.n1) + ((falling.m2 - rising.m2) * (0.5 * p.inv_taus)) * p.inv_taus;
  return std::fmin(1.0, std::fmax(0.0, v));
}

double slip_acceleration_at(const Shape& p, double seconds) {
  if (std::isnan(seconds)) return seconds;
  if (!(seconds > 0.0) || seconds >= p.far) return 0.0;
  if (p.taus == 0.0) return yoffe_acceleration(p, seconds);
  if (seconds < p.tiny) return 0.0;
  const double t = seconds * p.inv_unit;
  const Points q = points_at(p, t);
  if (beyond_support(q.n2)) return 0.0;
  Moments rising{};
  Moments falling{};
  arms<0>(p, t, q, rising, falling);
  return ((((falling.m0 - rising.m0) * p.inv_taus) * p.inv_taus) * p.inv_unit) * p.inv_unit;
}

double acceleration_balance(const Shape& p, double t) {
  const Points q = points_at(p, t);
  Moments rising{};
  Moments falling{};
  arms<0>(p, t, q, rising, falling);
  return falling.m0 - rising.m0;
}

}  // namespace yoffe::stf
