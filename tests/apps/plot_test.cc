// The plot script, run by gnuplot on the files of a real run of the tool,
// in a temporary directory as a user runs it there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::run_yoffe;
using testing_support::split_lines;
using testing_support::TempDir;

struct GnuplotRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs gnuplot in `dir` on the plot script, with `before` set first and
// `extra` commands after it when given, capturing both output streams into
// files of the directory.
GnuplotRun run_gnuplot(const TempDir& dir, const std::string& extra = "",
                       const std::string& before = "") {
  std::string command = "cd '" + dir.path() + "' && '" GNUPLOT_BINARY "'";
  if (!before.empty()) command += " -e '" + before + "'";
  command += " '" PLOT_SCRIPT "'";
  if (!extra.empty()) command += " -e '" + extra + "'";
  command += " >gnuplot.out 2>gnuplot.err </dev/null";
  GnuplotRun run;
  run.status = std::system(command.c_str());
  run.out = read_file(dir.file("gnuplot.out"));
  run.err = read_file(dir.file("gnuplot.err"));
  return run;
}

std::uint32_t big_endian_u32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t k = 0; k < 4; ++k)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + k]);
  return value;
}

// The numeric fields of a comma-separated data row (empty fields skipped).
std::vector<double> fields(const std::string& row) {
  std::vector<double> values;
  std::stringstream in(row);
  std::string field;
  while (std::getline(in, field, ','))
    if (field.find_first_not_of(' ') != std::string::npos) values.push_back(std::stod(field));
  return values;
}

class Plot : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto result = run_yoffe(dir_.path());
    ASSERT_TRUE(result.exited);
    ASSERT_EQ(result.status, 0);
    ASSERT_TRUE(file_exists(dir_.file("Yoffe_Slip.csv")));
    ASSERT_TRUE(file_exists(dir_.file("Yoffe_Amp.csv")));
  }
  TempDir dir_;
};

// Whether `png` is a whole PNG picture of `width` x `height`.
testing::AssertionResult whole_png(const std::string& png, std::uint32_t width,
                                   std::uint32_t height) {
  if (png.size() < 33 || png.substr(0, 8) != std::string("\x89PNG\r\n\x1a\n", 8) ||
      big_endian_u32(png, 8) != 13u || png.substr(12, 4) != "IHDR") {
    return testing::AssertionFailure() << "not a PNG (" << png.size() << " bytes)";
  }
  if (big_endian_u32(png, 16) != width || big_endian_u32(png, 20) != height) {
    return testing::AssertionFailure()
           << big_endian_u32(png, 16) << " x " << big_endian_u32(png, 20) << " pixels";
  }
  // A picture written to its end, not cut off: the last chunk is IEND.
  if (png.substr(png.size() - 8, 4) != "IEND") return testing::AssertionFailure() << "cut off";
  return testing::AssertionSuccess();
}

TEST_F(Plot, WritesAPictureOfTheSetSizeWithoutWarnings) {
  const auto run = run_gnuplot(dir_);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(whole_png(read_file(dir_.file("Yoffe.png")), 1200, 900));
}

// With the library's analytic curves beside the run's files: two more
// panels, and the curves themselves as yoffe_curves writes them.
TEST_F(Plot, AnalyticCurvesAddTwoPanels) {
  std::string command = "cd '" + dir_.path() + "' && ";
#ifdef YOFFE_EMULATOR
  for (const char* part : {YOFFE_EMULATOR}) command += std::string("'") + part + "' ";
#endif
  command += "'" YOFFE_CURVES "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const auto slip = split_lines(read_file(dir_.file("Yoffe_Analytic_Slip.csv")));
  const auto amp = split_lines(read_file(dir_.file("Yoffe_Analytic_Amp.csv")));
  ASSERT_EQ(slip.size(), 1u + 7001u);
  ASSERT_EQ(amp.size(), 1u + 2047u);
  // The tool's amplitudes lie within 1e-4 of the aliased analytic ones: its
  // cut-off drops about 4.4e-5 of the area and it prints four digits.
  double worst = 0.0;
  for (std::size_t r = 1; r < amp.size(); ++r)
    worst = std::max(worst, std::fabs(fields(amp[r])[4]));
  EXPECT_LT(worst, 1e-4);
  EXPECT_GT(worst, 1e-5);  // the cut-off shows

  const auto run = run_gnuplot(dir_, "", "analytic = 1");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(whole_png(read_file(dir_.file("Yoffe.png")), 1200, 1350));
}

// The spectrum panel must read every data row of Yoffe_Amp.csv, past the
// header and despite the comma ending each row: the data ranges gnuplot
// saw in its last plot equal those of the file.
TEST_F(Plot, SpectrumPanelReadsEveryRow) {
  const auto rows = split_lines(read_file(dir_.file("Yoffe_Amp.csv")));
  ASSERT_GT(rows.size(), 2u);
  double f_min = 1e300, f_max = -1e300, a_min = 1e300, a_max = -1e300;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    if (rows[r].empty()) continue;
    const auto v = fields(rows[r]);
    ASSERT_EQ(v.size(), 3u) << rows[r];
    f_min = std::min(f_min, v[0]);
    f_max = std::max(f_max, v[0]);
    a_min = std::min({a_min, v[1], v[2]});
    a_max = std::max({a_max, v[1], v[2]});
  }

  const auto run =
      run_gnuplot(dir_,
                  "set print \"-\"; print sprintf(\"%.17g %.17g %.17g %.17g\", "
                  "GPVAL_DATA_X_MIN, GPVAL_DATA_X_MAX, GPVAL_DATA_Y_MIN, GPVAL_DATA_Y_MAX)");
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  std::istringstream printed(run.out);
  double seen[4] = {};
  ASSERT_TRUE(printed >> seen[0] >> seen[1] >> seen[2] >> seen[3]) << run.out;
  EXPECT_DOUBLE_EQ(seen[0], f_min);
  EXPECT_DOUBLE_EQ(seen[1], f_max);
  EXPECT_DOUBLE_EQ(seen[2], a_min);
  EXPECT_DOUBLE_EQ(seen[3], a_max);
}

}  // namespace
