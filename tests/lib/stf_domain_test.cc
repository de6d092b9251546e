// The library at the edges of what it accepts: each end of the domain
// walked from both sides, sources far outside it, the Yoffe function
// (taus = 0) at subnormal times and just before its end, and no
// floating-point exception for any input.  Inside, a call gives a right
// value; outside, YOFFE_BAD_PARAMETER with nothing written.
#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

#include "yoffe/stf.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kSubnormal = std::numeric_limits<double>::denorm_min();
constexpr double kSentinel = -12345.5;
constexpr int kTrapped = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

using ArrayCall = int (*)(double, double, size_t, const double*, double*);

struct Call {
  const char* name;
  ArrayCall call;
};

constexpr Call kRate{"slip_rate", yoffe_slip_rate};
constexpr Call kSlip{"slip", yoffe_slip};
constexpr Call kAcc{"slip_acceleration", yoffe_slip_acceleration};
constexpr Call kAmp{"amplitude_spectrum", yoffe_amplitude_spectrum};
const Call kCalls[] = {kRate, kSlip, kAcc, kAmp};

double above(double x) {
  return std::nextafter(x, kInf);
}
double below(double x) {
  return std::nextafter(x, 0.0);
}

// Times over the support and a little beyond, or frequencies over 1e-3 to
// 1e5 of the source's, for a source's own scale.
std::vector<double> inputs_for(double taus, double taur) {
  const double end = taur + 2.0 * taus;
  std::vector<double> x;
  for (int k = 0; k <= 40; ++k) x.push_back(end * k / 38.0);
  for (int k = -3; k <= 5; ++k) x.push_back(std::pow(10.0, k) / (3.0 * std::fmax(taus, taur)));
  return x;
}

// One side of one end of the domain: a source and whether it is accepted.
struct Edge {
  const char* name;
  double taus;
  double taur;
  bool accepted;
};

const Edge kEdges[] = {
    {"shortest rise", 0.0, 1e-100, true},
    {"below the shortest rise", 0.0, below(1e-100), false},
    {"shortest rise, smoothed", 1e-100, 1e-100, true},
    {"longest rise", 0.0, 1e100, true},
    {"beyond the longest rise", 0.0, above(1e100), false},
    {"longest rise, smoothed", 1e100, 1e100, true},
    {"least smoothing", 1e-50, 1.0, true},
    {"below the least smoothing", below(1e-50), 1.0, false},
    {"most smoothing", 1e50, 1.0, true},
    {"beyond the most smoothing", above(1e50), 1.0, false},
    {"least smoothing of the longest rise", 1e100 * 1e-50, 1e100, true},
    {"below it", below(1e100 * 1e-50), 1e100, false},
    {"most smoothing of the shortest rise", 1e-100 * 1e50, 1e-100, true},
    {"beyond it", above(1e-100 * 1e50), 1e-100, false},
    {"subnormal taus", kSubnormal, 1.0, false},
    {"subnormal taur", 0.0, kSubnormal, false},
    {"largest taus", DBL_MAX, 1.0, false},
    {"largest taur", 1.0, DBL_MAX, false},
};

void PrintTo(const Edge& e, std::ostream* os) {
  *os << e.name;
}

class DomainEdge : public testing::TestWithParam<Edge> {};

TEST_P(DomainEdge, AcceptedWithFiniteResultsOrRefusedWithNothingWritten) {
  const Edge& e = GetParam();
  const std::vector<double> x = inputs_for(e.taus, e.taur);
  for (const Call& c : kCalls) {
    std::vector<double> out(x.size(), kSentinel);
    const int status = c.call(e.taus, e.taur, x.size(), x.data(), out.data());
    if (!e.accepted) {
      EXPECT_EQ(status, YOFFE_BAD_PARAMETER) << c.name;
      for (const double v : out) EXPECT_EQ(v, kSentinel) << c.name;
      continue;
    }
    ASSERT_EQ(status, YOFFE_OK) << c.name;
    int nonzero = 0;
    for (size_t i = 0; i < x.size(); ++i) {
      EXPECT_TRUE(std::isfinite(out[i])) << c.name << " at " << x[i] << ": " << out[i];
      nonzero += out[i] != 0.0;
    }
    // At taur / taus = 1e50 the acceleration beyond the onset is below
    // 1e-75 of its peak, which it is exact to, and may round to 0.
    EXPECT_GE(nonzero, c.call == yoffe_slip_acceleration ? 1 : 10) << c.name;
  }
  double tpeak = kSentinel;
  const int status = yoffe_peak_time(e.taus, e.taur, &tpeak);
  if (e.accepted && e.taus > 0.0) {
    ASSERT_EQ(status, YOFFE_OK);
    EXPECT_GE(tpeak, e.taus);
    EXPECT_LE(tpeak, e.taus * (4.0 / 3.0) * (1.0 + 1e-15));
  } else {
    EXPECT_EQ(status, YOFFE_BAD_PARAMETER);
    EXPECT_EQ(tpeak, kSentinel);
  }
}

INSTANTIATE_TEST_SUITE_P(Edges, DomainEdge, testing::ValuesIn(kEdges));

// Single values at the extremes: refused (expected NaN here) or within
// 1e-15 relative of the 60-digit value.
struct Extreme {
  Call call;
  double taus;
  double taur;
  double x;
  double expected;
};

const Extreme kExtremes[] = {
    // Far outside the domain: refused.
    {kRate, kSubnormal, 1.0, 0.5, kNaN},
    {kRate, 1e-220, 1.0, 1e-10, kNaN},
    {kSlip, 1e156, 1.0, 5e155, kNaN},
    {kSlip, 1e157, 1.0, 1.998e157, kNaN},
    {kRate, DBL_MAX, 1.0, below(DBL_MAX), kNaN},
    {kRate, 1.0, DBL_MAX, 1.0000000000000002, kNaN},
    {kAmp, 1e300, 1e-300, 1.0, kNaN},
    {kRate, 0.0, 1e300, kSubnormal, kNaN},
    // The Yoffe function at subnormal and tiny times.
    {kRate, 0.0, 1.0, kSubnormal, 2.8640974757834613004e+161},
    {kRate, 0.0, 1e100, kSubnormal, 2.8640974757834612776e+111},
    {kRate, 0.0, 1e-100, kSubnormal, 2.8640974757834612717e+211},
    {kRate, 0.0, 1.0, 1e-200, 6.3661977236758134877e+99},
    {kSlip, 0.0, 1.0, kSubnormal, 2.8301043382504795828e-162},
    {kSlip, 0.0, 1e100, kSubnormal, 2.8301043382504795603e-212},
    {kAcc, 0.0, 1.0, 1e-200, -3.1830988618379068008e+299},
    {kAcc, 0.0, 1e100, 1e-150, -3.18309886183790666e+174},
    // Beyond the largest double: the Yoffe function's infinite acceleration.
    {kAcc, 0.0, 1.0, kSubnormal, -kInf},
    {kAcc, 0.0, 1e100, kSubnormal, -kInf},
    // The amplitude at the largest frequency: sqrt(2 / (pi x)), x = pi f taur.
    {kAmp, 0.0, 1e100, DBL_MAX, 3.3574329258793336553e-205},
    {kAmp, 1e-100, 1e-100, DBL_MAX, 0.0},
};

void PrintTo(const Extreme& e, std::ostream* os) {
  *os << e.call.name << "(" << e.taus << ", " << e.taur << ") at " << e.x;
}

class ExtremeValue : public testing::TestWithParam<Extreme> {};

TEST_P(ExtremeValue, RightOrRefused) {
  const Extreme& e = GetParam();
  double out = kSentinel;
  const int status = e.call.call(e.taus, e.taur, 1, &e.x, &out);
  if (std::isnan(e.expected)) {
    EXPECT_EQ(status, YOFFE_BAD_PARAMETER);
    EXPECT_EQ(out, kSentinel);
    return;
  }
  ASSERT_EQ(status, YOFFE_OK);
  if (std::isinf(e.expected) || e.expected == 0.0) {
    EXPECT_EQ(out, e.expected);
  } else {
    EXPECT_NEAR(out, e.expected, 1e-15 * std::fabs(e.expected));
  }
}

INSTANTIATE_TEST_SUITE_P(Values, ExtremeValue, testing::ValuesIn(kExtremes));

// Peak time and the way from (tacc, teff) never give YOFFE_OK with a source
// that the other calls refuse, nor with 0 or infinity.
TEST(DomainPeak, RefusedFarOutside) {
  const struct {
    double taus;
    double taur;
  } sources[] = {{1e-300, 1e300}, {1e300, 1e-300}, {kSubnormal, 1.0}, {1.0, DBL_MAX}};
  for (const auto& s : sources) {
    double tpeak = kSentinel;
    EXPECT_EQ(yoffe_peak_time(s.taus, s.taur, &tpeak), YOFFE_BAD_PARAMETER) << s.taus;
    EXPECT_EQ(tpeak, kSentinel);
  }
  const struct {
    double tacc;
    double teff;
  } pairs[] = {{1e-300, 1e300}, {kSubnormal, 1.0}, {DBL_MIN, DBL_MAX}, {1e-70, 1.0},
               {0.4, 1e101},    {1e-101, 3e-101},  {below(0.5), 1.0}};
  for (const auto& q : pairs) {
    double taus = kSentinel;
    double taur = kSentinel;
    const int status = yoffe_from_tacc_teff(q.tacc, q.teff, &taus, &taur);
    if (status == YOFFE_BAD_PARAMETER) {
      EXPECT_EQ(taus, kSentinel);
      EXPECT_EQ(taur, kSentinel);
      continue;
    }
    // A source the other calls accept, of that peak time and duration.
    double tpeak = 0.0;
    ASSERT_EQ(yoffe_peak_time(taus, taur, &tpeak), YOFFE_OK) << q.tacc << " " << q.teff;
    EXPECT_NEAR(tpeak, q.tacc, 1e-15 * q.tacc);
    EXPECT_NEAR(taur + 2.0 * taus, q.teff, 4e-16 * q.teff);
  }
}

// The slip lies in [0, 1] at every time, the Yoffe function's too, where
// rounding just before the end of the rise could push it above 1.
TEST(DomainSlip, WithinZeroAndOne) {
  for (const double taus : {0.0, 1e-9, 0.02}) {
    const double taur = 1.0;
    const double end = taur + 2.0 * taus;
    std::vector<double> t;
    for (int k = 0; k <= 200000; ++k) t.push_back(end * (1.0 - 3.6e-11 * k / 200000.0));
    std::vector<double> out(t.size());
    ASSERT_EQ(yoffe_slip(taus, taur, t.size(), t.data(), out.data()), YOFFE_OK);
    for (size_t i = 0; i < t.size(); ++i) {
      ASSERT_GE(out[i], 0.0) << "taus " << taus << " at " << t[i];
      ASSERT_LE(out[i], 1.0) << "taus " << taus << " at " << t[i];
    }
  }
  double one = 0.0;
  const double t = 0.9999999999999999;
  ASSERT_EQ(yoffe_slip(0.0, 1.0, 1, &t, &one), YOFFE_OK);
  EXPECT_LE(one, 1.0);
}

// No call raises FE_INVALID, FE_DIVBYZERO or FE_OVERFLOW, whatever it is
// given: sources inside and outside the domain, NaN and infinite ones, and
// every kind of time and frequency.
TEST(DomainExceptions, NoneRaised) {
  const double special[] = {kNaN,        -kNaN,   kInf,    -kInf,    0.0,    -0.0,  kSubnormal,
                            -kSubnormal, DBL_MIN, DBL_MAX, -DBL_MAX, 1e-300, 1e300, 1e-100,
                            1e100,       1e-50,   1e50,    1.0,      0.5,    2.0};
  std::vector<double> sources_s = {0.0, 1e-100, 1e-50, 0.02, 1.0, 1e50, 1e100};
  std::vector<double> sources_r = {1e-100, 1e-50, 3.1, 1.0, 1e50, 1e100};
  for (const double v : special) {
    sources_s.push_back(v);
    sources_r.push_back(v);
  }
  int calls = 0;
  for (const double taus : sources_s) {
    for (const double taur : sources_r) {
      std::vector<double> x(std::begin(special), std::end(special));
      if (std::isfinite(taus) && std::isfinite(taur) && taur > 0.0 && taus >= 0.0) {
        const double end = taur + 2.0 * taus;
        for (const double b : {taus, 2.0 * taus, taur, taur + taus, end}) {
          x.push_back(b);
          x.push_back(above(b));
          x.push_back(below(b));
        }
        for (int k = 1; k < 16; ++k) x.push_back(end * k / 16.0);
      }
      std::vector<double> out(x.size());
      for (const Call& c : kCalls) {
        std::feclearexcept(FE_ALL_EXCEPT);
        c.call(taus, taur, x.size(), x.data(), out.data());
        ++calls;
        ASSERT_EQ(std::fetestexcept(kTrapped), 0)
            << c.name << " for taus " << taus << ", taur " << taur;
      }
      double a = 0.0;
      double b = 0.0;
      std::feclearexcept(FE_ALL_EXCEPT);
      yoffe_peak_time(taus, taur, &a);
      yoffe_from_tacc_teff(taus, taur, &a, &b);
      ASSERT_EQ(std::fetestexcept(kTrapped), 0) << "peak for " << taus << ", " << taur;
    }
  }
  EXPECT_GT(calls, 1000);
}

}  // namespace
