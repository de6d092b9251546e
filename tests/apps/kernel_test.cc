// The regularized Yoffe kernel: reference values, the window bounds, and an
// independent check of the closed form against a numerical convolution of
// the Yoffe function with the smoothing triangle.
#include "slip/kernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace {

using slip::ck;
using slip::yoffe_kernel;

constexpr double kTaus = 0.02;
constexpr double kTaur = 3.1;
constexpr double kDt = 0.005;

// Sample i of the slip history is at (i - 1) * dt: one multiplication.
double sample_time(int i) {
  return static_cast<double>(i - 1) * kDt;
}

// One unit in the last digit of a decimal literal written in plain notation
// ("0.0008298608918" -> 1e-13).
double last_digit_unit(const std::string& text) {
  const auto point = text.find('.');
  const auto decimals = static_cast<int>(text.size() - point - 1);
  return std::pow(10.0, -decimals);
}

// ---------------------------------------------------------------------------
// Reference values of the run (taus 0.02, taur 3.1) at the instants
// (i - 1) * 0.005.  Each value must agree with the one given within one unit
// of its last digit or 5e-10 relative, whichever is tighter.

struct TableRow {
  int sample;
  int window;
  const char* raw;
  const char* velocity;
};

const TableRow kTable[] = {
    {2, 1, "0.0008298608918", "0.4260531064"},       {5, 1, "0.006635661128", "3.406768610"},
    {6, 2, "0.007612396931", "3.908227743"},         {9, 2, "0.005485017215", "2.816024524"},
    {10, 3, "0.004662863035", "2.393928067"},        {301, 3, "0.0004184978565", "0.2148580727"},
    {621, 3, "0.00003144171055", "0.01614226985"},   {622, 4, "0.00002643867476", "0.01357369605"},
    {625, 5, "0.000008579562217", "0.004404773343"},
};

TEST(KernelTable, NormalisationConstant) {
  const double c = ck(kTaus, kTaur);
  EXPECT_NEAR(c, 513.4030421649, 1e-10);
  // Formed as 2 / ((pai * taur) * (taus * taus)), with pai = 3.141592654.
  EXPECT_EQ(c, 2.0 / ((3.141592654 * kTaur) * (kTaus * kTaus)));
  EXPECT_NE(c, 2.0 / ((std::numbers::pi * kTaur) * (kTaus * kTaus)));
}

TEST(KernelTable, ReferenceValues) {
  const double c = ck(kTaus, kTaur);
  for (const TableRow& row : kTable) {
    SCOPED_TRACE("sample " + std::to_string(row.sample));
    const double t = sample_time(row.sample);
    const slip::KernelValue k = yoffe_kernel(t, kTaus, kTaur);
    EXPECT_EQ(k.window, row.window);

    const double raw = std::strtod(row.raw, nullptr);
    const double raw_tol = std::min(last_digit_unit(row.raw), 5e-10 * raw);
    EXPECT_NEAR(k.raw, raw, raw_tol);

    const double velocity = std::strtod(row.velocity, nullptr);
    const double velocity_tol = std::min(last_digit_unit(row.velocity), 5e-10 * velocity);
    EXPECT_NEAR((k.raw * 1.0) * c, velocity, velocity_tol);
  }
}

TEST(KernelTable, LargestSampleIsAtSix) {
  // Of the samples of the run, the largest slip velocity is at 0.025 s.
  const double c = ck(kTaus, kTaur);
  int best = 0;
  double largest = -1.0;
  for (int i = 2; i <= 625; ++i) {
    const double v = (yoffe_kernel(sample_time(i), kTaus, kTaur).raw * 1.0) * c;
    if (v > largest) {
      largest = v;
      best = i;
    }
  }
  EXPECT_EQ(best, 6);
  EXPECT_NEAR(largest, 3.908227743, 1e-9);
}

// ---------------------------------------------------------------------------
// Windows.

TEST(KernelWindows, BoundarySamplesFallInTheInclusiveWindow) {
  // 0.02, 0.04, 3.1 and 3.115 s; 3.12 s = taur + taus fails the strict test
  // of window 4.
  EXPECT_EQ(sample_time(5), kTaus);
  EXPECT_EQ(sample_time(9), kTaus + kTaus);
  EXPECT_EQ(sample_time(621), kTaur);
  EXPECT_EQ(sample_time(625), kTaur + kTaus);
  EXPECT_EQ(yoffe_kernel(sample_time(5), kTaus, kTaur).window, 1);
  EXPECT_EQ(yoffe_kernel(sample_time(9), kTaus, kTaur).window, 2);
  EXPECT_EQ(yoffe_kernel(sample_time(621), kTaus, kTaur).window, 3);
  EXPECT_EQ(yoffe_kernel(sample_time(624), kTaus, kTaur).window, 4);
  EXPECT_EQ(yoffe_kernel(sample_time(625), kTaus, kTaur).window, 5);
}

TEST(KernelWindows, EverySampleOfTheRun) {
  for (int i = 2; i <= 4096; ++i) {
    const int expected = i <= 5 ? 1 : i <= 9 ? 2 : i <= 621 ? 3 : i <= 624 ? 4 : i <= 629 ? 5 : 6;
    const slip::KernelValue k = yoffe_kernel(sample_time(i), kTaus, kTaur);
    ASSERT_EQ(k.window, expected) << "sample " << i;
  }
}

TEST(KernelWindows, WindowSixIsExactlyZero) {
  for (double t : {3.1400000000000006, 3.145, 3.5, 20.475, 1e6}) {
    const slip::KernelValue k = yoffe_kernel(t, kTaus, kTaur);
    EXPECT_EQ(k.window, 6) << t;
    EXPECT_EQ(k.raw, 0.0) << t;
    EXPECT_FALSE(std::signbit(k.raw)) << t;
  }
  for (int i = 630; i <= 4096; ++i) {
    ASSERT_EQ(yoffe_kernel(sample_time(i), kTaus, kTaur).raw, 0.0) << "sample " << i;
  }
}

TEST(KernelWindows, RepeatedAdditionLandsSample625InWindowFour) {
  // Why the instants are formed by one multiplication: 624 additions of dt
  // give 3.1199999999999557, below taur + taus, hence window 4, and a raw
  // value that differs from that of sample 625 (window 5).
  double t = 0.0;
  for (int i = 0; i < 624; ++i) t += kDt;
  EXPECT_EQ(t, 3.1199999999999557);
  EXPECT_LT(t, kTaur + kTaus);
  EXPECT_EQ(yoffe_kernel(t, kTaus, kTaur).window, 4);
  EXPECT_EQ(yoffe_kernel(624.0 * kDt, kTaus, kTaur).window, 5);
  EXPECT_NE(yoffe_kernel(t, kTaus, kTaur).raw, yoffe_kernel(624.0 * kDt, kTaus, kTaur).raw);
}

TEST(KernelWindows, StrictBoundOfWindowFour) {
  const double edge = kTaur + kTaus;
  EXPECT_EQ(yoffe_kernel(std::nextafter(edge, 0.0), kTaus, kTaur).window, 4);
  EXPECT_EQ(yoffe_kernel(edge, kTaus, kTaur).window, 5);
  const double end = (kTaus + kTaus) + kTaur;
  EXPECT_EQ(yoffe_kernel(end, kTaus, kTaur).window, 5);
  EXPECT_EQ(yoffe_kernel(std::nextafter(end, 10.0), kTaus, kTaur).window, 6);
  EXPECT_EQ(yoffe_kernel(std::nextafter(kTaus, 1.0), kTaus, kTaur).window, 2);
  EXPECT_EQ(yoffe_kernel(std::nextafter(kTaus + kTaus, 1.0), kTaus, kTaur).window, 3);
  EXPECT_EQ(yoffe_kernel(std::nextafter(kTaur, 10.0), kTaus, kTaur).window, 4);
}

// ---------------------------------------------------------------------------
// The inclusive end of window 5, t = (taus + taus) + taur, where the factor
// (taur - t) + tau2s can round below zero: the kernel must stay finite.

struct Pair {
  double taus;
  double taur;
};

const Pair kPairs[] = {
    {0.02, 3.1},  // the run
    {0.05, 0.1},  // taur = 2 taus exactly
    {0.25, 0.5},  // taur = 2 taus exactly
    {0.1, 1.5},  {0.04, 0.6},
};

std::string describe(const Pair& p) {
  return "taus " + std::to_string(p.taus) + ", taur " + std::to_string(p.taur);
}

TEST(KernelEnd, FiniteAtTheInclusiveEndOfWindowFive) {
  std::vector<Pair> pairs(std::begin(kPairs), std::end(kPairs));
  for (Pair extra : {Pair{0.01, 1.0}, Pair{0.03, 2.9}, Pair{0.2, 0.4}, Pair{0.07, 3.3},
                     Pair{0.013, 0.7}, Pair{0.3, 7.1}}) {
    pairs.push_back(extra);
  }
  for (const Pair& p : pairs) {
    SCOPED_TRACE(describe(p));
    const double end = (p.taus + p.taus) + p.taur;
    const slip::KernelValue k = yoffe_kernel(end, p.taus, p.taur);
    EXPECT_EQ(k.window, 5);
    ASSERT_TRUE(std::isfinite(k.raw)) << k.raw;
    // The function has come down to zero there.
    EXPECT_LT(std::fabs(k.raw * ck(p.taus, p.taur)), 1e-6);
  }
  // With the run's parameters the factor does round below zero.
  EXPECT_LT((kTaur - ((kTaus + kTaus) + kTaur)) + (kTaus + kTaus), 0.0);
}

// ---------------------------------------------------------------------------
// Independent check of the closed form.
//
// The regularized Yoffe function is Y * W, the Yoffe function
//   Y(s) = (2 / (pi TauR)) sqrt((TauR - s) / s),  0 < s < TauR,
// convolved with the unit-area triangle W on [0, 2 TauS], peak 1/TauS at TauS.
// Both have unit area, so their convolution integrates to 1; closed form
// times ck (dmax 1) must equal it.
//
// F(t) = integral of Y(s) W(t - s) ds over max(0, t - 2TauS) < s < min(TauR, t).
// The integrand has a 1/sqrt singularity at s = 0 and a sqrt end at s = TauR,
// and kinks where W has them.  The range is cut at the kinks and at TauR / 2;
// pieces below TauR / 2 use s = u^2 and pieces above use s = TauR - v^2,
// which make each piece smooth:
//   s = u^2:        Y ds = (4 / (pi TauR)) sqrt(TauR - u^2) du
//   s = TauR - v^2: Y ds = (4 / (pi TauR)) v^2 / sqrt(TauR - v^2) dv
// Each smooth piece goes to adaptive Simpson with a tolerance of 1e-12.
// Full pi is used here: the closed form's pai (4.1e-10 above pi) enters
// c2, c5, c6 and ck and moves the result by up to about 7.6e-7 for the run's
// parameters (the constant term c2 = (pai * 0.375) * taur^2 of window 1,
// times ck, differs by that much), so the agreement is required within
// 2e-6, no tighter.  A wrong term or sign would be off by 1e-3 or more.

double adaptive_simpson(const std::function<double(double)>& f, double a, double b, double fa,
                        double fm, double fb, double whole, double tol, int depth) {
  const double m = (a + b) / 2, lm = (a + m) / 2, rm = (m + b) / 2;
  const double flm = f(lm), frm = f(rm);
  const double left = (m - a) / 6 * (fa + 4 * flm + fm);
  const double right = (b - m) / 6 * (fm + 4 * frm + fb);
  const double delta = left + right - whole;
  if (depth <= 0 || std::fabs(delta) <= 15 * tol) return left + right + delta / 15;
  return adaptive_simpson(f, a, m, fa, flm, fm, left, tol / 2, depth - 1) +
         adaptive_simpson(f, m, b, fm, frm, fb, right, tol / 2, depth - 1);
}

double integrate(const std::function<double(double)>& f, double a, double b, double tol) {
  if (!(b > a)) return 0.0;
  const double fa = f(a), fb = f(b), fm = f((a + b) / 2);
  return adaptive_simpson(f, a, b, fa, fm, fb, (b - a) / 6 * (fa + 4 * fm + fb), tol, 50);
}

double triangle(double x, double taus) {
  if (x <= 0.0 || x >= 2 * taus) return 0.0;
  return (taus - std::fabs(x - taus)) / (taus * taus);
}

// Integral of Y(s) W(t - s) over lo < s < hi, a range without kinks of W.
double piece(double t, double taus, double taur, double lo, double hi) {
  const double scale = 4.0 / (std::numbers::pi * taur);
  const double half = taur / 2;
  if (hi <= half) {
    auto f = [&](double u) { return scale * std::sqrt(taur - u * u) * triangle(t - u * u, taus); };
    return integrate(f, std::sqrt(lo), std::sqrt(hi), 1e-12);
  }
  if (lo >= half) {
    auto f = [&](double v) {
      const double s = taur - v * v;
      return scale * v * v / std::sqrt(taur - v * v) * triangle(t - s, taus);
    };
    return integrate(f, std::sqrt(std::max(0.0, taur - hi)), std::sqrt(taur - lo), 1e-12);
  }
  return piece(t, taus, taur, lo, half) + piece(t, taus, taur, half, hi);
}

double convolution(double t, double taus, double taur) {
  const double a = std::max(0.0, t - 2 * taus);
  const double b = std::min(taur, t);
  if (!(b > a)) return 0.0;
  std::vector<double> cuts = {a, b};
  for (double c : {t - taus, taur / 2}) {
    if (c > a && c < b) cuts.push_back(c);
  }
  std::sort(cuts.begin(), cuts.end());
  double sum = 0.0;
  for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
    sum += piece(t, taus, taur, cuts[i], cuts[i + 1]);
  return sum;
}

TEST(KernelConvolution, NumericalConvolutionIsSound) {
  // The reference itself: the triangle has unit area, and the convolution
  // is zero beyond TauR + 2 TauS.
  EXPECT_NEAR(integrate([](double x) { return triangle(x, 0.02); }, 0.0, 0.02, 1e-14) +
                  integrate([](double x) { return triangle(x, 0.02); }, 0.02, 0.04, 1e-14),
              1.0, 1e-12);
  EXPECT_EQ(convolution(3.1400001, 0.02, 3.1), 0.0);
  // Deep in window 3 the smoothing hardly matters: F(t) is close to Y itself
  // delayed by the centre TauS of the triangle.
  const double y = 2.0 / (std::numbers::pi * 3.1) * std::sqrt((3.1 - 1.48) / 1.48);
  EXPECT_NEAR(convolution(1.5, 0.02, 3.1), y, 1e-4);
}

TEST(KernelConvolution, ClosedFormEqualsTheConvolutionInEveryWindow) {
  const double fractions[] = {0.02, 0.25, 0.5, 0.75, 0.98, 1.0};
  double worst = 0.0;
  for (const Pair& p : kPairs) {
    SCOPED_TRACE(describe(p));
    const double c = ck(p.taus, p.taur);
    const double tau2s = p.taus + p.taus;
    // Window w spans (bounds[w - 1], bounds[w]].
    const double bounds[] = {
        0.0, p.taus, tau2s, p.taur, p.taur + p.taus, tau2s + p.taur, tau2s + p.taur + 0.5};
    int windows_seen = 0;
    for (int w = 1; w <= 6; ++w) {
      const double lo = bounds[w - 1], hi = bounds[w];
      if (!(hi > lo)) continue;  // window 3 is empty when taur = 2 taus
      ++windows_seen;
      for (double f : fractions) {
        double t = lo + f * (hi - lo);
        if (f == 1.0) t = hi;
        if (w == 4 && f == 1.0) continue;  // exclusive bound, belongs to window 5
        const slip::KernelValue k = yoffe_kernel(t, p.taus, p.taur);
        const double closed = (k.raw * 1.0) * c;
        const double reference = convolution(t, p.taus, p.taur);
        SCOPED_TRACE("t " + std::to_string(t) + " window " + std::to_string(w));
        if (f > 0.05 && f < 0.95) {
          EXPECT_EQ(k.window, w);
        }
        ASSERT_TRUE(std::isfinite(closed));
        EXPECT_NEAR(closed, reference, 2e-6);
        worst = std::max(worst, std::fabs(closed - reference));
      }
    }
    EXPECT_GE(windows_seen, p.taur == tau2s ? 5 : 6);
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", worst);
  RecordProperty("worst_difference", text);
}

TEST(KernelConvolution, ClosedFormAtEverySampleOfTheRun) {
  // The same comparison at every sample the run evaluates, 0.005 to 3.12 s.
  const double c = ck(kTaus, kTaur);
  for (int i = 2; i <= 625; ++i) {
    const double t = sample_time(i);
    const double closed = (yoffe_kernel(t, kTaus, kTaur).raw * 1.0) * c;
    ASSERT_NEAR(closed, convolution(t, kTaus, kTaur), 2e-6) << "sample " << i;
  }
}

TEST(KernelConvolution, SlipVelocityIntegratesToOne) {
  // Trapezoid rule on a grid of about 1e-5 s up to taur + 2 taus; at t = 0
  // the function is 0 (the kernel is not defined there).
  for (const Pair& p : kPairs) {
    SCOPED_TRACE(describe(p));
    const double c = ck(p.taus, p.taur);
    const double end = (p.taus + p.taus) + p.taur;
    const long steps = std::lround(std::ceil(end / 1e-5));
    const double h = end / static_cast<double>(steps);
    double sum = 0.0;
    for (long i = 1; i <= steps; ++i) {
      const double t = static_cast<double>(i) * h;
      const double v = (yoffe_kernel(t, p.taus, p.taur).raw * 1.0) * c;
      ASSERT_TRUE(std::isfinite(v)) << t;
      sum += (i == steps) ? v / 2 : v;
    }
    EXPECT_NEAR(sum * h, 1.0, 1e-6);
  }
}

}  // namespace
