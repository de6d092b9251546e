// A whole run compared byte for byte with the golden outputs of the
// reference build (x86-64, g++ 12) under tests/data: both files and the
// console.  Every build must reproduce them, above all one for a machine
// whose compiler would fuse multiply and add (aarch64: with contraction
// allowed, two acceleration rows of the slip file change in their last
// printed digit).
//
// After a deliberate change of the output, write them anew with the x86-64
// build:
//
//   cd "$(mktemp -d)" && <build>/yoffe </dev/null >golden_console.txt &&
//   mv Yoffe_Slip.csv golden_slip.csv && mv Yoffe_Amp.csv golden_amp.csv
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

using testing_support::golden;
using testing_support::read_file;
using testing_support::run_yoffe;
using testing_support::same_file;
using testing_support::split_lines;
using testing_support::TempDir;

TEST(GoldenRun, FilesAndConsoleMatchTheReferenceBuild) {
  TempDir dir;
  const auto r = run_yoffe(dir.path(), "\n");  // Enter at the closing prompt
  ASSERT_TRUE(r.exited && r.status == 0) << testing_support::describe(r);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(same_file(r.out, golden("golden_console.txt")));
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), golden("golden_slip.csv")));
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Amp.csv")), golden("golden_amp.csv")));
}

TEST(GoldenRun, GoldenFilesHoldTheFixedRun) {
  // The golden files themselves: 4097 and 2048 records of the lengths the
  // row layouts give (the console's text is checked by the termination
  // tests, whose partial consoles are made of its pieces).
  const auto slip = split_lines(golden("golden_slip.csv"));
  const auto amp = split_lines(golden("golden_amp.csv"));
  ASSERT_EQ(slip.size(), 4097u);
  ASSERT_EQ(amp.size(), 2048u);
  EXPECT_EQ(slip[0], " time(s),velocity,displacement,acceleration");
  EXPECT_EQ(amp[0], " freq(Hz),abs(vel),abs(acc)");
  for (std::size_t i = 1; i < slip.size(); ++i) ASSERT_EQ(slip[i].size(), 56u) << "line " << i + 1;
  for (std::size_t i = 1; i < amp.size(); ++i) ASSERT_EQ(amp[i].size(), 35u) << "line " << i + 1;
}

}  // namespace
