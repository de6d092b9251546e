// Bin averages, the complex spectrum and a rupture's sums: their
// properties.  The averages keep the moment and tend to the sampled rate,
// the spectrum's modulus is the amplitude spectrum, and the sums are the
// sources' own calls added in order, the same bits on any number of
// threads.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "yoffe/stf.h"
#include "yoffe/stf.hpp"

namespace {

struct Source {
  double taus;
  double taur;
};

const Source kSources[] = {{0.0, 1.0},   {100.0, 1.0}, {2.0, 1.0},  {0.5, 1.0},
                           {0.1, 1.0},   {0.02, 3.1},  {1e-4, 1.0}, {0.05, 1e-6},
                           {1e-30, 1e3}, {3e5, 1e6}};

std::vector<double> averages(Source s, double t0, double dt, std::size_t n) {
  std::vector<double> out(n, -1.0);
  EXPECT_EQ(yoffe_slip_rate_average(s.taus, s.taur, t0, dt, n, out.data()), YOFFE_OK);
  return out;
}

// A grid that covers the support holds the whole unit slip, for coarse and
// fine steps alike, and no average is negative.
TEST(SlipRateAverage, KeepsTheMoment) {
  for (const Source s : kSources) {
    const double end = s.taur + 2.0 * s.taus;
    const double scale = s.taus > 0.0 ? std::fmin(s.taus, s.taur) : s.taur;
    for (const double steps : {3.0, 37.0, 1000.0, 40000.0}) {
      const double dt = std::fmax(end / steps, scale / 50.0);
      const std::size_t n = static_cast<std::size_t>(end / dt) + 3;
      if (n > 200000) continue;
      const std::vector<double> out = averages(s, -0.3 * dt, dt, n);
      double total = 0.0;
      for (const double v : out) {
        ASSERT_GE(v, 0.0) << "taus " << s.taus << ", taur " << s.taur << ", dt " << dt;
        total += v * dt;
      }
      EXPECT_NEAR(total, 1.0, 4e-15) << "taus " << s.taus << ", taur " << s.taur << ", dt " << dt;
    }
  }
}

// As the step shrinks, the average over a bin tends to the rate at its
// centre, without the cancellation of a difference of slips: both within a
// few units in the last place of the peak.
TEST(SlipRateAverage, TendsToTheSampledRate) {
  for (const Source s : kSources) {
    if (s.taus == 0.0) continue;
    double tpeak = 0.0;
    ASSERT_EQ(yoffe_peak_time(s.taus, s.taur, &tpeak), YOFFE_OK);
    double peak = 0.0;
    ASSERT_EQ(yoffe_slip_rate(s.taus, s.taur, 1, &tpeak, &peak), YOFFE_OK);
    const double end = s.taur + 2.0 * s.taus;
    for (const double fraction : {0.013, 0.3, 0.5, 0.77, 0.999}) {
      const double t = fraction * end;
      // Short against every scale of the source, so that the bin's own
      // curvature (dt^2 / 24 of the second derivative) is below rounding.
      const double dt = 1e-9 * std::fmin(s.taus, s.taur);
      double rate = 0.0;
      ASSERT_EQ(yoffe_slip_rate(s.taus, s.taur, 1, &t, &rate), YOFFE_OK);
      const std::vector<double> out = averages(s, t, dt, 1);
      EXPECT_NEAR(out[0], rate, 4e-15 * peak)
          << "taus " << s.taus << ", taur " << s.taur << ", t " << t;
    }
  }
}

TEST(SlipRateAverage, RefusesBadGridsAndWritesNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double taus, taur, t0, dt;
  } bad[] = {{0.1, 1.0, nan, 0.1}, {0.1, 1.0, 0.0, 0.0},  {0.1, 1.0, 0.0, -0.1},
             {0.1, 1.0, 0.0, inf}, {0.1, 1.0, inf, 0.1},  {-0.1, 1.0, 0.0, 0.1},
             {0.1, -1.0, 0.0, 0.1}, {0.1, nan, 0.0, 0.1},  {0.1, 1.0, 1e308, 1e308}};
  for (const auto& b : bad) {
    double out[3] = {7.0, 7.0, 7.0};
    EXPECT_EQ(yoffe_slip_rate_average(b.taus, b.taur, b.t0, b.dt, 3, out), YOFFE_BAD_PARAMETER);
    EXPECT_EQ(out[0], 7.0);
  }
  EXPECT_EQ(yoffe_slip_rate_average(0.1, 1.0, 0.0, 0.1, 3, nullptr), YOFFE_BAD_PARAMETER);
  EXPECT_EQ(yoffe_slip_rate_average(0.1, 1.0, 0.0, 0.1, 0, nullptr), YOFFE_OK);
}

// Sources without a rise: taur = 0 is the triangle alone, taus = taur = 0 a
// unit impulse at the onset, and both keep their moment in the averages.
TEST(SlipRateAverage, TakesTheLimitOfNoRise) {
  const double taus = 0.1;
  const double dt = 0.013;
  const double t0 = -0.0047;
  const std::size_t n = 20;
  const std::vector<double> out = averages({taus, 0.0}, t0, dt, n);
  // The triangle's distribution on [0, 2 taus].
  const auto w = [taus](double t) {
    if (t <= 0.0) return 0.0;
    if (t >= 2.0 * taus) return 1.0;
    if (t <= taus) return t * t / (2.0 * taus * taus);
    return 1.0 - (2.0 * taus - t) * (2.0 * taus - t) / (2.0 * taus * taus);
  };
  double total = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    const double a = t0 + (static_cast<double>(k) - 0.5) * dt;
    const double b = t0 + (static_cast<double>(k) + 0.5) * dt;
    EXPECT_NEAR(out[k], (w(b) - w(a)) / dt, 1e-13 / taus) << "bin " << k;
    total += out[k] * dt;
  }
  EXPECT_NEAR(total, 1.0, 1e-15);
  const std::vector<double> impulse = averages({0.0, 0.0}, t0, dt, n);
  for (std::size_t k = 0; k < n; ++k) EXPECT_EQ(impulse[k], k == 0 ? 1.0 / dt : 0.0) << k;
  std::vector<double> x(2);
  const double f = 3.0;
  ASSERT_EQ(yoffe_complex_spectrum(0.0, 0.0, 1, &f, x.data()), YOFFE_OK);
  EXPECT_NEAR(x[0], 1.0, 1e-15);
  // Point samples of an impulse have no value.
  const yoffe_source s{0.0, 0.0, 0.0, 1.0};
  double sample[3] = {7.0, 7.0, 7.0};
  EXPECT_EQ(yoffe_moment_rate(&s, 1, 0.0, 0.1, 3, 0, sample, nullptr), YOFFE_BAD_PARAMETER);
  EXPECT_EQ(yoffe_moment_rate(&s, 1, 0.0, 0.1, 3, 1, sample, nullptr), YOFFE_OK);
  EXPECT_EQ(sample[0], 1.0 / 0.1);
}

// |X(f)| is the amplitude spectrum, X(-f) its conjugate, X(0) = 1.
TEST(ComplexSpectrum, ModulusIsTheAmplitudeAndNegativeFrequenciesConjugate) {
  std::mt19937_64 random(11);
  std::uniform_real_distribution<double> exponent(-3.0, 6.0);
  for (const Source s : kSources) {
    std::vector<double> f = {0.0};
    for (int i = 0; i < 200; ++i) f.push_back(std::pow(10.0, exponent(random)) / s.taur);
    const std::size_t n = f.size();
    std::vector<double> x(2 * n), amp(n);
    std::vector<double> minus(n), y(2 * n);
    for (std::size_t i = 0; i < n; ++i) minus[i] = -f[i];
    ASSERT_EQ(yoffe_complex_spectrum(s.taus, s.taur, n, f.data(), x.data()), YOFFE_OK);
    ASSERT_EQ(yoffe_complex_spectrum(s.taus, s.taur, n, minus.data(), y.data()), YOFFE_OK);
    ASSERT_EQ(yoffe_amplitude_spectrum(s.taus, s.taur, n, f.data(), amp.data()), YOFFE_OK);
    EXPECT_EQ(x[0], 1.0);
    EXPECT_EQ(x[1], 0.0);
    for (std::size_t i = 0; i < n; ++i) {
      const double modulus = std::hypot(x[2 * i], x[2 * i + 1]);
      const double argument = std::numbers::pi * f[i] * std::fmax(s.taus, s.taur);
      if (argument > 1e15) continue;  // the phase fades into f's rounding
      EXPECT_NEAR(modulus, amp[i], 4e-15 * std::fmax(amp[i], 1e-300) + 1e-300)
          << "taus " << s.taus << ", taur " << s.taur << ", f " << f[i];
      EXPECT_EQ(y[2 * i], x[2 * i]);
      EXPECT_EQ(y[2 * i + 1], -x[2 * i + 1]);
    }
  }
}

std::vector<yoffe_source> rupture(std::size_t n) {
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> onset(0.0, 20.0), taus(0.01, 0.3), taur(0.2, 3.0),
      weight(0.1, 2.0);
  std::vector<yoffe_source> sources(n);
  for (yoffe_source& s : sources) s = {onset(random), taus(random), taur(random), weight(random)};
  sources[3].taus = 0.0;  // a Yoffe function among them
  return sources;
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0;
}

// The sums are the sources' own sums, added in the sources' order: the same
// bits on 1, 2 and 7 threads, as averages, samples and spectra.
TEST(MomentRate, IsTheOrderedSumOnAnyNumberOfThreads) {
  const std::vector<yoffe_source> sources = rupture(3000);
  const std::size_t n = 3000;
  const double t0 = -0.5;
  const double dt = 0.0083;
  std::vector<double> f(512);
  for (std::size_t i = 0; i < f.size(); ++i) f[i] = 0.013 * static_cast<double>(i) - 0.7;
  for (const int averaged : {1, 0}) {
    // Each source alone, of weight 1, on one thread, added in order.
    ASSERT_EQ(yoffe_set_threads(1), YOFFE_OK);
    std::vector<double> expected(n, 0.0), one(n);
    for (yoffe_source s : sources) {
      const double weight = s.weight;
      s.weight = 1.0;
      ASSERT_EQ(yoffe_moment_rate(&s, 1, t0, dt, n, averaged, one.data(), nullptr), YOFFE_OK);
      for (std::size_t k = 0; k < n; ++k) expected[k] = expected[k] + weight * one[k];
    }
    for (const int threads : {1, 2, 7}) {
      ASSERT_EQ(yoffe_set_threads(threads), YOFFE_OK);
      std::vector<double> out(n);
      size_t bad = 99;
      ASSERT_EQ(yoffe_moment_rate(sources.data(), sources.size(), t0, dt, n, averaged, out.data(),
                                  &bad),
                YOFFE_OK);
      EXPECT_EQ(bad, sources.size());
      EXPECT_TRUE(same_bits(out, expected)) << (averaged ? "averages" : "samples") << " on "
                                            << threads << " threads";
    }
  }
  std::vector<double> reference;
  for (const int threads : {1, 2, 7}) {
    ASSERT_EQ(yoffe_set_threads(threads), YOFFE_OK);
    std::vector<double> out(2 * f.size());
    ASSERT_EQ(yoffe_moment_rate_spectrum(sources.data(), sources.size(), f.size(), f.data(),
                                         out.data(), nullptr),
              YOFFE_OK);
    if (reference.empty()) reference = out;
    EXPECT_TRUE(same_bits(out, reference)) << "spectrum on " << threads << " threads";
  }
  ASSERT_EQ(yoffe_set_threads(0), YOFFE_OK);
}

// The spectrum of the sum is the sum of the sources' spectra shifted by
// their onsets, and at f = 0 the total weight.
TEST(MomentRate, SpectrumIsTheShiftedSourcesSpectra) {
  const std::vector<yoffe_source> sources = rupture(200);
  const std::vector<double> f = {0.0, 0.01, 0.37, 1.0, 4.5, 30.0};
  std::vector<double> out(2 * f.size());
  ASSERT_EQ(yoffe_moment_rate_spectrum(sources.data(), sources.size(), f.size(), f.data(),
                                       out.data(), nullptr),
            YOFFE_OK);
  double weights = 0.0;
  std::vector<std::complex<double>> expected(f.size());
  for (const yoffe_source& s : sources) {
    weights += std::fabs(s.weight);
    std::vector<double> x(2 * f.size());
    ASSERT_EQ(yoffe_complex_spectrum(s.taus, s.taur, f.size(), f.data(), x.data()), YOFFE_OK);
    for (std::size_t i = 0; i < f.size(); ++i) {
      const double phase = 2.0 * std::numbers::pi * f[i] * s.onset;
      expected[i] += s.weight * std::complex<double>(x[2 * i], x[2 * i + 1]) *
                     std::complex<double>(std::cos(phase), -std::sin(phase));
    }
  }
  for (std::size_t i = 0; i < f.size(); ++i) {
    EXPECT_LT(std::abs(std::complex<double>(out[2 * i], out[2 * i + 1]) - expected[i]),
              1e-13 * weights)
        << "f " << f[i];
  }
  EXPECT_NEAR(out[0], weights, 1e-13 * weights);
}

// A bad source is refused with its index, and nothing is written.
TEST(MomentRate, NamesTheFirstBadSource) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<yoffe_source> sources = rupture(50);
  const yoffe_source bad[] = {{nan, 0.1, 1.0, 1.0}, {0.0, -0.1, 1.0, 1.0}, {0.0, 0.1, -1.0, 1.0},
                              {0.0, 0.1, 1.0, nan}, {0.0, 1e60, 1.0, 1.0}};
  for (const yoffe_source b : bad) {
    std::vector<yoffe_source> with = sources;
    with[17] = b;
    with[30] = b;
    double out[4] = {7.0, 7.0, 7.0, 7.0};
    size_t index = 0;
    EXPECT_EQ(yoffe_moment_rate(with.data(), with.size(), 0.0, 0.1, 4, 1, out, &index),
              YOFFE_BAD_PARAMETER);
    EXPECT_EQ(index, 17u);
    EXPECT_EQ(out[0], 7.0);
    const double f[2] = {0.0, 1.0};
    EXPECT_EQ(yoffe_moment_rate_spectrum(with.data(), with.size(), 2, f, out, &index),
              YOFFE_BAD_PARAMETER);
    EXPECT_EQ(index, 17u);
    EXPECT_EQ(out[0], 7.0);
  }
  EXPECT_EQ(yoffe_set_threads(-1), YOFFE_BAD_PARAMETER);
  EXPECT_EQ(yoffe_set_threads(257), YOFFE_BAD_PARAMETER);
}

// The centroid and duration in closed form are the mean and twice the
// standard deviation of the averaged moment-rate function on a fine grid
// (to the grid's dt^2 / 12 in the variance).
TEST(MomentRate, CentroidAndDurationAreTheFunctionsMoments) {
  std::vector<yoffe_source> sources = rupture(200);
  double total = 0.0, centroid = 0.0, duration = 0.0;
  size_t bad = 0;
  ASSERT_EQ(yoffe_moment_rate_centroid(sources.data(), sources.size(), &total, &centroid,
                                       &duration, &bad),
            YOFFE_OK);
  const double dt = 1e-3;
  const std::size_t n = 26000;
  std::vector<double> m(n);
  ASSERT_EQ(yoffe_moment_rate(sources.data(), sources.size(), 0.0, dt, n, 1, m.data(), nullptr),
            YOFFE_OK);
  double m0 = 0.0, m1 = 0.0, m2 = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    const double t = static_cast<double>(k) * dt;
    m0 += m[k] * dt;
    m1 += m[k] * dt * t;
  }
  for (std::size_t k = 0; k < n; ++k) {
    const double d = static_cast<double>(k) * dt - m1 / m0;
    m2 += m[k] * dt * d * d;
  }
  EXPECT_NEAR(total, m0, 1e-12 * total);
  EXPECT_NEAR(centroid, m1 / m0, 1e-9 * centroid);
  EXPECT_NEAR(duration, 2.0 * std::sqrt(m2 / m0 - dt * dt / 12.0), 1e-7 * duration);
  sources[9].weight = -1.0;
  EXPECT_EQ(yoffe_moment_rate_centroid(sources.data(), sources.size(), &total, &centroid,
                                       &duration, &bad),
            YOFFE_BAD_PARAMETER);
  EXPECT_EQ(bad, 9u);
  for (yoffe_source& s : sources) s.weight = 0.0;
  EXPECT_EQ(yoffe_moment_rate_centroid(sources.data(), sources.size(), &total, &centroid,
                                       &duration, &bad),
            YOFFE_BAD_PARAMETER);
  EXPECT_EQ(bad, sources.size());
}

// Steps, weights and times near the ends of the doubles: nothing
// overflows inside (the exact products split their factors), so the
// results are the finite ones the scale gives.
TEST(MomentRate, ExtremeScalesGiveFiniteResults) {
  for (const double dt : {1e300, 1e306, 0x1p1020}) {
    const yoffe_source s{0.0, 0.1, 1.0, 1.0};
    double average[2] = {7.0, 7.0};
    ASSERT_EQ(yoffe_moment_rate(&s, 1, 0.0, dt, 2, 1, average, nullptr), YOFFE_OK) << dt;
    EXPECT_DOUBLE_EQ(average[0] * dt, 1.0) << dt;  // the whole slip in the first bin
    EXPECT_EQ(average[1], 0.0) << dt;
    double sample[2] = {7.0, 7.0};
    ASSERT_EQ(yoffe_moment_rate(&s, 1, 0.0, dt, 2, 0, sample, nullptr), YOFFE_OK) << dt;
    EXPECT_EQ(sample[0], 0.0) << dt;
    EXPECT_EQ(sample[1], 0.0) << dt;
  }
  const yoffe_source heavy[] = {{1e300, 0.1, 1.0, 1e300}, {1e300, 0.1, 1.0, 3e300}};
  double total = 0.0, centroid = 0.0, duration = 0.0;
  ASSERT_EQ(yoffe_moment_rate_centroid(heavy, 2, &total, &centroid, &duration, nullptr), YOFFE_OK);
  EXPECT_DOUBLE_EQ(total, 4e300);
  EXPECT_DOUBLE_EQ(centroid, 1e300);
  EXPECT_GT(duration, 0.0);
  EXPECT_TRUE(std::isfinite(duration));
  const yoffe_source spread[] = {{-1e300, 0.1, 1.0, 1.0}, {1e300, 0.1, 1.0, 1.0}};
  ASSERT_EQ(yoffe_moment_rate_centroid(spread, 2, &total, &centroid, &duration, nullptr), YOFFE_OK);
  EXPECT_NEAR(duration, 2e300, 1e285);
  // A phase of about 10^7 turns from a huge onset and a tiny frequency, where
  // the spectrum's modulus is 1.
  const yoffe_source late{1e300, 0.1, 1.0, 1.0};
  const double f = 1e-293;
  double x[2] = {7.0, 7.0};
  ASSERT_EQ(yoffe_moment_rate_spectrum(&late, 1, 1, &f, x, nullptr), YOFFE_OK);
  EXPECT_NEAR(std::hypot(x[0], x[1]), 1.0, 1e-15);
}

// The C++ calls are the C ones, and throw where those refuse.
TEST(CppInterface, RuptureCallsAreTheCOnes) {
  const yoffe::Source source(0.02, 3.1);
  std::vector<double> cpp(700), c(700);
  yoffe::slip_rate_average(source, 0.0, 0.005, cpp);
  ASSERT_EQ(yoffe_slip_rate_average(0.02, 3.1, 0.0, 0.005, c.size(), c.data()), YOFFE_OK);
  EXPECT_TRUE(same_bits(cpp, c));
  EXPECT_THROW(yoffe::slip_rate_average(source, 0.0, 0.0, cpp), std::invalid_argument);
  const std::vector<double> f = {0.0, 0.3, 7.0};
  std::vector<std::complex<double>> x(f.size());
  std::vector<double> xc(2 * f.size());
  yoffe::complex_spectrum(source, f, x);
  ASSERT_EQ(yoffe_complex_spectrum(0.02, 3.1, f.size(), f.data(), xc.data()), YOFFE_OK);
  for (std::size_t i = 0; i < f.size(); ++i) {
    EXPECT_EQ(x[i], std::complex<double>(xc[2 * i], xc[2 * i + 1]));
  }
  std::vector<yoffe_source> sources = rupture(20);
  yoffe::moment_rate(sources, 0.0, 0.01, cpp, yoffe::Sampling::point);
  ASSERT_EQ(yoffe_moment_rate(sources.data(), sources.size(), 0.0, 0.01, c.size(), 0, c.data(),
                              nullptr),
            YOFFE_OK);
  EXPECT_TRUE(same_bits(cpp, c));
  sources[4].weight = std::numeric_limits<double>::infinity();
  try {
    yoffe::moment_rate(sources, 0.0, 0.01, cpp);
    ADD_FAILURE() << "a bad source was taken";
  } catch (const std::invalid_argument& error) {
    EXPECT_NE(std::string(error.what()).find("source 4 "), std::string::npos) << error.what();
  }
  EXPECT_THROW(yoffe::moment_rate_spectrum(sources, f, x), std::invalid_argument);
  EXPECT_THROW(yoffe::moment_rate_centroid(sources), std::invalid_argument);
  sources[4].weight = 1.0;
  const yoffe::Centroid centroid = yoffe::moment_rate_centroid(sources);
  double total = 0.0, time = 0.0, duration = 0.0;
  ASSERT_EQ(yoffe_moment_rate_centroid(sources.data(), sources.size(), &total, &time, &duration,
                                       nullptr),
            YOFFE_OK);
  EXPECT_EQ(centroid.total, total);
  EXPECT_EQ(centroid.time, time);
  EXPECT_EQ(centroid.duration, duration);
}

}  // namespace
