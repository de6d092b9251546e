// The library against the 50-digit references of tests/data/stf_reference.txt
// (written by tests/data/make_stf_reference.py): for every source of the
// table, over the whole domain and taus = 0, the worst error of
// each quantity must stay within its target, and a failure names the case.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "reference_table.h"
#include "yoffe/stf.h"

namespace {

using reference::Row;
using reference::table;

// The slip rate's peak value and the acceleration's largest magnitude of
// each source, from its `source` line.
struct Peaks {
  double rate = 0.0;
  double acc = 0.0;
};

std::map<std::pair<double, double>, Peaks> peaks_by_source() {
  std::map<std::pair<double, double>, Peaks> peaks;
  for (const Row& r : table()) {
    if (r.kind == "source") peaks[{r.taus, r.taur}] = {r.value, r.envelope};
  }
  return peaks;
}

std::string regime(double taus, double taur) {
  char text[96];
  if (taus == 0.0) {
    std::snprintf(text, sizeof text, "taus = 0, taur = %.17g", taur);
  } else {
    std::snprintf(text, sizeof text, "taur/taus = %.6g (taus %.17g, taur %.17g)", taur / taus, taus,
                  taur);
  }
  return text;
}

// The worst case of one quantity for one source.
struct Worst {
  double measure = -1.0;  // error in units of the target's scale
  Row row;
  double value = 0.0;
  double error = 0.0;
  double scale = 0.0;
};

using Evaluate = int (*)(double, double, size_t, const double*, double*);

// A quantity of the table and its target: |value - reference| <= target x
// scale, the scale given by `scale_of` for each row.
struct Quantity {
  const char* kind;
  Evaluate evaluate;
  double target;
  const char* scale_name;
  double (*scale_of)(const Row&, const Peaks&);
};

// Slip rate and acceleration: their peak, or the value itself for taus = 0
// (where the peaks are infinite); a reference 0 then asks for exactly 0.
double rate_scale(const Row& r, const Peaks& p) {
  return r.taus > 0.0 ? p.rate : std::fabs(r.value);
}
double acc_scale(const Row& r, const Peaks& p) {
  return r.taus > 0.0 ? p.acc : std::fabs(r.value);
}
double slip_scale(const Row& r, const Peaks&) {
  return r.taus > 0.0 ? 1.0 : std::fabs(r.value);
}
// The envelope while pi f max(taus, taur) <= 1000; beyond, the argument's
// own rounding sets the floor: 4e-16 pi f max(taus, taur) of the envelope.
double amp_scale(const Row& r, const Peaks&) {
  const double argument = std::numbers::pi * std::fabs(r.x) * std::fmax(r.taus, r.taur);
  const double floor = argument <= 1000.0 ? 1.0 : argument * (4e-16 / 1e-13);
  return r.envelope * floor;
}

class ReferenceTest : public testing::TestWithParam<Quantity> {};

TEST_P(ReferenceTest, WorstErrorOfEachSourceWithinTarget) {
  const Quantity& q = GetParam();
  const auto peaks = peaks_by_source();
  std::map<std::pair<double, double>, Worst> worst;
  int rows = 0;
  for (const Row& r : table()) {
    if (r.kind != q.kind) continue;
    ++rows;
    double v = 0.0;
    ASSERT_EQ(q.evaluate(r.taus, r.taur, 1, &r.x, &v), YOFFE_OK);
    const double scale = q.scale_of(r, peaks.at({r.taus, r.taur}));
    const double error = std::fabs(v - r.value);
    const double measure = scale > 0.0 ? error / scale : (error == 0.0 ? 0.0 : INFINITY);
    Worst& w = worst[{r.taus, r.taur}];
    if (measure > w.measure || std::isnan(v))
      w = {std::isnan(v) ? INFINITY : measure, r, v, error, scale};
  }
  EXPECT_GT(rows, 1000);
  EXPECT_GE(worst.size(), 24u);
  for (const auto& [source, w] : worst) {
    std::printf("[ worst    ] %-4s %-52s %.2e of the %s\n", q.kind,
                regime(source.first, source.second).c_str(), w.measure, q.scale_name);
    EXPECT_LE(w.measure, q.target)
        << q.kind << " for " << regime(source.first, source.second) << " at "
        << (w.row.kind == "amp" ? "f = " : "t = ") << w.row.x << ": " << w.value
        << " against the reference " << w.row.value << ", error " << w.error << " = " << w.measure
        << " of the " << q.scale_name << " (target " << q.target << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Quantities, ReferenceTest,
    testing::Values(
        Quantity{"rate", yoffe_slip_rate, 1e-14, "peak (relative for taus = 0)", rate_scale},
        Quantity{"slip", yoffe_slip, 1e-14, "final slip (relative for taus = 0)", slip_scale},
        Quantity{"acc", yoffe_slip_acceleration, 1e-13, "peak magnitude (relative for taus = 0)",
                 acc_scale},
        Quantity{"amp", yoffe_amplitude_spectrum, 1e-13, "envelope", amp_scale}),
    [](const testing::TestParamInfo<Quantity>& info) { return std::string(info.param.kind); });

// Each row of `kind` within target x its scale, error_of(row) the
// library's error and scale_of(row, peaks) the scale; the worst printed as
// `what`.
template <class ErrorOf, class ScaleOf>
void expect_rows_within(const char* kind, double target, const char* what, ErrorOf error_of,
                        ScaleOf scale_of) {
  const auto peaks = peaks_by_source();
  int rows = 0;
  double worst = 0.0;
  for (const Row& r : table()) {
    if (r.kind != kind) continue;
    ++rows;
    const double error = error_of(r);
    const double scale = scale_of(r, peaks.at({r.taus, r.taur}));
    EXPECT_LE(error, target * scale) << kind << " " << regime(r.taus, r.taur) << ", x " << r.x
                                     << ", dt " << r.dt << ": " << error / scale << " of " << what;
    if (scale > 0.0) worst = std::fmax(worst, error / scale);
  }
  EXPECT_GT(rows, 400);
  std::printf("[ worst    ] %s %.2e of %s\n", kind, worst, what);
}

// The bin averages within 1e-14 of the peak (of the value for taus = 0),
// from steps of a millionth of the source's shortest scale to ten supports,
// and the complex transform within 1e-13 of the envelope, as the amplitude.
TEST(ReferenceAverage, WithinTheTargetForEveryStep) {
  expect_rows_within(
      "avg", 1e-14, "the peak (relative for taus = 0)",
      [](const Row& r) {
        double v = -1.0;
        EXPECT_EQ(yoffe_slip_rate_average(r.taus, r.taur, r.x, r.dt, 1, &v), YOFFE_OK);
        return std::fabs(v - r.value);
      },
      rate_scale);
}

TEST(ReferenceSpectrum, WithinTheTargetOfTheEnvelope) {
  expect_rows_within(
      "xf", 1e-13, "the envelope",
      [](const Row& r) {
        double x[2] = {0.0, 0.0};
        EXPECT_EQ(yoffe_complex_spectrum(r.taus, r.taur, 1, &r.x, x), YOFFE_OK);
        return std::hypot(x[0] - r.value, x[1] - r.imag);
      },
      amp_scale);
}

// A rupture's sums, as averages on bins of every width and as spectra,
// within 1e-13 of the sum of |weight|.
TEST(ReferenceRupture, SumsWithinTheTargetOfTheWeights) {
  std::vector<yoffe_source> sources;
  double weights = 0.0;
  for (const Row& r : table()) {
    if (r.kind != "rupture") continue;
    sources.push_back({r.x, r.taus, r.taur, r.value});
    weights += std::fabs(r.value);
  }
  ASSERT_EQ(sources.size(), 1000u);
  int rows = 0;
  double worst_average = 0.0;
  double worst_spectrum = 0.0;
  for (const Row& r : table()) {
    if (r.kind == "sumavg") {
      double v = 0.0;
      ASSERT_EQ(yoffe_moment_rate(sources.data(), sources.size(), r.x, r.dt, 1, 1, &v, nullptr),
                YOFFE_OK);
      EXPECT_NEAR(v, r.value, 1e-13 * weights) << "t0 " << r.x << ", dt " << r.dt;
      worst_average = std::fmax(worst_average, std::fabs(v - r.value) / weights);
      ++rows;
    } else if (r.kind == "sumxf") {
      EXPECT_EQ(r.envelope, weights);
      double x[2] = {0.0, 0.0};
      ASSERT_EQ(yoffe_moment_rate_spectrum(sources.data(), sources.size(), 1, &r.x, x, nullptr),
                YOFFE_OK);
      const double error = std::hypot(x[0] - r.value, x[1] - r.imag);
      EXPECT_LE(error, 1e-13 * weights) << "f " << r.x;
      worst_spectrum = std::fmax(worst_spectrum, error / weights);
      ++rows;
    }
  }
  EXPECT_EQ(rows, 22);
  std::printf("[ worst    ] sums of 1,000 sources: averages %.2e, spectrum %.2e of the weights\n",
              worst_average, worst_spectrum);
}

// The table itself: every regime is there, with the window bounds and the
// ends of the domain.
TEST(ReferenceTable, CoversTheRegimes) {
  double lowest = INFINITY;
  double highest = 0.0;
  double shortest = INFINITY;
  double longest = 0.0;
  int zero_taus = 0;
  int bounds = 0;
  int far_spectrum = 0;
  for (const Row& r : table()) {
    if (r.kind == "source") {
      shortest = std::fmin(shortest, r.taur);
      longest = std::fmax(longest, r.taur);
      if (r.taus == 0.0) {
        ++zero_taus;
      } else {
        lowest = std::fmin(lowest, r.taur / r.taus);
        highest = std::fmax(highest, r.taur / r.taus);
      }
    }
    if (r.kind == "rate" && r.taus > 0.0 &&
        (r.x == r.taus || r.x == 2.0 * r.taus || r.x == r.taur || r.x == r.taur + r.taus ||
         r.x == r.taur + 2.0 * r.taus)) {
      ++bounds;
    }
    if (r.kind == "amp" && std::numbers::pi * r.x * std::fmax(r.taus, r.taur) > 1000.0) {
      ++far_spectrum;
    }
  }
  EXPECT_LE(lowest, 1.0000001e-50);
  EXPECT_GE(highest, 0.9999999e50);
  EXPECT_EQ(shortest, 1e-100);
  EXPECT_EQ(longest, 1e100);
  EXPECT_EQ(zero_taus, 4);
  EXPECT_GE(bounds, 5 * 33);
  EXPECT_GT(far_spectrum, 100);
}

// Peak times within 1e-12 relative.  Back from (peak time, effective
// duration) to the source: taus within 1e-15 relative, taur within
// 1e-15 max(1, taus / taur), as taur = teff - 2 taus inherits a condition
// number of 3 taus / taur; where teff no longer holds taur (taur / taus
// below 1e-15) or the source lies at the domain's end, the call may refuse.
// Whatever it returns is a source with that peak time and duration.
TEST(ReferencePeak, PeakTimesAndTheWayBack) {
  int peaks = 0;
  int back = 0;
  double worst_peak = 0.0;
  double worst_taus = 0.0;
  double worst_taur = 0.0;
  for (const Row& r : table()) {
    if (r.kind != "peak") continue;
    ++peaks;
    double tp = 0.0;
    ASSERT_EQ(yoffe_peak_time(r.taus, r.taur, &tp), YOFFE_OK);
    worst_peak = std::fmax(worst_peak, std::fabs(tp - r.value) / r.value);
    EXPECT_LE(std::fabs(tp - r.value), 1e-12 * r.value)
        << regime(r.taus, r.taur) << ": peak at " << tp << " against " << r.value;
    const double teff = r.taur + 2.0 * r.taus;
    const bool inside = r.taur / r.taus >= 1e-15 && r.taur > 1e-99 && r.taur < 1e99;
    for (const double tacc : {tp, r.value}) {
      double taus = 0.0;
      double taur = 0.0;
      const int status = yoffe_from_tacc_teff(tacc, teff, &taus, &taur);
      if (!inside && status == YOFFE_BAD_PARAMETER) continue;
      ASSERT_EQ(status, YOFFE_OK) << regime(r.taus, r.taur);
      double tp_back = 0.0;
      ASSERT_EQ(yoffe_peak_time(taus, taur, &tp_back), YOFFE_OK);
      EXPECT_LE(std::fabs(tp_back - tacc), 1e-15 * tacc) << regime(r.taus, r.taur);
      EXPECT_LE(std::fabs(taur + 2.0 * taus - teff), 4e-16 * teff) << regime(r.taus, r.taur);
      if (!inside) continue;
      ++back;
      const double taus_error = std::fabs(taus - r.taus) / r.taus;
      const double taur_error = std::fabs(taur - r.taur) / r.taur;
      worst_taus = std::fmax(worst_taus, taus_error);
      worst_taur = std::fmax(worst_taur, taur_error / std::fmax(1.0, r.taus / r.taur));
      EXPECT_LE(taus_error, 1e-15) << regime(r.taus, r.taur) << ": taus back as " << taus;
      EXPECT_LE(taur_error, 1e-15 * std::fmax(1.0, r.taus / r.taur))
          << regime(r.taus, r.taur) << ": taur back as " << taur;
    }
  }
  EXPECT_GE(peaks, 32);
  EXPECT_GE(back, 2 * 27);
  std::printf(
      "[ worst    ] peak time %.2e relative; back: taus %.2e relative, taur %.2e relative of "
      "max(1, taus / taur)\n",
      worst_peak, worst_taus, worst_taur);
}

}  // namespace
