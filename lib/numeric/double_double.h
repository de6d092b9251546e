// Double-double arithmetic: a value is the unevaluated sum hi + lo of two
// doubles with |lo| <= ulp(hi) / 2, about 106 significant bits.
//
// Every operation is a fixed sequence of plain IEEE double additions,
// subtractions, multiplications, divisions and square roots, each rounded
// as written: the build forbids fused multiply-add and value-changing
// optimisation, so the results are the same on every IEEE machine.  Each
// operation is exact or loses about 2^-104 relative.
#pragma once

#include <cmath>

namespace numeric::dd {

struct DD {
  double hi;
  double lo;
};

/// s + e = a + b exactly.
inline DD two_sum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  const double e = (a - (s - bb)) + (b - bb);
  return {s, e};
}

/// s + e = a + b exactly, for |a| >= |b| or a = 0.
inline DD fast_two_sum(double a, double b) {
  const double s = a + b;
  const double e = b - (s - a);
  return {s, e};
}

/// a = hi + lo, each half with at most 26 significant bits (Veltkamp).
/// Needs |a| below about 2^996, where 2^27 a cannot overflow.
inline void split(double a, double& hi, double& lo) {
  const double t = 134217729.0 * a;  // 2^27 + 1
  hi = t - (t - a);
  lo = a - hi;
}

/// p + e = a b exactly (Dekker), barring overflow and underflow.
inline DD two_prod(double a, double b) {
  const double p = a * b;
  double ah = 0.0;
  double al = 0.0;
  double bh = 0.0;
  double bl = 0.0;
  split(a, ah, al);
  split(b, bh, bl);
  const double e = (((ah * bh - p) + ah * bl) + al * bh) + al * bl;
  return {p, e};
}

/// Exact products a b for many a and one b, whose split is made once.
/// Factors from 2^900 on are scaled through their split, which would
/// overflow from 2^996 on; a b itself must not overflow.
struct Multiplier {
  double b;
  double hi;  // b = hi + lo, each with at most 26 significant bits
  double lo;
};

inline Multiplier multiplier(double b) {
  const double scale = std::fabs(b) > 0x1p900 ? 0x1p-64 : 1.0;
  Multiplier m{b, 0.0, 0.0};
  split(b * scale, m.hi, m.lo);
  m.hi = m.hi / scale;
  m.lo = m.lo / scale;
  return m;
}

/// a b exactly, for a of at most 26 significant bits (an integer below
/// 2^26, say): two exact products and their sum.
inline DD times_short(const Multiplier& m, double a) {
  return two_sum(a * m.hi, a * m.lo);
}

/// a b exactly (Dekker), barring underflow.
inline DD times(const Multiplier& m, double a) {
  const Multiplier n = multiplier(a);
  const double p = a * m.b;
  return {p, (((n.hi * m.hi - p) + n.hi * m.lo) + n.lo * m.hi) + n.lo * m.lo};
}

inline DD add(DD x, DD y) {
  DD s = two_sum(x.hi, y.hi);
  const DD t = two_sum(x.lo, y.lo);
  s.lo = s.lo + t.hi;
  s = fast_two_sum(s.hi, s.lo);
  s.lo = s.lo + t.lo;
  return fast_two_sum(s.hi, s.lo);
}

inline DD neg(DD x) {
  return {-x.hi, -x.lo};
}

inline DD sub(DD x, DD y) {
  return add(x, neg(y));
}

inline DD mul(DD x, DD y) {
  DD p = two_prod(x.hi, y.hi);
  p.lo = p.lo + (x.hi * y.lo + x.lo * y.hi);
  return fast_two_sum(p.hi, p.lo);
}

inline DD mul(DD x, double y) {
  DD p = two_prod(x.hi, y);
  p.lo = p.lo + x.lo * y;
  return fast_two_sum(p.hi, p.lo);
}

/// Three quotient digits, each taken from the remainder of the ones before.
inline DD div(DD x, DD y) {
  const double q1 = x.hi / y.hi;
  DD r = sub(x, mul(y, q1));
  const double q2 = r.hi / y.hi;
  r = sub(r, mul(y, q2));
  const double q3 = r.hi / y.hi;
  return add(fast_two_sum(q1, q2), DD{q3, 0.0});
}

/// Square root of x > 0: the double root and one Newton correction.
inline DD sqrt_dd(DD x) {
  const double s = std::sqrt(x.hi);
  const DD p = two_prod(s, s);
  const double r = ((x.hi - p.hi) - p.lo) + x.lo;
  return fast_two_sum(s, r / (s + s));
}

/// The nearest double to a double-double.
inline double rounded(DD x) {
  return x.hi + x.lo;
}

/// pi and pi / 2 to about 107 bits.
inline constexpr DD kPi = {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};
inline constexpr DD kHalfPi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};

}  // namespace numeric::dd
