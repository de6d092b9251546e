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
// however short the arm (b - a is exactly taus between two points, or a
// distance to a clipped end or a grid node, exact but for one rounding).
// The integrals of even powers of the sine, K_n = int_0^alpha sin^2n, come
// from one series in s^2 with positive terms for the highest n needed and
// from the recurrence K_{n-1} = (2n K_n + s^{2n-1} c) / (2n - 1), also of
// positive terms, for the others.  What remains of cancellation is bounded:
// the expansions' terms are each at most a small multiple of the moment
// they add up to.
//
// The series converge as s^2 does, so no arc is longer than a cell of the
// grid theta = j pi / 16.  An arm that holds grid nodes (wherever
// taur / taus is below about 26, and now and then beyond) is split there:
// the whole cells between its first and last nodes come from a table of
// the moments between any two nodes (make_series_coefficients.py), and only
// the parts of a cell at its two ends are arcs.  A point shared by the two
// arms (x1) cuts its cell in two; the smaller part is the arc, the larger
// the cell less it.  So an evaluation takes one or two arcs whatever the
// source, and where no point falls inside the rise (taus > taur) none.
//
// The slip is the convolution of the Yoffe function with the triangle's
// integral, which brings in the second moments of the arms, and the slip
// acceleration the difference of the two arms' areas, each accurate
// relative to itself and so to the acceleration's peak.
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>

#include "numeric/double_double.h"
#include "numeric/polynomial.h"
#include "numeric/series_coefficients.h"
#include "source_time_function.h"

namespace yoffe::detail {
namespace {

using numeric::dd::DD;
using numeric::dd::two_sum;
using numeric::horner;
using numeric::kCellMiddleSine2;
using numeric::kGridCosine;
using numeric::kGridCosine2;
using numeric::kGridMoments;
using numeric::kGridSine;
using numeric::kGridSine2;
using numeric::kSinePower1Series;
using numeric::kSinePower2Series;
using numeric::kSinePower3Series;

constexpr double kPi = 0x1.921fb54442d18p+1;
constexpr double kInvPi = 0x1.45f306dc9c883p-2;       // 1 / pi
constexpr double kFourOverPi = 0x1.45f306dc9c883p+0;  // 4 / pi
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Times below taur 2^-600 are "tiny": see yoffe_rate.
constexpr double kTinyTime = 0x1p-600;

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

// sin(theta_b - theta_a) for the arm [a, b] of length `length`.
double arc_sine(const Shape& p, const Node& a, const Node& b, double length) {
  return (length * p.inv_taur) / (b.sn * a.cs + b.cs * a.sn);
}

// sum_j c_j s2^j, with as many terms as give a relative truncation error
// below 2^-57 for s2 <= 0.04 (and so for every arc, at most a cell long).
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
// end e = b.  The functions below take the evaluation's order kOrder (0
// acceleration, 1 rate, 2 slip) and compute, add and move only the moments
// up to it.
struct Moments {
  double m0;
  double m1;
  double m2;
};

// The same moments about a point `d` further out than e.
template <int kOrder>
Moments shifted(const Moments& m, double d) {
  Moments r{m.m0, 0.0, 0.0};
  if constexpr (kOrder >= 1) r.m1 = m.m1 + d * m.m0;
  if constexpr (kOrder >= 2) r.m2 = m.m2 + (2.0 * d) * m.m1 + (d * d) * m.m0;
  return r;
}

template <int kOrder>
void accumulate(Moments& total, const Moments& m) {
  total.m0 = total.m0 + m.m0;
  if constexpr (kOrder >= 1) total.m1 = total.m1 + m.m1;
  if constexpr (kOrder >= 2) total.m2 = total.m2 + m.m2;
}

// x clamped to [lo, hi], for x not NaN: plain comparisons, which compile
// to two instructions where std::fmin and std::fmax are calls.
double clamped(double x, double lo, double hi) {
  return x < lo ? lo : (x > hi ? hi : x);
}

// The moments of a piece of that length about its other end: they cancel
// by a small factor only, the piece being at most half a cell.
template <int kOrder>
Moments reversed(const Moments& m, double length) {
  Moments r{m.m0, 0.0, 0.0};
  if constexpr (kOrder >= 1) r.m1 = length * m.m0 - m.m1;
  if constexpr (kOrder >= 2) r.m2 = (length * length) * m.m0 - (2.0 * length) * m.m1 + m.m2;
  return r;
}

// a - b, for b a part of a.
template <int kOrder>
Moments less(const Moments& a, const Moments& b) {
  return {a.m0 - b.m0, kOrder >= 1 ? a.m1 - b.m1 : 0.0, kOrder >= 2 ? a.m2 - b.m2 : 0.0};
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
Moments moments_about(const Shape& p, const Node& a, const Node& b, const Arc& r, About about) {
  Moments m{};
  // int (1 + cos phi) dphi / pi = (4 / pi) (K_1 + s cos theta_a cos theta_b).
  m.m0 = kFourOverPi * (r.k1 + r.s * (a.cs * b.cs));
  if constexpr (kOrder >= 1) {
    const Node& e = about == About::kLower ? a : b;
    const double sign = about == About::kLower ? 1.0 : -1.0;
    // In u = sin^2(theta), v = cos^2(theta) and w = sin(theta) cos(theta)
    // at e: sin(phi) = 2 w, 1 + cos(phi) = 2 v, cos(phi) = v - u.
    const double u = e.sn * e.sn;
    const double v = e.cs * e.cs;
    const double w = e.sn * e.cs;
    const double d = v - u;
    const double even = w * r.s2 * (v - d * r.s2);
    const double odd = r.k1 * (v * (5.0 * u - v)) + r.k2 * (d * d - 4.0 * (u * v));
    m.m1 = p.taur_over_2pi * (8.0 * (even - sign * odd));
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
      // (sp A + cp B)^2 (op - sp A - cp B) in A = sin(psi), B = 1 - cos(psi):
      // op times a square form less a cubic one, with sp = sin(phi) of the
      // sign of the direction, cp = cos(phi) and op = 1 + cos(phi).
      const double sp = sign * (2.0 * w);
      const double cp = d;
      const double sp2 = sp * sp;
      const double cp2 = cp * cp;
      const double spcp = sp * cp;
      const double square = (sp2 * j20 + cp2 * j02) + (2.0 * spcp) * j11;
      const double cube =
          sp * (sp2 * j30 + (3.0 * spcp) * j21) + cp * ((3.0 * spcp) * j12 + cp2 * j03);
      m.m2 = p.taur2_over_4pi * ((2.0 * v) * square - cube);
    }
  }
  return m;
}

// sin(theta_j) and cos(theta_j) at the grid nodes j = 0..8, the ends
// included, so that no lookup needs a case for them.
constexpr std::array<double, kCells + 1> kNodeSine = [] {
  std::array<double, kCells + 1> r{0.0};
  for (int j = 1; j < kCells; ++j) r[j] = kGridSine[j - 1];
  r[kCells] = 1.0;
  return r;
}();
constexpr std::array<double, kCells + 1> kNodeCosine = [] {
  std::array<double, kCells + 1> r{1.0};
  for (int j = 1; j < kCells; ++j) r[j] = kGridCosine[j - 1];
  r[kCells] = 0.0;
  return r;
}();

// The grid node j = 0..8, theta_j = j pi / 16: the onset, seven nodes
// inside the rise and its end.
Node grid_node(const Shape& p, std::ptrdiff_t j) {
  return {p.node_x[j], 0.0, p.node_rest[j], kNodeSine[j], kNodeCosine[j]};
}

// The table's row of the stretch between the grid nodes i < j, looked up
// rather than computed on every evaluation.
constexpr std::array<std::array<int, kCells + 1>, kCells + 1> kStretchRow = [] {
  std::array<std::array<int, kCells + 1>, kCells + 1> rows{};
  int row = 0;
  for (int i = 0; i <= kCells; ++i) {
    for (int j = i + 1; j <= kCells; ++j) rows[i][j] = row++;
  }
  return rows;
}();

// The moments over the whole stretch between the grid nodes i < j, about
// its lower or its upper end, from the table (rows in the order
// (0, 1) .. (0, 8), (1, 2) .. (7, 8)).
Moments grid_stretch(const Shape& p, std::ptrdiff_t i, std::ptrdiff_t j, About about) {
  const double(&m)[5] = kGridMoments[kStretchRow[i][j]];
  if (about == About::kLower) return {m[0], m[1] * p.taur, m[2] * p.taur2};
  return {m[0], m[3] * p.taur, m[4] * p.taur2};
}

// A point of the rise with its cell j, grid node j <= x < grid node j + 1
// (found by bisection), for a point inside; -1 at the onset, kCells at the end.
struct Point {
  Node n;
  std::ptrdiff_t cell;
};

// The point x (a double-double, as exact as its parts), and the point
// x = t - shift (shift 0, taus or 2 taus, so exact), clipped to the rise.
// t is finite.  Every evaluation takes one to three, so both are always
// inlined.
[[gnu::always_inline]] inline Point point_of(const Shape& p, DD x) {
  if (x.hi <= 0.0) return {onset_node(p), -1};
  // taur - x.hi is exact from x.hi = taur / 2 on, and rounds to within half
  // a unit of a rest above taur / 2 below it.
  const double rest = (p.taur - x.hi) - x.lo;
  if (rest <= 0.0) return {finish_node(p), kCells};
  static_assert(kCells == 8, "the bisection takes three halvings");
  std::ptrdiff_t j = p.node_x[kCells / 2] <= x.hi ? kCells / 2 : 0;
  if (p.node_x[j + kCells / 4] <= x.hi) j += kCells / 4;
  if (p.node_x[j + 1] <= x.hi) j += 1;
  return {{x.hi, x.lo, rest, std::sqrt(x.hi * p.inv_taur), std::sqrt(rest * p.inv_taur)}, j};
}

[[gnu::always_inline]] inline Point point_at(const Shape& p, double t, double shift) {
  return point_of(p, shift == 0.0 ? DD{t, 0.0} : two_sum(t, -shift));
}

bool inside(const Point& q) {
  return q.cell >= 0 && q.cell < kCells;
}

// The distances from grid node j up to a point inside the rise, and from
// it up to grid node j: exact but for one rounding, nearby nodes being
// within a factor 2 of the point.  To the end of the rise (j = 8) it is
// the point's rest, to the same bits.
double from_node(const Shape& p, std::ptrdiff_t j, const Node& n) {
  return (n.x - p.node_x[j]) + n.x_lo;
}

double to_node(const Shape& p, const Node& n, std::ptrdiff_t j) {
  return (p.node_x[j] - n.x) - n.x_lo;
}

// The moments over the arc [a, b] of that length, no longer than pi / 16.
template <int kOrder>
Moments arc_moments(const Shape& p, const Node& a, const Node& b, double length, About about) {
  return moments_about<kOrder>(p, a, b, make_arc<kOrder + 1>(a, b, arc_sine(p, a, b, length)),
                               about);
}

// A point q inside the rise cuts its cell j in two: [node j, x] with its
// moments about node j ("lower"), and [x, node j + 1] with its moments
// about node j + 1 ("upper").  For both, the smaller part is an arc, taken
// about its two ends, and the larger one is the whole cell less it, which
// cancels little: the larger part holds at least half the cell's angle.
struct Cut {
  Moments lower;
  Moments upper;
};

template <int kOrder>
Cut cut_at(const Shape& p, const Point& q, bool lower, bool upper) {
  const std::ptrdiff_t j = q.cell;
  Cut c{{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}};
  const Node g = grid_node(p, j);
  const Node h = grid_node(p, j + 1);
  const double below = from_node(p, j, q.n);
  const double above = to_node(p, q.n, j + 1);
  if (lower && upper) {
    if (q.n.x <= p.cell_middle_x[j]) {
      c.lower = arc_moments<kOrder>(p, g, q.n, below, About::kLower);
      const Moments about_x = reversed<kOrder>(c.lower, below);
      c.upper =
          less<kOrder>(grid_stretch(p, j, j + 1, About::kUpper), shifted<kOrder>(about_x, above));
    } else {
      c.upper = arc_moments<kOrder>(p, q.n, h, above, About::kUpper);
      const Moments about_x = reversed<kOrder>(c.upper, above);
      c.lower =
          less<kOrder>(grid_stretch(p, j, j + 1, About::kLower), shifted<kOrder>(about_x, below));
    }
  } else if (lower) {
    c.lower = arc_moments<kOrder>(p, g, q.n, below, About::kLower);
  } else if (upper) {
    c.upper = arc_moments<kOrder>(p, q.n, h, above, About::kUpper);
  }
  return c;
}

// The rising arm [a, b] about a, holding the grid nodes first..last: the
// part of a's cell above a, the whole cells between (from the table) and
// b's part below b (`part`, of b's cut), each moved out to a.  All of them
// are nonnegative.
template <int kOrder>
Moments rising_split(const Shape& p, const Point& a, const Point& b, const Moments& part) {
  const std::ptrdiff_t first = inside(a) ? a.cell + 1 : 0;
  const std::ptrdiff_t last = inside(b) ? b.cell : kCells;
  Moments total{0.0, 0.0, 0.0};
  double to_first = 0.0;  // from a up to node first
  if (inside(a)) {
    to_first = to_node(p, a.n, first);
    total = arc_moments<kOrder>(p, a.n, grid_node(p, first), to_first, About::kLower);
  }
  if (first < last) {
    accumulate<kOrder>(total,
                       shifted<kOrder>(grid_stretch(p, first, last, About::kLower), to_first));
  }
  if (inside(b)) {
    const double to_last = inside(a) ? to_node(p, a.n, last) : p.node_x[last];
    accumulate<kOrder>(total, shifted<kOrder>(part, to_last));
  }
  return total;
}

// The falling arm [a, b] about b: the mirror image.
template <int kOrder>
Moments falling_split(const Shape& p, const Point& a, const Point& b, const Moments& part) {
  const std::ptrdiff_t first = inside(a) ? a.cell + 1 : 0;
  const std::ptrdiff_t last = inside(b) ? b.cell : kCells;
  Moments total{0.0, 0.0, 0.0};
  double from_last = 0.0;  // from node last up to b
  if (inside(b)) {
    from_last = from_node(p, last, b.n);
    total = arc_moments<kOrder>(p, grid_node(p, last), b.n, from_last, About::kUpper);
  }
  if (first < last) {
    accumulate<kOrder>(total,
                       shifted<kOrder>(grid_stretch(p, first, last, About::kUpper), from_last));
  }
  if (inside(a)) {
    const double from_first = inside(b) ? from_node(p, first, b.n) : p.node_rest[first];
    accumulate<kOrder>(total, shifted<kOrder>(part, from_first));
  }
  return total;
}

// Whether the arm [a, b] holds a grid node.
bool holds_node(const Point& a, const Point& b) {
  return (inside(a) ? a.cell + 1 : 0) <= (inside(b) ? b.cell : kCells);
}

// The arm's length: taus between two points inside the rise (their
// positions x + x_lo are exact), else the distance to the clipped end.
double arm_length(const Shape& p, const Point& a, const Point& b) {
  if (!inside(a)) return b.n.x + b.n.x_lo;
  if (!inside(b)) return a.n.rest;
  return p.taus;
}

// The Yoffe function's distribution F(x) = int_0^x Y at the node x.
double yoffe_distribution(const Shape& p, const Point& q) {
  if (q.cell == kCells) return 1.0;
  if (q.cell < 0) return 0.0;
  const Node onset = onset_node(p);
  if (q.cell == 0) return arc_moments<0>(p, onset, q.n, q.n.x + q.n.x_lo, About::kUpper).m0;
  const Moments part =
      arc_moments<0>(p, grid_node(p, q.cell), q.n, from_node(p, q.cell, q.n), About::kUpper);
  return grid_stretch(p, 0, q.cell, About::kUpper).m0 + part.m0;
}

// The moments of the rising arm [x2, x1] about x2 and of the falling arm
// [x1, x0] about x0, zero where the arm misses the rise, and F(x1)
// (x0 = t, x1 = t - taus, x2 = t - 2 taus, where the reversed triangle
// ends, peaks and starts).
struct Arms {
  Moments rising;
  Moments falling;
  double distribution;  // F(x1), for the slip only (kOrder 2)
};

// What each evaluation takes of the arms, in units, before its last
// scaling: the acceleration's falling.m0 - rising.m0 (times taus^2), the
// rate's rising.m1 + falling.m1 (times taus^2), the slip itself.
template <int kOrder>
double combined(const Shape& p, const Arms& a) {
  if constexpr (kOrder == 0) return a.falling.m0 - a.rising.m0;
  if constexpr (kOrder == 1) return a.rising.m1 + a.falling.m1;
  // The triangle's integral is 1 - (x - x2)^2 / (2 taus^2) over the rising
  // arm and (x0 - x)^2 / (2 taus^2) over the falling one.
  return a.distribution + ((a.falling.m2 - a.rising.m2) * (0.5 * p.inv_taus)) * p.inv_taus;
}

// What the cases below give: the evaluation's combination of the arms
// (Result double), or the arms themselves (Result Arms: the bins take the
// slip and the rate from one evaluation).
template <int kOrder, class Result>
Result result_of(const Shape& p, const Arms& a) {
  if constexpr (std::is_same_v<Result, Arms>) {
    return a;
  } else {
    return combined<kOrder>(p, a);
  }
}

// The arms at 0 < t (in units) where a point lies inside the rise, in six
// cases: one point inside with the others clipped, the falling arm from
// the onset or the rising arm to the end; x1 inside with the rising arm
// clipped, the falling one or both; and the rest.  An arm clipped at the
// onset (x2 < 0) or at the end of the rise (x0 > taur) has its moments
// taken about the clipped end, then moved out to x2 or x0.  An arm that
// holds a grid node is split at the nodes; one within a cell is one arc.
// Each case is a function of its own, inlined whole ("flatten") so that
// its small pieces keep their values in registers, and called rather than
// inlined so that the cases do not crowd each other's registers: together,
// a third fewer instructions than one function for all.

// x1 <= 0 < x0 < taur.
template <int kOrder, class Result>
[[gnu::flatten]] Result from_onset(const Shape& p, double t) {
  const Point q = point_at(p, t, 0.0);
  const Moments falling = falling_split<kOrder>(p, Point{onset_node(p), -1}, q, Moments{});
  return result_of<kOrder, Result>(p, {{0.0, 0.0, 0.0}, falling, 0.0});
}

// 0 < x2 and taur <= x1; beyond the support both arms are zero.
template <int kOrder, class Result>
[[gnu::flatten]] Result to_end(const Shape& p, double t) {
  const Point q = point_at(p, t, 2.0 * p.taus);
  if (q.cell == kCells) return result_of<kOrder, Result>(p, {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, 1.0});
  const Moments rising = rising_split<kOrder>(p, q, Point{finish_node(p), kCells}, Moments{});
  return result_of<kOrder, Result>(p, {rising, {0.0, 0.0, 0.0}, 1.0});
}

// Any t, all three points taken; beyond the support both arms are zero.
template <int kOrder, class Result>
[[gnu::flatten, gnu::noinline]] Result general(const Shape& p, double t) {
  Arms r{{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, 1.0};
  const Point q2 = point_at(p, t, 2.0 * p.taus);
  if (q2.cell == kCells) return result_of<kOrder, Result>(p, r);  // t >= taur + 2 taus
  const Point q1 = point_at(p, t, p.taus);
  const Point q0 = point_at(p, t, 0.0);
  if constexpr (kOrder >= 2) r.distribution = yoffe_distribution(p, q1);
  const bool rises = q1.cell >= 0;  // the rising arm meets the rise
  const bool falls = q1.cell < kCells;   // the falling arm meets it
  const bool split_rising = rises && holds_node(q2, q1);
  const bool split_falling = falls && holds_node(q1, q0);
  Cut cut{{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}};
  if (inside(q1) && (split_rising || split_falling)) {
    cut = cut_at<kOrder>(p, q1, split_rising, split_falling);
  }
  if (rises) {
    r.rising = split_rising
                   ? rising_split<kOrder>(p, q2, q1, cut.lower)
                   : arc_moments<kOrder>(p, q2.n, q1.n, arm_length(p, q2, q1), About::kLower);
    if (q2.cell < 0) r.rising = shifted<kOrder>(r.rising, 2.0 * p.taus - t);
  }
  if (falls) {
    r.falling = split_falling
                    ? falling_split<kOrder>(p, q1, q0, cut.upper)
                    : arc_moments<kOrder>(p, q1.n, q0.n, arm_length(p, q1, q0), About::kUpper);
    if (q0.cell == kCells) r.falling = shifted<kOrder>(r.falling, t - p.taur);
  }
  return result_of<kOrder, Result>(p, r);
}

// x1 inside with x2 <= 0 or taur <= x0 (or both): the clipped arm is the
// part of the rise below or above x1, from the table and x1's cut; the
// other, one arc within a cell, else split at x1 too.  Where rounding
// leaves x1 at an end of the rise, the general case takes it.

// x2 <= 0 and taur <= x0.
template <int kOrder, class Result>
[[gnu::flatten, gnu::noinline]] Result clipped_both(const Shape& p, double t) {
  const Point q1 = point_at(p, t, p.taus);
  if (!inside(q1)) return general<kOrder, Result>(p, t);
  Arms r{{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, 0.0};
  const Cut c = cut_at<kOrder>(p, q1, true, true);
  const Moments below = rising_split<kOrder>(p, Point{onset_node(p), -1}, q1, c.lower);
  r.rising = shifted<kOrder>(below, 2.0 * p.taus - t);
  r.falling = shifted<kOrder>(falling_split<kOrder>(p, q1, Point{finish_node(p), kCells}, c.upper),
                              t - p.taur);
  if constexpr (kOrder >= 2) r.distribution = below.m0;
  return result_of<kOrder, Result>(p, r);
}

// x2 <= 0 < x0 < taur.
template <int kOrder, class Result>
[[gnu::flatten, gnu::noinline]] Result clipped_rising(const Shape& p, double t) {
  const Point q1 = point_at(p, t, p.taus);
  if (!inside(q1)) return general<kOrder, Result>(p, t);
  Arms r{{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, 0.0};
  const Point q = point_at(p, t, 0.0);
  const bool split = holds_node(q1, q);
  const Cut c = cut_at<kOrder>(p, q1, true, split);
  const Moments below = rising_split<kOrder>(p, Point{onset_node(p), -1}, q1, c.lower);
  r.rising = shifted<kOrder>(below, 2.0 * p.taus - t);
  r.falling = split ? falling_split<kOrder>(p, q1, q, c.upper)
                    : arc_moments<kOrder>(p, q1.n, q.n, p.taus, About::kUpper);
  if constexpr (kOrder >= 2) r.distribution = below.m0;
  return result_of<kOrder, Result>(p, r);
}

// 0 < x2 and taur <= x0.
template <int kOrder, class Result>
[[gnu::flatten, gnu::noinline]] Result clipped_falling(const Shape& p, double t) {
  const Point q1 = point_at(p, t, p.taus);
  if (!inside(q1)) return general<kOrder, Result>(p, t);
  Arms r{{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, 0.0};
  const Point q = point_at(p, t, 2.0 * p.taus);
  const bool split = holds_node(q, q1);
  const Cut c = cut_at<kOrder>(p, q1, split || kOrder >= 2, true);
  r.rising = split ? rising_split<kOrder>(p, q, q1, c.lower)
                   : arc_moments<kOrder>(p, q.n, q1.n, p.taus, About::kLower);
  r.falling = shifted<kOrder>(falling_split<kOrder>(p, q1, Point{finish_node(p), kCells}, c.upper),
                              t - p.taur);
  if constexpr (kOrder >= 2)
    r.distribution = rising_split<kOrder>(p, Point{onset_node(p), -1}, q1, c.lower).m0;
  return result_of<kOrder, Result>(p, r);
}

// The arms at 0 < t, by where t lies against taus, 2 taus, taur and
// taur + taus.  Where no point falls inside the rise (taus > taur only),
// one arm covers it all, and only the shift is left to compute; the bound
// taur + taus of those tests may round, but a point within its rounding of
// the end adds nothing of weight.
template <int kOrder, class Result = double>
[[gnu::always_inline]] inline Result arms_at(const Shape& p, double t) {
  if (t <= p.taus) {  // x1 <= 0
    if (t < p.taur) return from_onset<kOrder, Result>(p, t);
    return result_of<kOrder, Result>(
        p,
        {{0.0, 0.0, 0.0}, shifted<kOrder>(grid_stretch(p, 0, kCells, About::kUpper), t - p.taur), 0.0});
  }
  if (t >= p.taur + p.taus) {  // taur <= x1
    if (t > 2.0 * p.taus) return to_end<kOrder, Result>(p, t);
    return result_of<kOrder, Result>(
        p, {shifted<kOrder>(grid_stretch(p, 0, kCells, About::kLower), 2.0 * p.taus - t),
            {0.0, 0.0, 0.0},
            1.0});
  }
  const bool clips_rising = t <= 2.0 * p.taus;  // x2 <= 0
  const bool clips_falling = t >= p.taur;       // taur <= x0
  if (clips_rising && clips_falling) return clipped_both<kOrder, Result>(p, t);
  if (clips_rising) return clipped_rising<kOrder, Result>(p, t);
  if (clips_falling) return clipped_falling<kOrder, Result>(p, t);
  return general<kOrder, Result>(p, t);
}

// Bin averages.  The slip that falls in a bin [a, b] (in units) is
//
//   int_a^b S dt = int Y(x) K(x) dx,   K(x) = W(b - x) - W(a - x),
//
// W the integral of the unit triangle on [0, 2 taus].  K is nonnegative and
// quadratic between the breakpoints a - 2 taus, a - taus, a, b - 2 taus,
// b - taus and b, whose order depends on h = b - a against taus and
// 2 taus.  On each of its five pieces K is written as a sum of nonnegative
// terms in the distance from one end of the piece (or as such a sum less a
// smaller one, u (L - u) = L u - u^2 with u^2 <= L u, which costs a factor
// 2 at most), and the piece's moments about that end come from the same
// cells and arcs as the arms.  So nothing cancels as h shrinks, and the
// average tends to the sampled rate.

// A breakpoint x = t - shift (t a double-double, shift 0, taus or 2 taus:
// as exact as t).
struct Breakpoint {
  DD t;
  double shift;
};

Point point_at(const Shape& p, const Breakpoint& e) {
  return point_of(p, numeric::dd::add(two_sum(e.t.hi, -e.shift), DD{e.t.lo, 0.0}));
}

// The distance from the point a to the point b, a <= b, both inside the
// rise or clipped to it.
double clipped_length(const Point& a, const Point& b) {
  if (a.cell < 0) return b.n.x + b.n.x_lo;
  if (b.cell == kCells) return a.n.rest;
  return (b.n.x - a.n.x) + (b.n.x_lo - a.n.x_lo);
}

// The moments m0, m1, m2 of the Yoffe function over [lo, hi] (lo <= hi)
// clipped to the rise, about lo or about hi; zero where it misses the rise.
// a and b are the points of lo and hi; only the moments up to kOrder.
template <int kOrder>
Moments piece_moments(const Shape& p, const Breakpoint& lo, const Point& a, const Breakpoint& hi,
                      const Point& b, About about) {
  if (b.cell < 0 || a.cell == kCells) return {0.0, 0.0, 0.0};
  Moments m{};
  if (holds_node(a, b)) {
    if (about == About::kLower) {
      const Moments part = inside(b) ? cut_at<kOrder>(p, b, true, false).lower : Moments{};
      m = rising_split<kOrder>(p, a, b, part);
    } else {
      const Moments part = inside(a) ? cut_at<kOrder>(p, a, false, true).upper : Moments{};
      m = falling_split<kOrder>(p, a, b, part);
    }
  } else {
    m = arc_moments<kOrder>(p, a.n, b.n, clipped_length(a, b), about);
  }
  // Moved out from a clipped end to the breakpoint itself.
  if (about == About::kLower && a.cell < 0) m = shifted<kOrder>(m, (lo.shift - lo.t.hi) - lo.t.lo);
  if (about == About::kUpper && b.cell == kCells) {
    m = shifted<kOrder>(m, ((hi.t.hi - hi.shift) - p.taur) + hi.t.lo);
  }
  return m;
}

// int Y K over a piece where K = c0 + c1 u + c2 u^2, u the distance from
// the end the moments are about.
double weighted(const Moments& m, double c0, double c1, double c2) {
  return (c0 * m.m0 + c1 * m.m1) + c2 * m.m2;
}

// The points e, e - taus and e - 2 taus of a bin's end e (units).
struct EndPoints {
  Point shifted[3];  // by 0, taus, 2 taus
};

EndPoints end_points(const Shape& p, DD e) {
  return {{point_at(p, Breakpoint{e, 0.0}), point_at(p, Breakpoint{e, p.taus}),
           point_at(p, Breakpoint{e, 2.0 * p.taus})}};
}

// The slip in the bin [a, b] (units) of width h, for taus > 0, from the
// points of its ends (which the neighbouring bins share).
[[gnu::flatten]] double bin_slip(const Shape& p, DD a, DD b, double h, const EndPoints& at_a,
                                 const EndPoints& at_b) {
  const double s = p.taus;
  const double q = 0.5 * p.inv_taus * p.inv_taus;  // 1 / (2 taus^2)
  const Breakpoint a2{a, 2.0 * s}, a1{a, s}, a0{a, 0.0};
  const Breakpoint b2{b, 2.0 * s}, b1{b, s}, b0{b, 0.0};
  const Point& pa2 = at_a.shifted[2];
  const Point& pa1 = at_a.shifted[1];
  const Point& pa0 = at_a.shifted[0];
  const Point& pb2 = at_b.shifted[2];
  const Point& pb1 = at_b.shifted[1];
  const Point& pb0 = at_b.shifted[0];
  const auto piece = [&p](const Breakpoint& lo, const Point& x, const Breakpoint& hi,
                          const Point& y, About about) {
    return piece_moments<2>(p, lo, x, hi, y, about);
  };
  // The ramps need no second moment.
  const auto ramp = [&p](const Breakpoint& lo, const Point& x, const Breakpoint& hi,
                         const Point& y, About about) {
    return piece_moments<1>(p, lo, x, hi, y, about);
  };
  // The squares at both ends: (x - (a - 2 taus))^2 / (2 taus^2) rising into
  // the bin's first piece and (b - x)^2 / (2 taus^2) falling out of its last.
  double slip = q * ((h <= s ? piece(a2, pa2, b2, pb2, About::kLower)
                             : piece(a2, pa2, a1, pa1, About::kLower))
                         .m2 +
                     (h <= s ? piece(a0, pa0, b0, pb0, About::kUpper)
                             : piece(b1, pb1, b0, pb0, About::kUpper))
                         .m2);
  if (h <= s) {
    // The ramps h (u + h / 2) / taus^2 from b - 2 taus and back to a, and the
    // cap between: u (h - u) / taus^2 + h (2 taus - h) / (2 taus^2).
    const double r = 2.0 * q * h;
    slip += weighted(ramp(b2, pb2, a1, pa1, About::kLower), 0.5 * r * h, r, 0.0);
    slip += weighted(ramp(b1, pb1, a0, pa0, About::kUpper), 0.5 * r * h, r, 0.0);
    slip += weighted(piece(a1, pa1, b1, pb1, About::kLower), q * h * (2.0 * s - h), r, -2.0 * q);
  } else if (h < 2.0 * s) {
    // From a - taus and back from b - taus: 1/2 + u (2 taus - u) / (2 taus^2);
    // between b - 2 taus and a, with L = 2 taus - h:
    // 1 - L^2 / (2 taus^2) + u (L - u) / taus^2.
    const double l = 2.0 * s - h;
    slip += weighted(piece(a1, pa1, b2, pb2, About::kLower), 0.5, 2.0 * q * s, -q);
    slip += weighted(piece(a0, pa0, b1, pb1, About::kUpper), 0.5, 2.0 * q * s, -q);
    slip += weighted(piece(b2, pb2, a0, pa0, About::kLower), 1.0 - q * l * l, 2.0 * q * l,
                     -2.0 * q);
  } else {
    // From a - taus and back from b - taus as above, and 1 between a and
    // b - 2 taus.
    slip += weighted(piece(a1, pa1, a0, pa0, About::kLower), 0.5, 2.0 * q * s, -q);
    slip += weighted(piece(b2, pb2, b1, pb1, About::kUpper), 0.5, 2.0 * q * s, -q);
    slip += piece_moments<0>(p, a0, pa0, b2, pb2, About::kLower).m0;
  }
  return std::fmax(0.0, slip);
}

// The same for taus = 0: the Yoffe function's mass in [a, b].
double bin_mass(const Shape& p, DD a, DD b) {
  const Breakpoint lo{a, 0.0}, hi{b, 0.0};
  return piece_moments<0>(p, lo, point_at(p, lo), hi, point_at(p, hi), About::kLower).m0;
}

}  // namespace

double rise_or_limit(double taus, double taur) {
  if (taur == 0.0 && std::isfinite(taus) && taus >= 0.0) {
    return std::fmax(kShortestRise, taus * kLeastSmoothing);
  }
  return taur;
}

bool valid_parameters(double taus, double taur) {
  // isfinite first: an ordered comparison with a NaN raises FE_INVALID.
  if (!(std::isfinite(taus) && std::isfinite(taur))) return false;
  if (!(taur >= kShortestRise && taur <= kLongestRise)) return false;
  return taus == 0.0 || (taus >= taur * kLeastSmoothing && taus <= taur * kMostSmoothing);
}

double unit_of(double x) {
  int exponent = 0;
  std::frexp(x, &exponent);  // x = m 2^exponent, 0.5 <= m < 1
  return std::ldexp(1.0, exponent - 1);
}

Shape make_shape(double taus, double taur) {
  Shape p{};
  p.unit = unit_of(taur);
  p.inv_unit = 1.0 / p.unit;  // exact: a power of two within 2^+-333
  p.far = 4.0 * std::fmax(taus, taur);
  p.tiny = taur * kTinyTime;
  taus = taus * p.inv_unit;
  taur = taur * p.inv_unit;
  p.taus = taus;
  p.taur = taur;
  p.inv_taur = 1.0 / taur;
  p.taur_over_2pi = taur / (2.0 * kPi);
  p.taur2 = taur * taur;
  p.taur2_over_4pi = p.taur2 / (4.0 * kPi);
  p.node_x[0] = 0.0;
  p.node_rest[0] = taur;
  for (int j = 1; j < kCells; ++j) {
    p.node_x[j] = taur * kGridSine2[j - 1];
    p.node_rest[j] = taur * kGridCosine2[j - 1];
  }
  p.node_x[kCells] = taur;
  p.node_rest[kCells] = 0.0;
  for (int j = 0; j < kCells; ++j) p.cell_middle_x[j] = taur * kCellMiddleSine2[j];
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
  const Node n = point_at(p, seconds * p.inv_unit, 0.0).n;
  return n.rest == 0.0 ? 0.0 : (p.yoffe_scale * std::sqrt(n.rest / n.x)) * p.inv_unit;
}

double yoffe_slip(const Shape& p, double seconds) {
  if (seconds < p.tiny) return kFourOverPi * (std::sqrt(seconds) / std::sqrt(p.taur * p.unit));
  // Rounding can leave the distribution a unit above 1 just before the end.
  return std::fmin(1.0, yoffe_distribution(p, point_at(p, seconds * p.inv_unit, 0.0)));
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
  const Node n = point_at(p, seconds * p.inv_unit, 0.0).n;
  if (n.rest == 0.0) return 0.0;
  // x >= 2^-600 in units, so the product stays normal.
  const double a = kInvPi / ((n.x * std::sqrt(n.x)) * std::sqrt(n.rest));
  return -quotient_or_infinity(quotient_or_infinity(a, p.unit), p.unit);
}

}  // namespace

// Each evaluation starts in seconds: NaN stays NaN (tested with isnan, as
// an ordered comparison with it raises FE_INVALID), times up to the onset
// and from `far` on (4 max(taus, taur), beyond the support) take their
// limits without being scaled, so that no scaling overflows.  The common
// case, taus > 0 and tiny < t < far, is taken first, with quiet
// comparisons (false for NaN, raising nothing), and the array loops test
// taus once: a tenth fewer instructions.

namespace {

bool regular(const Shape& p, double seconds) {
  return std::isgreater(seconds, p.tiny) && std::isless(seconds, p.far);
}

[[gnu::always_inline]] inline double smoothed_rate(const Shape& p, double seconds) {
  return ((arms_at<1>(p, seconds * p.inv_unit) * p.inv_taus) * p.inv_taus) * p.inv_unit;
}

[[gnu::always_inline]] inline double smoothed_slip(const Shape& p, double seconds) {
  // Rounding can leave the sum a unit beyond [0, 1].
  return clamped(arms_at<2>(p, seconds * p.inv_unit), 0.0, 1.0);
}

[[gnu::always_inline]] inline double smoothed_acceleration(const Shape& p, double seconds) {
  return ((((arms_at<0>(p, seconds * p.inv_unit) * p.inv_taus) * p.inv_taus) * p.inv_unit) *
          p.inv_unit);
}

}  // namespace

double slip_rate_at(const Shape& p, double seconds) {
  if (p.taus > 0.0 && regular(p, seconds)) return smoothed_rate(p, seconds);
  if (std::isnan(seconds)) return seconds;
  if (!(seconds > 0.0) || seconds >= p.far) return 0.0;
  if (p.taus == 0.0) return yoffe_rate(p, seconds);
  return 0.0;  // below 2^-600 of the peak
}

double slip_at(const Shape& p, double seconds) {
  if (p.taus > 0.0 && regular(p, seconds)) return smoothed_slip(p, seconds);
  if (std::isnan(seconds)) return seconds;
  if (!(seconds > 0.0)) return 0.0;
  if (seconds >= p.far) return 1.0;
  if (p.taus == 0.0) return yoffe_slip(p, seconds);
  return 0.0;
}

double slip_acceleration_at(const Shape& p, double seconds) {
  if (p.taus > 0.0 && regular(p, seconds)) return smoothed_acceleration(p, seconds);
  if (std::isnan(seconds)) return seconds;
  if (!(seconds > 0.0) || seconds >= p.far) return 0.0;
  if (p.taus == 0.0) return yoffe_acceleration(p, seconds);
  return 0.0;
}

// The loops with taus > 0 call the edge cases' function only outside
// (tiny, far).
void slip_rate_each(const Shape& p, std::size_t n, const double* in, double* out) {
  if (p.taus == 0.0) {
    for (std::size_t i = 0; i < n; ++i) out[i] = slip_rate_at(p, in[i]);
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const double t = in[i];
    out[i] = regular(p, t) ? smoothed_rate(p, t) : slip_rate_at(p, t);
  }
}

void slip_each(const Shape& p, std::size_t n, const double* in, double* out) {
  if (p.taus == 0.0) {
    for (std::size_t i = 0; i < n; ++i) out[i] = slip_at(p, in[i]);
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const double t = in[i];
    out[i] = regular(p, t) ? smoothed_slip(p, t) : slip_at(p, t);
  }
}

void slip_acceleration_each(const Shape& p, std::size_t n, const double* in, double* out) {
  if (p.taus == 0.0) {
    for (std::size_t i = 0; i < n; ++i) out[i] = slip_acceleration_at(p, in[i]);
    return;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const double t = in[i];
    out[i] = regular(p, t) ? smoothed_acceleration(p, t) : slip_acceleration_at(p, t);
  }
}

namespace {

// The slip in the bin [lo, hi] of width dt (seconds), by its pieces.  Ends
// beyond `far` are moved to it (nothing changes beyond), so that no scaling
// overflows.
double bin_slip_seconds(const Shape& p, DD lo, DD hi, double dt) {
  if (!(hi.hi > 0.0) || lo.hi >= p.far) return 0.0;
  const bool clamped = lo.hi < -p.far || hi.hi > p.far;
  if (lo.hi < -p.far) lo = {-p.far, 0.0};
  if (hi.hi > p.far) hi = {p.far, 0.0};
  const DD a{lo.hi * p.inv_unit, lo.lo * p.inv_unit};
  const DD b{hi.hi * p.inv_unit, hi.lo * p.inv_unit};
  const double h = (clamped ? (hi.hi - lo.hi) + (hi.lo - lo.lo) : dt) * p.inv_unit;
  return p.taus > 0.0 ? bin_slip(p, a, b, h, end_points(p, a), end_points(p, b))
                      : bin_mass(p, a, b);
}

// The slip up to the double-double time t (seconds): the slip at t.hi and
// the rate there times t.lo, which leaves out t.lo^2 times the acceleration;
// both from one evaluation of the arms where t is regular.
double slip_to(const Shape& p, DD t) {
  if (t.lo == 0.0) return slip_at(p, t.hi);
  if (p.taus > 0.0 && regular(p, t.hi)) {
    const Arms arms = arms_at<2, Arms>(p, t.hi * p.inv_unit);
    const double slip = clamped(combined<2>(p, arms), 0.0, 1.0);
    const double rate = ((combined<1>(p, arms) * p.inv_taus) * p.inv_taus) * p.inv_unit;
    return slip + rate * t.lo;
  }
  return slip_at(p, t.hi) + slip_rate_at(p, t.hi) * t.lo;
}

}  // namespace

// The bins' ends t0 + (k - 1/2) dt are double-doubles, as exact as t0 and
// dt make them, computed once each, so that neighbouring bins share them to
// the bit, every bin is dt wide, and the averages times dt add up to the
// slip between the grid's first and last ends.  Where a bin is wide
// against the peak (dt times a rate at the peak's side, 1.2 taus, at least
// 1/16) the difference of the slips at its ends, each within 2.2e-16 of
// the final slip, loses less than 7e-15 of the peak, and is taken instead
// of the pieces: one evaluation of the arms a bin.
void slip_rate_average_each(const Shape& p, DD t0, double dt, std::size_t first, std::size_t n,
                            double* out) {
  const bool by_slip = p.taus > 0.0 && dt * slip_rate_at(p, 1.2 * p.taus * p.unit) >= 0.0625;
  // (k - 1/2) dt exactly; below k = 2^25, k - 1/2 has at most 26 bits.
  const numeric::dd::Multiplier step = numeric::dd::multiplier(dt);
  const auto end = [t0, &step](std::size_t k) {
    const double a = static_cast<double>(k) - 0.5;
    return numeric::dd::add(t0, k < (std::size_t{1} << 25) ? numeric::dd::times_short(step, a)
                                                           : numeric::dd::times(step, a));
  };
  DD lo = end(first);
  double slip_lo = by_slip ? slip_to(p, lo) : 0.0;
  bool have_lo = false;  // the points of lo, in units
  DD a_units{0.0, 0.0};
  EndPoints at_a{};
  for (std::size_t i = 0; i < n; ++i) {
    const DD hi = end(first + i + 1);
    if (by_slip) {
      const double slip_hi = slip_to(p, hi);
      const double slip = slip_hi - slip_lo;
      out[i] = (slip > 0.0 ? slip : 0.0) / dt;
      slip_lo = slip_hi;
    } else if (p.taus > 0.0 && lo.hi > -p.far && hi.hi < p.far) {
      // The points of the bin's upper end serve the next bin's lower end.
      const DD b{hi.hi * p.inv_unit, hi.lo * p.inv_unit};
      const EndPoints at_b = end_points(p, b);
      if (!have_lo) {
        a_units = {lo.hi * p.inv_unit, lo.lo * p.inv_unit};
        at_a = end_points(p, a_units);
      }
      out[i] = (hi.hi > 0.0 ? bin_slip(p, a_units, b, dt * p.inv_unit, at_a, at_b) : 0.0) / dt;
      a_units = b;
      at_a = at_b;
      have_lo = true;
    } else {
      out[i] = bin_slip_seconds(p, lo, hi, dt) / dt;
      have_lo = false;
    }
    lo = hi;
  }
}

double acceleration_balance(const Shape& p, double t) {
  return arms_at<0>(p, t);
}

}  // namespace yoffe::detail
