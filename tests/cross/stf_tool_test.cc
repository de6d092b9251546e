// The amplitudes of the tool's own run (Yoffe_Amp.csv, written by the built
// tool YOFFE_BINARY in a temporary directory) against the analytic
// spectrum of the slip rate sampled every 0.005 s: the aliased sum
// |sum over m of S^(f + m / dt)| at f = (io - 1) / 20.48 Hz, io = 2..2048.
// The budget is 1e-4 absolute: the tool stops the slip rate at 3.12 s,
// which drops about 4.4e-5 of its area, and prints four digits.  The
// acceleration column is the same amplitude times 2 pi f.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "lib/aliased_spectrum.h"
#include "apps/test_support.h"

namespace {

struct AmpRow {
  double freq;
  double velocity;
  double acceleration;
};

TEST(ToolRun, AmplitudesMatchTheAliasedAnalyticSpectrum) {
  const testing_support::TempDir dir;
  const testing_support::RunResult r = testing_support::run_yoffe(dir.path());
  ASSERT_TRUE(r.exited && r.status == 0) << testing_support::describe(r);
  std::istringstream in(testing_support::read_file(dir.file("Yoffe_Amp.csv")));
  std::string line;
  ASSERT_TRUE(std::getline(in, line));  // the header
  std::vector<AmpRow> rows;
  while (std::getline(in, line)) {
    AmpRow row{};
    ASSERT_EQ(
        std::sscanf(line.c_str(), " %lf , %lf , %lf", &row.freq, &row.velocity, &row.acceleration),
        3)
        << line;
    rows.push_back(row);
  }
  ASSERT_EQ(rows.size(), 2047u);

  const double taus = 0.02;
  const double taur = 3.1;
  const double dt = 0.005;
  double worst = 0.0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int io = static_cast<int>(i) + 2;
    const double f = (io - 1) / 20.48;
    ASSERT_NEAR(rows[i].freq, f, 1e-4) << "row io = " << io;  // printed to four decimals
    // The tail beyond m = 40 is below 1e-6.
    const double analytic = std::abs(stf_test::aliased_transform(f, dt, 40, taus, taur));
    const double error = std::fabs(rows[i].velocity - analytic);
    worst = std::fmax(worst, error);
    EXPECT_LE(error, 1e-4) << "f = " << f << " Hz: tool " << rows[i].velocity << ", analytic "
                           << analytic;
    // Four printed digits: half a unit of the fourth is 5e-4 of the value.
    const double w = 2.0 * std::numbers::pi * f;
    EXPECT_LE(std::fabs(rows[i].acceleration - w * analytic),
              w * 1e-4 + 5e-4 * rows[i].acceleration)
        << "f = " << f << " Hz: tool " << rows[i].acceleration << ", analytic " << w * analytic;
  }
  std::printf("[ measured ] worst |tool - aliased spectrum| %.2e\n", worst);
}

}  // namespace
