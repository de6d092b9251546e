// Properties that tie the library's quantities together: the sampled slip
// rate's transform against the analytic spectrum, the peak time's course
// over taur / taus and the way back from it, and exact scaling with time.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <vector>

#include "aliased_spectrum.h"
#include "yoffe/stf.h"

namespace {

constexpr double kPi = std::numbers::pi;

// dt |DFT| of the slip rate sampled at n dt, n = 0..4095 (the tool's run),
// against the magnitude of the aliased analytic spectrum, m = -400..400,
// whose truncation leaves about 1e-8; and the library's own amplitude
// against the unaliased magnitude.
TEST(Spectrum, SampledTransformMatchesTheAliasedSpectrum) {
  const double taus = 0.02;
  const double taur = 3.1;
  const double dt = 0.005;
  const int n = 4096;
  std::vector<double> t(n);
  std::vector<double> rate(n);
  for (int i = 0; i < n; ++i) t[i] = static_cast<double>(i) * dt;
  ASSERT_EQ(yoffe_slip_rate(taus, taur, n, t.data(), rate.data()), YOFFE_OK);
  double worst = 0.0;
  for (const int k : {1, 2, 3, 5, 8, 13, 21, 34, 55, 89, 144, 233, 377, 610, 987, 1597, 2048}) {
    std::complex<double> dft = 0.0;
    for (int i = 0; i < n; ++i) {
      dft += rate[i] *
             std::polar(1.0, -2.0 * kPi * static_cast<double>((static_cast<long>(k) * i) % n) / n);
    }
    const double f = k / (n * dt);
    const double aliased = std::abs(stf_test::aliased_transform(f, dt, 400, taus, taur));
    worst = std::fmax(worst, std::fabs(dt * std::abs(dft) - aliased));
    EXPECT_NEAR(dt * std::abs(dft), aliased, 2e-8) << "f = " << f;
    double amplitude = 0.0;
    ASSERT_EQ(yoffe_amplitude_spectrum(taus, taur, 1, &f, &amplitude), YOFFE_OK);
    EXPECT_NEAR(amplitude, std::abs(stf_test::transform(f, taus, taur)), 1e-13) << "f = " << f;
  }
  std::printf("[ measured ] worst |dt |DFT| - |aliased spectrum|| %.2e\n", worst);
}

// Far beyond any target (pi f max(taus, taur) up to 1e300) the amplitude
// stays finite, nonnegative and within the Bessel modulus' asymptote
// sqrt(2 / (pi x)) times min(1, 1 / y^2), x = pi f taur, y = pi f taus.
TEST(Spectrum, BoundedByTheEnvelopeAtAnyFrequency) {
  for (const double taus : {0.0, 0.02, 3.0}) {
    const double taur = 1.3;
    for (double arg = 1e3; arg < 1e300; arg *= 7.1) {
      const double f = arg / (kPi * std::fmax(taus, taur));
      double a = -1.0;
      ASSERT_EQ(yoffe_amplitude_spectrum(taus, taur, 1, &f, &a), YOFFE_OK);
      const double x = kPi * f * taur;
      const double y = kPi * f * taus;
      const double bound =
          std::sqrt(2.0 / (kPi * x)) * (1.0 + 1.0 / x + 1e-12) * std::fmin(1.0, 1.0 / (y * y));
      EXPECT_GE(a, 0.0) << "taus " << taus << ", f = " << f;
      EXPECT_LE(a, bound) << "taus " << taus << ", f = " << f;
    }
  }
}

struct Source {
  double taus;
  double taur;
};

const Source kSources[] = {{0.02, 3.1}, {0.3, 1.0}, {1.0, 0.3}, {0.001, 5.0}, {2.0, 0.01}};

// The peak time over taus depends on taur / taus alone: 1 when taus >> taur,
// 1.255 at taur = 2 taus, 4/3 when taus << taur, increasing in between.
TEST(PeakTime, RatioToTausRunsFromOneToFourThirds) {
  double previous = 1.0;
  for (double ratio = 1e-4; ratio <= 1e8; ratio *= 3.0) {
    double tp = 0.0;
    ASSERT_EQ(yoffe_peak_time(1.0, ratio, &tp), YOFFE_OK);
    EXPECT_GT(tp, previous) << ratio;
    EXPECT_LT(tp, 4.0 / 3.0) << ratio;
    previous = tp;
  }
  double tp = 0.0;
  ASSERT_EQ(yoffe_peak_time(1.0, 1e-6, &tp), YOFFE_OK);
  EXPECT_NEAR(tp, 1.0, 1e-6);
  ASSERT_EQ(yoffe_peak_time(1.0, 2.0, &tp), YOFFE_OK);
  EXPECT_NEAR(tp, 1.255, 5e-4);
  ASSERT_EQ(yoffe_peak_time(1.0, 1e12, &tp), YOFFE_OK);
  EXPECT_NEAR(tp, 4.0 / 3.0, 1e-5);
}

// Round trips over the whole range of taur / taus and of time scales.
TEST(PeakTime, RoundTripThroughTaccAndTeff) {
  for (const double ratio : {0.01, 0.07, 0.9, 2.0, 13.0, 155.0, 2500.0, 10000.0}) {
    for (const double taus : {1e-3, 0.7, 40.0}) {
      const double taur = ratio * taus;
      double tp = 0.0;
      ASSERT_EQ(yoffe_peak_time(taus, taur, &tp), YOFFE_OK);
      double s = 0.0;
      double r = 0.0;
      ASSERT_EQ(yoffe_from_tacc_teff(tp, taur + 2.0 * taus, &s, &r), YOFFE_OK);
      EXPECT_NEAR(s, taus, 1e-11 * taus) << ratio << " " << taus;
      EXPECT_NEAR(r, taur, 1e-11 * taur) << ratio << " " << taus;
    }
  }
}

// Scaling time by a power of two scales the slip rate, the acceleration and
// the spectrum's frequency axis exactly: nothing in the evaluation depends
// on the unit of time.
TEST(TimeHistory, ExactScalingByPowersOfTwo) {
  for (const Source& s : kSources) {
    for (int i = 0; i < 50; ++i) {
      const double t = (s.taur + 2.0 * s.taus) * (i + 0.37) / 48.0;
      const double t2 = 4.0 * t;
      double a[3];
      double b[3];
      ASSERT_EQ(yoffe_slip_rate(s.taus, s.taur, 1, &t, &a[0]), YOFFE_OK);
      ASSERT_EQ(yoffe_slip_rate(4.0 * s.taus, 4.0 * s.taur, 1, &t2, &b[0]), YOFFE_OK);
      ASSERT_EQ(yoffe_slip(s.taus, s.taur, 1, &t, &a[1]), YOFFE_OK);
      ASSERT_EQ(yoffe_slip(4.0 * s.taus, 4.0 * s.taur, 1, &t2, &b[1]), YOFFE_OK);
      ASSERT_EQ(yoffe_slip_acceleration(s.taus, s.taur, 1, &t, &a[2]), YOFFE_OK);
      ASSERT_EQ(yoffe_slip_acceleration(4.0 * s.taus, 4.0 * s.taur, 1, &t2, &b[2]), YOFFE_OK);
      EXPECT_EQ(b[0], a[0] / 4.0);
      EXPECT_EQ(b[1], a[1]);
      EXPECT_EQ(b[2], a[2] / 16.0);
      const double f = 3.0 / (s.taur + s.taus) * (i + 0.37);
      const double f2 = f / 4.0;
      double fa = 0.0;
      double fb = 0.0;
      ASSERT_EQ(yoffe_amplitude_spectrum(s.taus, s.taur, 1, &f, &fa), YOFFE_OK);
      ASSERT_EQ(yoffe_amplitude_spectrum(4.0 * s.taus, 4.0 * s.taur, 1, &f2, &fb), YOFFE_OK);
      EXPECT_EQ(fa, fb);
    }
  }
}

}  // namespace
