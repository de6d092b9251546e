// The amplitude spectrum and Yoffe_Amp.csv.
#include "spectrum/amplitude.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_support.h"
#include "textio/connection.h"
#include "textio/records.h"
#include "slip/kernel.h"
#include "slip/slip_history.h"

namespace {

using spectrum::AmplitudeRow;
using spectrum::magnitude;
using spectrum::SpectrumParameters;
using testing_support::read_file;
using testing_support::ScopedChdir;
using testing_support::split_lines;
using testing_support::TempDir;
using testing_support::write_file;

constexpr double kPai = 3.141592654;

// The spectral scalars, formed as the run forms them: dom = (pai + pai) /
// (nt dt), nom = nt / 2.
SpectrumParameters parameters(double dt, int nt, int nfast) {
  const double dur = static_cast<double>(nt) * dt;
  return {dt, nt, (kPai + kPai) / dur, nt / 2, nfast};
}

SpectrumParameters run_parameters() {
  return parameters(0.005, 4096, 4096);
}

// The run's slip-velocity samples.
std::vector<double> run_samples() {
  const slip::SlipParameters p{1.0, 0.005, 4096, 0.02, 3.1};
  std::vector<double> v;
  for (const slip::SlipRow& r : slip::slip_history(p, slip::ck(p.taus, p.taur))) {
    v.push_back(r.velocity);
  }
  return v;
}

std::string row_text(const AmplitudeRow& r) {
  const double values[] = {r.freq, r.velocity, r.acceleration};
  char text[64];
  return std::string(text, textio::put_row(text, textio::spectrum_row, values));
}

// ---------------------------------------------------------------------------
// magnitude()

TEST(Magnitude, Zero) {
  EXPECT_EQ(magnitude(0.0, 0.0), 0.0);
  EXPECT_EQ(magnitude(-0.0, -0.0), 0.0);
}

TEST(Magnitude, OneComponentZero) {
  EXPECT_EQ(magnitude(0.0, -2.5), 2.5);
  EXPECT_EQ(magnitude(-7.0, 0.0), 7.0);
  EXPECT_EQ(magnitude(1e-300, 0.0), 1e-300);
  EXPECT_EQ(magnitude(0.0, 1e300), 1e300);
}

TEST(Magnitude, SmallComponentThatDoesNotChangeTheSum) {
  // big + small == big: the magnitude is big itself.
  EXPECT_EQ(magnitude(1.0, 1e-20), 1.0);
  EXPECT_EQ(magnitude(-1e-20, -3.0), 3.0);
}

TEST(Magnitude, OrdinaryValues) {
  EXPECT_EQ(magnitude(3.0, 4.0), 5.0);
  EXPECT_EQ(magnitude(-3.0, 4.0), 5.0);
  EXPECT_EQ(magnitude(4.0, -3.0), 5.0);
  std::mt19937_64 gen(5);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int i = 0; i < 1000; ++i) {
    const double x = u(gen), y = u(gen);
    ASSERT_NEAR(magnitude(x, y), std::hypot(x, y), 4e-16 * std::hypot(x, y)) << x << ", " << y;
  }
}

TEST(Magnitude, HugeValuesDoNotOverflow) {
  EXPECT_NEAR(magnitude(1e300, 1e300), std::numbers::sqrt2 * 1e300, 4e-16 * 1.5e300);
  EXPECT_NEAR(magnitude(-1e300, 1e300), std::numbers::sqrt2 * 1e300, 4e-16 * 1.5e300);
  const double big = 1e308;
  EXPECT_TRUE(std::isfinite(magnitude(big, big)));
  EXPECT_NEAR(magnitude(big, big), std::numbers::sqrt2 * big, 4e-16 * 1.5 * big);
  EXPECT_NEAR(magnitude(3e307, 4e307), 5e307, 4e-16 * 5e307);
}

TEST(Magnitude, TinyValuesDoNotUnderflow) {
  EXPECT_NEAR(magnitude(1e-300, 1e-300), std::numbers::sqrt2 * 1e-300, 4e-16 * 1.5e-300);
  EXPECT_GT(magnitude(1e-300, 1e-300), 1e-300);
  EXPECT_NEAR(magnitude(3e-310, -4e-310), 5e-310, 1e-323);
  const double tiny = std::numeric_limits<double>::denorm_min();
  EXPECT_GT(magnitude(tiny, tiny), 0.0);
}

// ---------------------------------------------------------------------------
// The run's spectrum.

TEST(AmplitudeRun, ReferenceRows) {
  const std::vector<AmplitudeRow> rows =
      spectrum::amplitude_rows(run_samples(), run_parameters());
  ASSERT_EQ(rows.size(), 2047u);
  EXPECT_EQ(row_text(rows[0]), "  0.0488,  0.9721E+00,  0.2982E+00,");
  EXPECT_EQ(row_text(rows[1]), "  0.0977,  0.8932E+00,  0.5481E+00,");
  EXPECT_EQ(row_text(rows[2]), "  0.1465,  0.7771E+00,  0.7152E+00,");
  EXPECT_EQ(row_text(rows[2046]), " 99.9512,  0.1450E-04,  0.9104E-02,");
}

TEST(AmplitudeRun, AccelerationOverVelocityIsTheAngularFrequency) {
  const SpectrumParameters p = run_parameters();
  const std::vector<AmplitudeRow> rows = spectrum::amplitude_rows(run_samples(), p);
  EXPECT_NEAR(rows[0].acceleration / rows[0].velocity, 0.3068, 5e-5);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const double om = static_cast<double>(k + 1) * p.dom;
    ASSERT_EQ(rows[k].acceleration, rows[k].velocity * om) << "line " << k + 2;
    ASSERT_NEAR(rows[k].acceleration / rows[k].velocity, om, 4e-16 * om) << "line " << k + 2;
  }
}

TEST(AmplitudeRun, FrequenciesStepByTheInverseDuration) {
  const SpectrumParameters p = run_parameters();
  const std::vector<AmplitudeRow> rows = spectrum::amplitude_rows(run_samples(), p);
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const double om = static_cast<double>(k + 1) * p.dom;
    ASSERT_EQ(rows[k].freq, om / (kPai + kPai)) << "line " << k + 2;
    ASSERT_NEAR(rows[k].freq, static_cast<double>(k + 1) * 0.048828125, 1e-13) << "line " << k + 2;
  }
  EXPECT_NEAR(rows.back().freq, 99.951171875, 1e-12);
}

TEST(AmplitudeRun, AmplitudeIsDtTimesTheDftModulus) {
  // Field 3 against a direct DFT in long double (with pi): the transform's
  // pai moves it by far less than the 1e-8 allowed here.
  const std::vector<double> v = run_samples();
  const SpectrumParameters p = run_parameters();
  const std::vector<AmplitudeRow> rows = spectrum::amplitude_rows(v, p);
  for (int io : {2, 3, 4, 10, 100, 777, 1024, 2000, 2048}) {
    std::complex<long double> x = 0;
    for (int t = 0; t < 4096; ++t) {
      const long double angle =
          -2.0L * std::numbers::pi_v<long double> * ((static_cast<long>(io - 1) * t) % 4096) / 4096;
      x += static_cast<long double>(v[static_cast<std::size_t>(t)]) *
           std::complex<long double>(std::cos(angle), std::sin(angle));
    }
    const double expected = static_cast<double>(0.005L * std::abs(x));
    EXPECT_NEAR(rows[static_cast<std::size_t>(io - 2)].velocity, expected, 1e-8) << "line " << io;
  }
  // Just below 1 at the lowest line: the samples integrate to about dmax.
  EXPECT_LT(rows[0].velocity, 1.0);
  EXPECT_GT(rows[0].velocity, 0.97);
}

// ---------------------------------------------------------------------------
// Other inputs.

TEST(AmplitudeOther, AllZeroSamplesGiveZeros) {
  const std::vector<AmplitudeRow> rows =
      spectrum::amplitude_rows(std::vector<double>(4096, 0.0), run_parameters());
  ASSERT_EQ(rows.size(), 2047u);
  for (const AmplitudeRow& r : rows) {
    ASSERT_EQ(r.velocity, 0.0);
    ASSERT_EQ(r.acceleration, 0.0);
  }
  EXPECT_EQ(row_text(rows[0]), "  0.0488,  0.0000E+00,  0.0000E+00,");
}

TEST(AmplitudeOther, SingleSampleAtTheStartGivesAFlatSpectrum) {
  for (double v : {1.0, -2.5, 3.908227743}) {
    for (const SpectrumParameters& p : {run_parameters(), parameters(0.01, 64, 64)}) {
      SCOPED_TRACE("v = " + std::to_string(v) + ", nt = " + std::to_string(p.nt));
      std::vector<double> samples(static_cast<std::size_t>(p.nt), 0.0);
      samples[0] = v;
      const std::vector<AmplitudeRow> rows = spectrum::amplitude_rows(samples, p);
      ASSERT_EQ(rows.size(), static_cast<std::size_t>(p.nom - 1));
      for (std::size_t k = 0; k < rows.size(); ++k) {
        const double om = static_cast<double>(k + 2 - 1) * p.dom;
        ASSERT_EQ(rows[k].velocity, std::fabs(v) * p.dt) << "line " << k + 2;
        ASSERT_EQ(rows[k].acceleration, std::fabs(v) * p.dt * om) << "line " << k + 2;
      }
    }
  }
}

TEST(AmplitudeOther, FewerThanTwoLinesGiveNoRows) {
  for (int nom : {1, 0, -3}) {
    SpectrumParameters p = parameters(0.005, 2, 2);
    p.nom = nom;
    EXPECT_TRUE(spectrum::amplitude_rows({1.0, 2.0}, p).empty()) << "nom = " << nom;
  }
  // nt = 2: nom = 1.
  EXPECT_TRUE(spectrum::amplitude_rows({1.0, 2.0}, parameters(0.005, 2, 2)).empty());
  // nt = 4: nom = 2, one line.
  EXPECT_EQ(spectrum::amplitude_rows({1.0, 2.0, 3.0, 4.0}, parameters(0.005, 4, 4)).size(), 1u);
}

TEST(AmplitudeOther, PaddingWithZerosUpToTheTransformLength) {
  const std::vector<double> short_samples = {0.5, 1.5, -0.25};
  SpectrumParameters padded = parameters(0.01, 3, 8);
  padded.nom = 4;
  SpectrumParameters explicit_zeros = padded;
  explicit_zeros.nt = 8;
  const std::vector<AmplitudeRow> a = spectrum::amplitude_rows(short_samples, padded);
  const std::vector<AmplitudeRow> b =
      spectrum::amplitude_rows({0.5, 1.5, -0.25, 0, 0, 0, 0, 0}, explicit_zeros);
  ASSERT_EQ(a.size(), 3u);
  ASSERT_EQ(b.size(), 3u);
  for (std::size_t k = 0; k < a.size(); ++k) {
    EXPECT_EQ(a[k].freq, b[k].freq);
    EXPECT_EQ(a[k].velocity, b[k].velocity);
    EXPECT_EQ(a[k].acceleration, b[k].acceleration);
  }
}

TEST(AmplitudeOther, UnsupportedTransformLengthsAreRefused) {
  std::vector<double> samples(16, 1.0);
  SpectrumParameters p = parameters(0.01, 16, 16);
  p.nfast = 24;  // not a power of two
  EXPECT_THROW(spectrum::amplitude_rows(samples, p), std::invalid_argument);
  p.nfast = 8;  // below nt
  EXPECT_THROW(spectrum::amplitude_rows(samples, p), std::invalid_argument);
  p = parameters(0.01, 32, 32);  // more samples asked for than given
  EXPECT_THROW(spectrum::amplitude_rows(samples, p), std::invalid_argument);
}

// ---------------------------------------------------------------------------
// The file.

const char kHeader[] = " freq(Hz),abs(vel),abs(acc)";

std::string write_in(const TempDir& dir, const std::vector<AmplitudeRow>& rows) {
  ScopedChdir cd(dir.path());
  textio::init_text_io();
  spectrum::write_amp_file(rows);
  return read_file(dir.file("Yoffe_Amp.csv"));
}

TEST(AmpFile, HeaderAndOneLinePerSpectralLine) {
  const std::vector<AmplitudeRow> rows =
      spectrum::amplitude_rows(run_samples(), run_parameters());
  TempDir dir;
  const std::string text = write_in(dir, rows);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\r'), std::string::npos);
  const std::vector<std::string> lines = split_lines(text);
  ASSERT_EQ(lines.size(), 2048u);
  EXPECT_EQ(lines[0], kHeader);
  EXPECT_NE(lines[0].back(), ',');
  EXPECT_EQ(lines[1], "  0.0488,  0.9721E+00,  0.2982E+00,");
  EXPECT_EQ(lines[2], "  0.0977,  0.8932E+00,  0.5481E+00,");
  EXPECT_EQ(lines[3], "  0.1465,  0.7771E+00,  0.7152E+00,");
  EXPECT_EQ(lines[2047], " 99.9512,  0.1450E-04,  0.9104E-02,");
  for (std::size_t k = 1; k < lines.size(); ++k) {
    ASSERT_EQ(lines[k].size(), 35u) << "line " << k + 1;
    ASSERT_EQ(lines[k].back(), ',') << "line " << k + 1;
    ASSERT_EQ(lines[k], row_text(rows[k - 1])) << "line " << k + 1;
  }
}

TEST(AmpFile, LongerOldFileIsCutToTheNewContent) {
  const std::vector<AmplitudeRow> rows =
      spectrum::amplitude_rows(run_samples(), run_parameters());
  TempDir fresh;
  const std::string expected = write_in(fresh, rows);

  TempDir dir;
  std::string old;
  while (old.size() < (1u << 20)) old += std::string(99, 'x') + "\n";
  write_file(dir.file("Yoffe_Amp.csv"), old);
  const std::string text = write_in(dir, rows);
  EXPECT_EQ(text.size(), expected.size());
  EXPECT_TRUE(text == expected);
  EXPECT_EQ(text.find('x'), std::string::npos);
}

TEST(AmpFile, NoLinesGiveTheHeaderOnly) {
  TempDir dir;
  EXPECT_EQ(write_in(dir, {}), std::string(kHeader) + "\n");
}

}  // namespace
