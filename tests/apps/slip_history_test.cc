// The slip time history and Yoffe_Slip.csv.
#include "slip/slip_history.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "test_support.h"
#include "textio/connection.h"
#include "textio/records.h"
#include "slip/kernel.h"

namespace {

using testing_support::read_file;
using testing_support::ScopedChdir;
using testing_support::split_lines;
using testing_support::TempDir;
using testing_support::write_file;
using slip::SlipParameters;
using slip::SlipRow;

// The single-precision 5.0e-4 compared as a double.
constexpr double kThreshold = 0.0005000000237487257;
static_assert(kThreshold == static_cast<double>(5.0e-4f));

SlipParameters run_parameters() {
  return {1.0, 0.005, 4096, 0.02, 3.1};
}

std::vector<SlipRow> run_rows() {
  const SlipParameters p = run_parameters();
  return slip::slip_history(p, slip::ck(p.taus, p.taur));
}

std::string row_text(const SlipRow& r) {
  const double values[] = {r.t, r.velocity, r.displacement, r.acceleration};
  char text[64];
  return std::string(text, textio::put_row(text, textio::slip_row, values));
}

double sample_time(int i, double dt) {
  return static_cast<double>(i - 1) * dt;
}

// ---------------------------------------------------------------------------
// The run's samples.

TEST(SlipHistoryRun, ReferenceRows) {
  const std::vector<SlipRow> rows = run_rows();
  ASSERT_EQ(rows.size(), 4096u);
  const struct {
    int sample;
    const char* text;
  } expected[] = {
      {1, "  0.0000,      0.0000000,      0.0000000,      0.0000000"},
      {2, "  0.0050,      0.4260531,      0.0010651,     85.2106213"},
      {3, "  0.0100,      1.2048643,      0.0051424,    155.7622344"},
      {6, "  0.0250,      3.9082277,      0.0460246,    100.2918266"},
      {9, "  0.0400,      2.8160245,      0.0993532,   -128.1380700"},
      {621, "  3.1000,      0.0161423,      0.9997644,     -0.4214400"},
      {624, "  3.1150,      0.0074225,      0.9999441,     -0.6335664"},
      {625, "  3.1200,      0.0000000,      0.9999627,     -1.4844952"},
      {626, "  3.1250,      0.0000000,      0.9999627,      0.0000000"},
      {4096, " 20.4750,      0.0000000,      0.9999627,      0.0000000"},
  };
  for (const auto& e : expected) {
    EXPECT_EQ(row_text(rows[static_cast<std::size_t>(e.sample - 1)]), e.text)
        << "sample " << e.sample;
  }
}

TEST(SlipHistoryRun, TimesAreOneMultiplication) {
  const std::vector<SlipRow> rows = run_rows();
  for (int i = 1; i <= 4096; ++i) {
    ASSERT_EQ(rows[static_cast<std::size_t>(i - 1)].t, sample_time(i, 0.005)) << "sample " << i;
  }
  EXPECT_EQ(rows[624].t, 3.1 + 0.02);  // sample 625 on the bound of window 5
}

TEST(SlipHistoryRun, WindowsBySample) {
  // 2..5 window 1, 6..9 window 2, 10..621 window 3, 622..624 window 4,
  // 625 window 5 (the cut-off row).
  for (int i = 2; i <= 625; ++i) {
    const int expected = i <= 5 ? 1 : i <= 9 ? 2 : i <= 621 ? 3 : i <= 624 ? 4 : 5;
    EXPECT_EQ(slip::yoffe_kernel(sample_time(i, 0.005), 0.02, 3.1).window, expected)
        << "sample " << i;
  }
}

TEST(SlipHistoryRun, VelocityIsTheNormalisedKernelUpToTheCutOff) {
  const std::vector<SlipRow> rows = run_rows();
  const double ck = slip::ck(0.02, 3.1);
  EXPECT_EQ(rows[0].velocity, 0.0);
  for (int i = 2; i <= 624; ++i) {
    const double raw = slip::yoffe_kernel(sample_time(i, 0.005), 0.02, 3.1).raw;
    const double v = rows[static_cast<std::size_t>(i - 1)].velocity;
    ASSERT_NE(v, 0.0) << "sample " << i;
    ASSERT_EQ(v, (raw * 1.0) * ck) << "sample " << i;
  }
  for (int i = 625; i <= 4096; ++i) {
    ASSERT_EQ(rows[static_cast<std::size_t>(i - 1)].velocity, 0.0) << "sample " << i;
  }
}

TEST(SlipHistoryRun, TrapezoidSlipAndBackwardDifference) {
  const std::vector<SlipRow> rows = run_rows();
  const double dt = 0.005;
  EXPECT_EQ(rows[0].displacement, 0.0);
  EXPECT_EQ(rows[0].acceleration, 0.0);
  for (std::size_t k = 1; k < rows.size(); ++k) {
    const SlipRow& r = rows[k];
    const SlipRow& prev = rows[k - 1];
    if (k + 1 <= 625) {
      // Computed rows, the cut-off row (sample 625) included.
      ASSERT_EQ(r.displacement, prev.displacement + ((r.velocity + prev.velocity) * dt) / 2.0)
          << "sample " << k + 1;
      ASSERT_EQ(r.acceleration, (r.velocity - prev.velocity) / dt) << "sample " << k + 1;
    } else {
      ASSERT_EQ(r.displacement, rows[624].displacement) << "sample " << k + 1;
      ASSERT_EQ(r.acceleration, 0.0) << "sample " << k + 1;
    }
  }
  // The cut-off row: half a trapezoid and -v(624) / dt.
  EXPECT_EQ(rows[624].acceleration, -rows[623].velocity / dt);
  EXPECT_NEAR(rows[4095].displacement, 0.9999627, 5e-8);
}

TEST(SlipHistoryRun, CutOffLooksAtRawValuesOfWindowFiveOnly) {
  const double ck = slip::ck(0.02, 3.1);
  const std::vector<SlipRow> rows = run_rows();
  // Sample 625: raw below the threshold, normalised above it, cut.
  const slip::KernelValue cut = slip::yoffe_kernel(sample_time(625, 0.005), 0.02, 3.1);
  EXPECT_EQ(cut.window, 5);
  EXPECT_LT(cut.raw, kThreshold);
  EXPECT_GT((cut.raw * 1.0) * ck, kThreshold);
  EXPECT_EQ(rows[624].velocity, 0.0);
  // Samples 622..624: window 4, raw below the threshold, kept.
  for (int i = 622; i <= 624; ++i) {
    const slip::KernelValue k = slip::yoffe_kernel(sample_time(i, 0.005), 0.02, 3.1);
    EXPECT_EQ(k.window, 4);
    EXPECT_LT(k.raw, kThreshold);
    EXPECT_EQ(rows[static_cast<std::size_t>(i - 1)].velocity, (k.raw * 1.0) * ck) << "sample " << i;
    EXPECT_GT(rows[static_cast<std::size_t>(i - 1)].velocity, 0.0);
  }
  // Raw values of window 3 below the threshold stay as well.
  EXPECT_LT(slip::yoffe_kernel(sample_time(600, 0.005), 0.02, 3.1).raw, kThreshold);
  EXPECT_GT(rows[599].velocity, 0.0);
}

TEST(SlipHistoryRun, ThresholdIsAppliedBeforeScalingByDmax) {
  // With dmax 1000 every velocity grows a thousandfold, but sample 625 is
  // still cut: the test looks at the raw value.
  SlipParameters p = run_parameters();
  p.dmax = 1000.0;
  const double ck = slip::ck(p.taus, p.taur);
  const std::vector<SlipRow> rows = slip::slip_history(p, ck);
  const double raw624 = slip::yoffe_kernel(sample_time(624, p.dt), p.taus, p.taur).raw;
  EXPECT_EQ(rows[623].velocity, (raw624 * 1000.0) * ck);
  EXPECT_EQ(rows[624].velocity, 0.0);
  EXPECT_NEAR(rows[4095].displacement, 999.9627, 5e-5);
}

// ---------------------------------------------------------------------------
// Other parameter sets.

TEST(SlipHistoryOther, CutOffLaterInWindowFive) {
  // taus 0.2, taur 1.0, dt 0.01: window 5 spans 1.2..1.4 s; its first
  // samples are above the threshold and stay, the first one below is cut.
  const SlipParameters p{1.0, 0.01, 200, 0.2, 1.0};
  const double ck = slip::ck(p.taus, p.taur);
  const std::vector<SlipRow> rows = slip::slip_history(p, ck);
  ASSERT_EQ(rows.size(), 200u);
  int first5 = 0, cut = 0;
  for (int i = 2; i <= p.nt; ++i) {
    const slip::KernelValue k = slip::yoffe_kernel(sample_time(i, p.dt), p.taus, p.taur);
    if (k.window == 5 && first5 == 0) first5 = i;
    if (k.window == 5 && k.raw < kThreshold) {
      cut = i;
      break;
    }
  }
  ASSERT_GT(first5, 0);
  ASSERT_GT(cut, first5 + 1) << "the first window-5 samples must pass";
  for (int i = first5; i < cut; ++i) {
    const double raw = slip::yoffe_kernel(sample_time(i, p.dt), p.taus, p.taur).raw;
    EXPECT_EQ(rows[static_cast<std::size_t>(i - 1)].velocity, (raw * 1.0) * ck) << "sample " << i;
    EXPECT_GT(rows[static_cast<std::size_t>(i - 1)].velocity, 0.0) << "sample " << i;
  }
  const std::size_t c = static_cast<std::size_t>(cut - 1);
  EXPECT_EQ(rows[c].velocity, 0.0);
  EXPECT_EQ(rows[c].acceleration, -rows[c - 1].velocity / p.dt);
  for (std::size_t k = c + 1; k < rows.size(); ++k) {
    ASSERT_EQ(rows[k].velocity, 0.0);
    ASSERT_EQ(rows[k].acceleration, 0.0);
    ASSERT_EQ(rows[k].displacement, rows[c].displacement);
  }
}

TEST(SlipHistoryOther, NoSampleInWindowFive) {
  // dt 0.5: 3.0 s is in window 3, 3.5 s already in window 6, so the cut-off
  // never fires; window 6 gives zero velocity through the normal steps.
  const SlipParameters p{1.0, 0.5, 10, 0.02, 3.1};
  const std::vector<SlipRow> rows = slip::slip_history(p, slip::ck(p.taus, p.taur));
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(slip::yoffe_kernel(3.0, p.taus, p.taur).window, 3);
  EXPECT_EQ(slip::yoffe_kernel(3.5, p.taus, p.taur).window, 6);
  EXPECT_GT(rows[6].velocity, 0.0);  // 3.0 s
  EXPECT_EQ(rows[7].velocity, 0.0);  // 3.5 s
  EXPECT_EQ(rows[7].acceleration, -rows[6].velocity / p.dt);
  EXPECT_EQ(rows[7].displacement, rows[6].displacement + ((0.0 + rows[6].velocity) * p.dt) / 2.0);
  for (std::size_t k = 8; k < rows.size(); ++k) {
    EXPECT_EQ(rows[k].velocity, 0.0);
    EXPECT_EQ(rows[k].acceleration, 0.0);
    EXPECT_EQ(rows[k].displacement, rows[7].displacement);
  }
}

TEST(SlipHistoryOther, ThresholdIsTheFloatValueNotHalfAThousandth) {
  // A window-5 sample whose raw value lies between 0.0005 and the float
  // 5.0e-4 (0.0005000000237...) is cut; one just above the float is not.
  // Find such instants by bisection on the decreasing tail of window 5.
  const double taus = 0.2, taur = 1.0;
  auto raw = [&](double t) { return slip::yoffe_kernel(t, taus, taur).raw; };
  auto instant_with_raw = [&](double target) {
    double lo = taur + taus, hi = (taus + taus) + taur;  // raw(lo) > target > raw(hi)
    for (int n = 0; n < 200; ++n) {
      const double mid = (lo + hi) / 2;
      (raw(mid) > target ? lo : hi) = mid;
    }
    return lo;
  };
  const double ck = slip::ck(taus, taur);

  const double t_in = instant_with_raw(0.5 * (0.0005 + kThreshold));
  ASSERT_EQ(slip::yoffe_kernel(t_in, taus, taur).window, 5);
  ASSERT_GE(raw(t_in), 0.0005);
  ASSERT_LT(raw(t_in), kThreshold);
  // dt = t_in puts sample 2 exactly there.
  std::vector<SlipRow> rows = slip::slip_history({1.0, t_in, 3, taus, taur}, ck);
  ASSERT_EQ(rows[1].t, t_in);
  EXPECT_EQ(rows[1].velocity, 0.0);

  const double t_above = instant_with_raw(kThreshold * (1 + 1e-9));
  ASSERT_GE(raw(t_above), kThreshold);
  rows = slip::slip_history({1.0, t_above, 3, taus, taur}, ck);
  ASSERT_EQ(rows[1].t, t_above);
  EXPECT_EQ(rows[1].velocity, (raw(t_above) * 1.0) * ck);
  EXPECT_GT(rows[1].velocity, 0.0);
}

TEST(SlipHistoryOther, OneSample) {
  const std::vector<SlipRow> rows = slip::slip_history({1.0, 0.005, 1, 0.02, 3.1}, 513.0);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].t, 0.0);
  EXPECT_EQ(rows[0].velocity, 0.0);
  EXPECT_EQ(rows[0].displacement, 0.0);
  EXPECT_EQ(rows[0].acceleration, 0.0);
}

TEST(SlipHistoryOther, TwoSamples) {
  const double ck = slip::ck(0.02, 3.1);
  const std::vector<SlipRow> rows = slip::slip_history({1.0, 0.005, 2, 0.02, 3.1}, ck);
  ASSERT_EQ(rows.size(), 2u);
  const double v = (slip::yoffe_kernel(0.005, 0.02, 3.1).raw * 1.0) * ck;
  EXPECT_EQ(rows[1].velocity, v);
  EXPECT_EQ(rows[1].displacement, (v * 0.005) / 2.0);
  EXPECT_EQ(rows[1].acceleration, v / 0.005);
}

TEST(SlipHistoryOther, NoSamplesBelowOne) {
  // The implementation's choice for nt < 1 (outside the run): no rows.
  EXPECT_TRUE(slip::slip_history({1.0, 0.005, 0, 0.02, 3.1}, 513.0).empty());
  EXPECT_TRUE(slip::slip_history({1.0, 0.005, -7, 0.02, 3.1}, 513.0).empty());
}

// ---------------------------------------------------------------------------
// The file.

const char kHeader[] = " time(s),velocity,displacement,acceleration";

std::string write_in(const TempDir& dir, const std::vector<SlipRow>& rows) {
  ScopedChdir cd(dir.path());
  textio::init_text_io();
  slip::write_slip_file(rows);
  return read_file(dir.file("Yoffe_Slip.csv"));
}

TEST(SlipFile, HeaderAndOneRowPerSample) {
  TempDir dir;
  const std::vector<SlipRow> rows = run_rows();
  const std::string text = write_in(dir, rows);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\r'), std::string::npos);
  const std::vector<std::string> lines = split_lines(text);
  ASSERT_EQ(lines.size(), 4097u);
  EXPECT_EQ(lines[0], kHeader);
  EXPECT_EQ(lines[0].size(), 43u);
  EXPECT_EQ(lines[1], "  0.0000,      0.0000000,      0.0000000,      0.0000000");
  EXPECT_EQ(lines[625], "  3.1200,      0.0000000,      0.9999627,     -1.4844952");
  EXPECT_EQ(lines[4096], " 20.4750,      0.0000000,      0.9999627,      0.0000000");
  for (std::size_t k = 1; k < lines.size(); ++k) {
    ASSERT_EQ(lines[k].size(), 56u) << "line " << k + 1;
    ASSERT_NE(lines[k].back(), ',') << "line " << k + 1;
    ASSERT_EQ(lines[k], row_text(rows[k - 1])) << "line " << k + 1;
  }
}

TEST(SlipFile, LongerOldFileIsCutToTheNewContent) {
  const std::vector<SlipRow> rows = run_rows();
  TempDir fresh;
  const std::string expected = write_in(fresh, rows);

  TempDir dir;
  std::string old;
  while (old.size() < (1u << 20)) old += std::string(99, 'x') + "\n";
  write_file(dir.file("Yoffe_Slip.csv"), old);
  const std::string text = write_in(dir, rows);
  EXPECT_EQ(text.size(), expected.size());
  EXPECT_TRUE(text == expected);
  EXPECT_EQ(text.find('x'), std::string::npos);
}

TEST(SlipFile, ShorterOldFileIsWrittenOver) {
  const std::vector<SlipRow> rows = run_rows();
  TempDir dir;
  write_file(dir.file("Yoffe_Slip.csv"), "old\nfile\n");
  const std::vector<std::string> lines = split_lines(write_in(dir, rows));
  ASSERT_EQ(lines.size(), 4097u);
  EXPECT_EQ(lines[0], kHeader);
}

TEST(SlipFile, OneSampleGivesHeaderAndOneRow) {
  TempDir dir;
  const std::string text = write_in(dir, slip::slip_history({1.0, 0.005, 1, 0.02, 3.1}, 513.0));
  EXPECT_EQ(text,
            std::string(kHeader) + "\n  0.0000,      0.0000000,      0.0000000,      0.0000000\n");
}

}  // namespace
