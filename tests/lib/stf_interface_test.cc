// The parameter rules of the C interface and the C++ interface over it:
// what a bad call returns and that it writes nothing, empty and null
// arrays, NaN in place, infinities and the values outside the support.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>
#include <stdexcept>
#include <vector>

#include "yoffe/stf.h"
#include "yoffe/stf.hpp"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kSentinel = -12345.5;

using ArrayCall = int (*)(double, double, size_t, const double*, double*);

struct ArrayFunction {
  const char* name;
  ArrayCall call;
  double before;  // the value before the support
  double after;   // the value from the end of the support on
};

const ArrayFunction kArrayFunctions[] = {
    {"slip_rate", yoffe_slip_rate, 0.0, 0.0},
    {"slip", yoffe_slip, 0.0, 1.0},
    {"slip_acceleration", yoffe_slip_acceleration, 0.0, 0.0},
};

struct Pair {
  double taus;
  double taur;
};

const Pair kBadSources[] = {{-1e-3, 1.0}, {-1e-300, 1.0}, {kNaN, 1.0}, {kInf, 1.0},  {0.1, 0.0},
                            {0.1, -1.0},  {0.1, kNaN},    {0.1, kInf}, {-kInf, 1.0}, {0.1, -0.0}};

class ArrayRules : public testing::TestWithParam<ArrayFunction> {};

TEST_P(ArrayRules, BadSourceWritesNothing) {
  const ArrayCall call = GetParam().call;
  for (const Pair& p : kBadSources) {
    const double t[2] = {0.5, 1.0};
    double out[2] = {kSentinel, kSentinel};
    EXPECT_EQ(call(p.taus, p.taur, 2, t, out), YOFFE_BAD_PARAMETER) << p.taus << " " << p.taur;
    EXPECT_EQ(out[0], kSentinel);
    EXPECT_EQ(out[1], kSentinel);
  }
}

TEST_P(ArrayRules, NullArraysOnlyWhenEmpty) {
  const ArrayCall call = GetParam().call;
  const double t[1] = {0.5};
  double out[1] = {kSentinel};
  EXPECT_EQ(call(0.1, 1.0, 1, nullptr, out), YOFFE_BAD_PARAMETER);
  EXPECT_EQ(out[0], kSentinel);
  EXPECT_EQ(call(0.1, 1.0, 1, t, nullptr), YOFFE_BAD_PARAMETER);
  EXPECT_EQ(call(0.1, 1.0, 0, nullptr, nullptr), YOFFE_OK);
  EXPECT_EQ(call(0.1, 1.0, 0, t, out), YOFFE_OK);
  EXPECT_EQ(out[0], kSentinel);
  // An empty call still checks the source.
  EXPECT_EQ(call(-1.0, 1.0, 0, nullptr, nullptr), YOFFE_BAD_PARAMETER);
}

TEST_P(ArrayRules, NaNStaysInItsPlace) {
  const ArrayFunction& f = GetParam();
  for (const double taus : {0.0, 0.1}) {
    const double t[3] = {0.3, kNaN, 0.7};
    double out[3] = {};
    ASSERT_EQ(f.call(taus, 1.0, 3, t, out), YOFFE_OK);
    EXPECT_TRUE(std::isnan(out[1]));
    EXPECT_TRUE(std::isfinite(out[0]) && out[0] != 0.0);
    EXPECT_TRUE(std::isfinite(out[2]) && out[2] != 0.0);
    double alone = 0.0;
    ASSERT_EQ(f.call(taus, 1.0, 1, &t[2], &alone), YOFFE_OK);
    EXPECT_EQ(out[2], alone);
  }
}

TEST_P(ArrayRules, OutsideTheSupport) {
  const ArrayFunction& f = GetParam();
  for (const Pair& p : {Pair{0.0, 1.0}, Pair{0.1, 1.0}, Pair{2.0, 0.5}}) {
    const double end = p.taur + 2.0 * p.taus;
    // end itself may fall a rounding short of the exact end of the support.
    const double t[] = {-kInf, -1.0, -0.0, 0.0, std::nextafter(end, kInf), 2.0 * end, 1e300, kInf};
    constexpr size_t n = sizeof t / sizeof t[0];
    double out[n];
    ASSERT_EQ(f.call(p.taus, p.taur, n, t, out), YOFFE_OK);
    for (size_t i = 0; i < n; ++i) {
      EXPECT_EQ(out[i], t[i] <= 0.0 ? f.before : f.after)
          << f.name << " at " << t[i] << " for " << p.taus << ", " << p.taur;
    }
  }
}

TEST_P(ArrayRules, InPlace) {
  const ArrayFunction& f = GetParam();
  std::vector<double> t = {0.01, 0.05, 0.3, 1.1, 1.19};
  std::vector<double> expected(t.size());
  ASSERT_EQ(f.call(0.05, 1.1, t.size(), t.data(), expected.data()), YOFFE_OK);
  ASSERT_EQ(f.call(0.05, 1.1, t.size(), t.data(), t.data()), YOFFE_OK);
  EXPECT_EQ(t, expected);
}

INSTANTIATE_TEST_SUITE_P(Functions, ArrayRules, testing::ValuesIn(kArrayFunctions),
                         [](const testing::TestParamInfo<ArrayFunction>& info) {
                           return std::string(info.param.name);
                         });

TEST(AmplitudeRules, BadSourceAndNullArrays) {
  for (const Pair& p : kBadSources) {
    const double f[1] = {1.0};
    double out[1] = {kSentinel};
    EXPECT_EQ(yoffe_amplitude_spectrum(p.taus, p.taur, 1, f, out), YOFFE_BAD_PARAMETER);
    EXPECT_EQ(out[0], kSentinel);
  }
  double out[1] = {kSentinel};
  EXPECT_EQ(yoffe_amplitude_spectrum(0.1, 1.0, 1, nullptr, out), YOFFE_BAD_PARAMETER);
  EXPECT_EQ(out[0], kSentinel);
  EXPECT_EQ(yoffe_amplitude_spectrum(0.1, 1.0, 0, nullptr, nullptr), YOFFE_OK);
}

TEST(AmplitudeRules, SpecialFrequencies) {
  for (const double taus : {0.0, 0.1}) {
    const double f[] = {0.0, -0.0, kNaN, kInf, -kInf, 3.7, -3.7, 1e300, 5e-324};
    constexpr size_t n = sizeof f / sizeof f[0];
    double out[n];
    ASSERT_EQ(yoffe_amplitude_spectrum(taus, 1.0, n, f, out), YOFFE_OK);
    EXPECT_EQ(out[0], 1.0);
    EXPECT_EQ(out[1], 1.0);
    EXPECT_TRUE(std::isnan(out[2]));
    EXPECT_EQ(out[3], 0.0);
    EXPECT_EQ(out[4], 0.0);
    EXPECT_GT(out[5], 0.0);
    EXPECT_EQ(out[5], out[6]);  // even in f
    EXPECT_GE(out[7], 0.0);
    EXPECT_LT(out[7], 1e-150);
    EXPECT_EQ(out[8], 1.0);
  }
}

TEST(PeakTimeRules, NeedsSmoothing) {
  double tp = kSentinel;
  EXPECT_EQ(yoffe_peak_time(0.0, 1.0, &tp), YOFFE_BAD_PARAMETER);
  EXPECT_EQ(tp, kSentinel);
  for (const Pair& p : kBadSources) {
    EXPECT_EQ(yoffe_peak_time(p.taus, p.taur, &tp), YOFFE_BAD_PARAMETER);
    EXPECT_EQ(tp, kSentinel);
  }
  EXPECT_EQ(yoffe_peak_time(0.1, 1.0, nullptr), YOFFE_BAD_PARAMETER);
  ASSERT_EQ(yoffe_peak_time(0.1, 1.0, &tp), YOFFE_OK);
  EXPECT_GT(tp, 0.1);
  EXPECT_LT(tp, 0.2);
}

TEST(FromTaccTeffRules, NeedsTaccWithinHalfTheDuration) {
  const Pair bad[] = {{0.0, 1.0},  {-0.1, 1.0}, {0.5, 1.0},   {0.6, 1.0},  {kNaN, 1.0},
                      {0.1, kNaN}, {0.1, kInf}, {kInf, kInf}, {0.1, -1.0}, {0.1, 0.0}};
  for (const Pair& p : bad) {
    double taus = kSentinel;
    double taur = kSentinel;
    EXPECT_EQ(yoffe_from_tacc_teff(p.taus, p.taur, &taus, &taur), YOFFE_BAD_PARAMETER)
        << p.taus << " " << p.taur;
    EXPECT_EQ(taus, kSentinel);
    EXPECT_EQ(taur, kSentinel);
  }
  double taus = kSentinel;
  EXPECT_EQ(yoffe_from_tacc_teff(0.1, 1.0, &taus, nullptr), YOFFE_BAD_PARAMETER);
  EXPECT_EQ(yoffe_from_tacc_teff(0.1, 1.0, nullptr, &taus), YOFFE_BAD_PARAMETER);
  EXPECT_EQ(taus, kSentinel);
}

// The C++ interface gives the C interface's values and fails as documented.
TEST(CppInterface, SourceIsValidatedOnConstruction) {
  for (const Pair& p : kBadSources) {
    EXPECT_THROW(yoffe::Source(p.taus, p.taur), std::invalid_argument);
  }
  const yoffe::Source s(0.02, 3.1);
  EXPECT_EQ(s.taus(), 0.02);
  EXPECT_EQ(s.taur(), 3.1);
  EXPECT_EQ(s.effective_duration(), 3.1 + 0.04);
  EXPECT_NO_THROW(yoffe::Source(0.0, 1.0));
}

TEST(CppInterface, SpansAndScalarsGiveTheCValues) {
  const yoffe::Source s(0.05, 0.7);
  const std::vector<double> t = {-1.0, 0.01, 0.05, 0.1, 0.33, 0.7, 0.75, 0.8, kNaN};
  std::vector<double> c(t.size());
  std::vector<double> cpp(t.size());
  struct Case {
    ArrayCall c_call;
    void (*span_call)(const yoffe::Source&, std::span<const double>, std::span<double>);
    double (*scalar_call)(const yoffe::Source&, double) noexcept;
  };
  const Case cases[] = {
      {yoffe_slip_rate, yoffe::slip_rate, yoffe::slip_rate},
      {yoffe_slip, yoffe::slip, yoffe::slip},
      {yoffe_slip_acceleration, yoffe::slip_acceleration, yoffe::slip_acceleration},
      {yoffe_amplitude_spectrum, yoffe::amplitude_spectrum, yoffe::amplitude_spectrum},
  };
  for (const Case& k : cases) {
    ASSERT_EQ(k.c_call(s.taus(), s.taur(), t.size(), t.data(), c.data()), YOFFE_OK);
    k.span_call(s, t, cpp);
    for (size_t i = 0; i < t.size(); ++i) {
      if (std::isnan(t[i])) {
        EXPECT_TRUE(std::isnan(cpp[i]) && std::isnan(c[i]));
        EXPECT_TRUE(std::isnan(k.scalar_call(s, t[i])));
      } else {
        EXPECT_EQ(cpp[i], c[i]) << t[i];
        EXPECT_EQ(k.scalar_call(s, t[i]), c[i]) << t[i];
      }
    }
  }
}

TEST(CppInterface, SpansOfDifferentSizesThrowAndWriteNothing) {
  const yoffe::Source s(0.05, 0.7);
  const std::vector<double> t = {0.1, 0.2, 0.3};
  std::vector<double> out(2, kSentinel);
  EXPECT_THROW(yoffe::slip_rate(s, t, out), std::invalid_argument);
  EXPECT_THROW(yoffe::slip(s, t, out), std::invalid_argument);
  EXPECT_THROW(yoffe::slip_acceleration(s, t, out), std::invalid_argument);
  EXPECT_THROW(yoffe::amplitude_spectrum(s, t, out), std::invalid_argument);
  EXPECT_EQ(out, std::vector<double>(2, kSentinel));
  std::vector<double> none;
  EXPECT_NO_THROW(yoffe::slip_rate(s, std::span<const double>(), std::span<double>(none)));
}

TEST(CppInterface, PeakTimeAndTheWayBack) {
  EXPECT_THROW(yoffe::peak_time(yoffe::Source(0.0, 1.0)), std::domain_error);
  const yoffe::Source s(0.05, 0.7);
  double c_peak = 0.0;
  ASSERT_EQ(yoffe_peak_time(0.05, 0.7, &c_peak), YOFFE_OK);
  EXPECT_EQ(yoffe::peak_time(s), c_peak);
  const yoffe::Source back = yoffe::Source::from_tacc_teff(c_peak, s.effective_duration());
  EXPECT_NEAR(back.taus(), 0.05, 1e-11 * 0.05);
  EXPECT_NEAR(back.taur(), 0.7, 1e-11 * 0.7);
  EXPECT_THROW(yoffe::Source::from_tacc_teff(0.5, 1.0), std::invalid_argument);
  EXPECT_THROW(yoffe::Source::from_tacc_teff(kNaN, 1.0), std::invalid_argument);
}

}  // namespace
