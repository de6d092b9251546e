// Whole-process tests of start-up, termination and failure reporting: the
// real tool, or the run sequence in a death-test child, in temporary
// directories; refused parameters and the capacity warning; signals
// sent from outside at the closing prompt and at arbitrary points; fatal
// reports of failed opens, read-only files, full disks and failed cuts.
//
// Every child is bounded in time: one still running after 30 s is killed
// and the test fails.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "driver/run.h"
#include "driver/startup.h"
#include "test_support.h"
#include "textio/connection.h"
#include "textio/failure.h"
#include "slip/slip_history.h"

namespace {

using namespace std::chrono_literals;
using testing_support::Child;
using testing_support::ChildOptions;
using testing_support::describe;
using testing_support::file_exists;
using testing_support::first_lines;
using testing_support::golden;
using testing_support::open_report;
using testing_support::read_file;
using testing_support::row_report;
using testing_support::run_child;
using testing_support::RunResult;
using testing_support::same_file;
using testing_support::shim_env;
using testing_support::split_lines;
using testing_support::TempDir;
using testing_support::without_emulator_note;
using testing_support::write_file;

using Clock = std::chrono::steady_clock;
constexpr unsigned kDeathTestSeconds = 30;  // the bound of death-test children

// Console records of the fixed run, in the groups in which the
// run sequence writes them.
const std::string kOpening =
    "\n"
    " Regularized Yoffe Slip Velocity Function\n"
    "\n"
    "  dt,nt=  0.005 4096\n"
    "  Dmax,TauS,TauR=  1.  0.02  3.1\n";
const std::string kAnnouncements =
    "\n"
    "  Slip functions are stored in Yoffe_Slip.csv\n"
    "  Fourier spectrum of slip velocity is stored in Yoffe_Amp.csv\n";
const std::string kSummary =
    "\n"
    "  DUR,DOM,NOM,EOM=  20.48  0.306796158 2048  628.318531\n"
    "  Highest Frequency (hz)=  100.\n";
const std::string kPrompt =
    "\n"
    " Hit any key to stop\n";
const std::string kFullConsole = kOpening + kAnnouncements + kSummary + kPrompt;

// A copy of the tool that the unprivileged user can run, whatever the
// permissions of the build tree: when the tests run as root, the binary is
// copied into `bin` (mode 0755 throughout).
std::string program_for_nobody(const TempDir& bin) {
  if (geteuid() != 0) return YOFFE_BINARY;
  namespace fs = std::filesystem;
  const std::string copy = bin.file("yoffe");
  fs::copy_file(YOFFE_BINARY, copy, fs::copy_options::overwrite_existing);
  fs::permissions(copy, fs::perms(0755));
  fs::permissions(bin.path(), fs::perms(0755));
  return copy;
}

// The files of a normal run: the golden ones.
struct Reference {
  std::string slip, amp;
};

const Reference& reference() {
  static const Reference files{golden("golden_slip.csv"), golden("golden_amp.csv")};
  return files;
}

// An older, longer file of other content than any run writes.
std::string older_file(std::size_t bytes) {
  std::string text;
  const std::string line = "older line of an earlier run, which must not survive behind the rows\n";
  while (text.size() < bytes) text += line;
  return text;
}

std::vector<std::string> directory_entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    names.push_back(e.path().filename().string());
  }
  return names;
}

// ---------------------------------------------------------------------------
// Start-up and the normal end

TEST(NormalRun, ConsoleIsTheGoldenOne) {
  // The pieces that the tests below expect of partial consoles make up the
  // golden console of a whole run.
  EXPECT_TRUE(same_file(kFullConsole, golden("golden_console.txt")));
}

TEST(NormalRun, IgnoresCommandLineArguments) {
  TempDir dir;
  ChildOptions options;
  options.dir = dir.path();
  options.args = {"-h", "--nt=16", "Yoffe_Other.csv"};
  const RunResult r = run_child(options);
  EXPECT_TRUE(r.exited && r.status == 0) << describe(r);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, kFullConsole);
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), reference().slip));
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Amp.csv")), reference().amp));
  EXPECT_EQ(directory_entries(dir.path()).size(), 2u);
}

TEST(NormalRun, ReplacesOlderLongerFilesWhole) {
  TempDir dir;
  write_file(dir.file("Yoffe_Slip.csv"), older_file(400000));
  write_file(dir.file("Yoffe_Amp.csv"), older_file(200000));
  ChildOptions options;
  options.dir = dir.path();
  const RunResult r = run_child(options);
  EXPECT_TRUE(r.exited && r.status == 0) << describe(r);
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), reference().slip));
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Amp.csv")), reference().amp));
}

// ---------------------------------------------------------------------------
// The run sequence with other parameters, in a death-test child.

class RunSequence : public testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "fast"); }

  // In the child: console input at its end, console output into `console`,
  // working directory `dir`; start-up, then the run sequence.
  [[noreturn]] static void run_in(const std::string& dir, const std::string& console,
                                  const slip::SlipParameters& p) {
    alarm(kDeathTestSeconds);  // a child that hangs ends by SIGALRM: the test fails
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || chdir(dir.c_str()) != 0) {
      _exit(99);
    }
    driver::start_up();
    driver::run_sequence(p);
  }

  static slip::SlipParameters with(double taus, double taur, int nt = 4096) {
    slip::SlipParameters p = driver::fixed_parameters();
    p.taus = taus;
    p.taur = taur;
    p.nt = nt;
    return p;
  }

  TempDir dir_, io_;
  const std::string console_ = io_.file("console");
};

const testing::Matcher<const std::string&> kEmpty = testing::Eq(std::string());

TEST_F(RunSequence, RefusesTaurBelowTwiceTausSilently) {
  EXPECT_EXIT(run_in(dir_.path(), console_, with(0.02, 0.03)), testing::ExitedWithCode(0), kEmpty);
  EXPECT_EQ(read_file(console_),
            "\n"
            " Regularized Yoffe Slip Velocity Function\n"
            "\n"
            "  dt,nt=  0.005 4096\n"
            "  Dmax,TauS,TauR=  1.  0.02  0.03\n"
            " 2.d0*TauS < TauR, the STOP!\n"
            " TauS,2.d0*TauS,TauR=  0.02  0.04  0.03\n");
  EXPECT_TRUE(directory_entries(dir_.path()).empty());
}

TEST_F(RunSequence, RefusalLeavesExistingFilesUntouched) {
  write_file(dir_.file("Yoffe_Slip.csv"), "old slip\n");
  write_file(dir_.file("Yoffe_Amp.csv"), "old amp\n");
  EXPECT_EXIT(run_in(dir_.path(), console_, with(0.5, 0.25)), testing::ExitedWithCode(0), kEmpty);
  const std::vector<std::string> lines = split_lines(read_file(console_));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[4], "  Dmax,TauS,TauR=  1.  0.5  0.25");
  EXPECT_EQ(lines[5], " 2.d0*TauS < TauR, the STOP!");
  EXPECT_EQ(lines[6], " TauS,2.d0*TauS,TauR=  0.5  1.  0.25");
  EXPECT_EQ(read_file(dir_.file("Yoffe_Slip.csv")), "old slip\n");
  EXPECT_EQ(read_file(dir_.file("Yoffe_Amp.csv")), "old amp\n");
}

TEST_F(RunSequence, AcceptsTaurEqualToTwiceTaus) {
  EXPECT_EXIT(run_in(dir_.path(), console_, with(0.02, 0.04)), testing::ExitedWithCode(0), kEmpty);
  EXPECT_EQ(read_file(console_),
            "\n"
            " Regularized Yoffe Slip Velocity Function\n"
            "\n"
            "  dt,nt=  0.005 4096\n"
            "  Dmax,TauS,TauR=  1.  0.02  0.04\n" +
                kAnnouncements + kSummary + kPrompt);
  EXPECT_EQ(split_lines(read_file(dir_.file("Yoffe_Slip.csv"))).size(), 4097u);
  EXPECT_EQ(split_lines(read_file(dir_.file("Yoffe_Amp.csv"))).size(), 2048u);
}

TEST_F(RunSequence, AcceptsARiseTimeThatIsNotANumber) {
  // The refusal asks whether 2 taus exceeds taur; with a not-a-number it
  // does not, and the run goes on to its end.
  EXPECT_EXIT(run_in(dir_.path(), console_, with(0.02, std::nan(""))), testing::ExitedWithCode(0),
              kEmpty);
  const std::string console = read_file(console_);
  EXPECT_EQ(console.find("STOP"), std::string::npos) << console;
  EXPECT_TRUE(console.ends_with(kPrompt)) << console;
  EXPECT_EQ(split_lines(read_file(dir_.file("Yoffe_Slip.csv"))).size(), 4097u);
}

TEST_F(RunSequence, NoCapacityWarningAt16384) {
  EXPECT_EXIT(run_in(dir_.path(), console_, with(0.02, 3.1, 16384)), testing::ExitedWithCode(0),
              kEmpty);
  const std::string console = read_file(console_);
  EXPECT_EQ(console.find("nfast"), std::string::npos) << console;
  EXPECT_NE(console.find("  dt,nt=  0.005 16384\n"), std::string::npos) << console;
  EXPECT_TRUE(console.ends_with("  Highest Frequency (hz)=  100.\n" + kPrompt)) << console;
  EXPECT_EQ(split_lines(read_file(dir_.file("Yoffe_Slip.csv"))).size(), 16385u);
  EXPECT_EQ(split_lines(read_file(dir_.file("Yoffe_Amp.csv"))).size(), 8192u);
}

TEST_F(RunSequence, CapacityWarningAt32768AndTheRunGoesOn) {
  EXPECT_EXIT(run_in(dir_.path(), console_, with(0.02, 3.1, 32768)), testing::ExitedWithCode(0),
              kEmpty);
  const std::string console = read_file(console_);
  EXPECT_TRUE(
      console.ends_with("  Highest Frequency (hz)=  100.\n"
                        " from Yoffe: nfast > MOM ! 32768 16400\n" +
                        kPrompt))
      << console;
  EXPECT_EQ(split_lines(read_file(dir_.file("Yoffe_Slip.csv"))).size(), 32769u);
  EXPECT_EQ(split_lines(read_file(dir_.file("Yoffe_Amp.csv"))).size(), 16384u);
}

// ---------------------------------------------------------------------------
// Signals while the closing prompt waits

struct PromptSignal {
  int signal_number;
  const char* message;
  bool aborts;  // ends by SIGABRT, else exit status 1
};

void PrintTo(const PromptSignal& s, std::ostream* os) {
  *os << sigabbrev_np(s.signal_number);
}

class SignalAtPrompt : public testing::TestWithParam<PromptSignal> {};

TEST_P(SignalAtPrompt, EndsWithItsMessageAndBothFilesComplete) {
  const PromptSignal& s = GetParam();
  TempDir dir;
  write_file(dir.file("Yoffe_Slip.csv"), older_file(300000));
  ChildOptions options;
  options.dir = dir.path();
  Child child(options);
  ASSERT_TRUE(child.wait_for_output(" Hit any key to stop\n")) << child.out();
  child.send(s.signal_number);
  const RunResult r = child.finish();
  EXPECT_EQ(r.err, std::string(s.message) + "\n");
  if (s.aborts) {
    EXPECT_TRUE(!r.exited && r.signal == SIGABRT) << describe(r);
  } else {
    EXPECT_TRUE(r.exited && r.status == 1) << describe(r);
  }
  EXPECT_EQ(r.out, kFullConsole);
  const std::string slip = read_file(dir.file("Yoffe_Slip.csv"));
  const std::string amp = read_file(dir.file("Yoffe_Amp.csv"));
  EXPECT_EQ(split_lines(slip).size(), 4097u);
  EXPECT_EQ(split_lines(amp).size(), 2048u);
  EXPECT_TRUE(same_file(slip, reference().slip));
  EXPECT_TRUE(same_file(amp, reference().amp));
}

INSTANTIATE_TEST_SUITE_P(Termination, SignalAtPrompt,
                         testing::Values(PromptSignal{SIGINT, "Interrupt", false},
                                         PromptSignal{SIGTERM, "Killed", false},
                                         PromptSignal{SIGFPE, "Floating Exception", true},
                                         PromptSignal{SIGABRT, "IOT Trap", true}),
                         [](const testing::TestParamInfo<PromptSignal>& info) {
                           return std::string(sigabbrev_np(info.param.signal_number));
                         });

TEST(Termination, InterruptIgnoredByTheParentStaysIgnored) {
  TempDir dir;
  ChildOptions options;
  options.dir = dir.path();
  options.ignore_sigint = true;
  Child child(options);
  ASSERT_TRUE(child.wait_for_output(" Hit any key to stop\n")) << child.out();
  child.send(SIGINT);
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(child.running()) << "stopped by an ignored SIGINT";
  child.write_input("any text\n");
  const RunResult r = child.finish();
  EXPECT_TRUE(r.exited && r.status == 0) << describe(r);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, kFullConsole);
}

// ---------------------------------------------------------------------------
// Signals while Yoffe_Slip.csv is open

struct RowWriterCase {
  int rows;
  const char* signal_name;
  const char* message;
  bool aborts;
  bool older;  // an older, longer file is in place
};

void PrintTo(const RowWriterCase& c, std::ostream* os) {
  *os << "SIG" << c.signal_name << " after " << c.rows << " rows";
}

class SignalWhileWriting : public testing::TestWithParam<RowWriterCase> {};

// The helper writes the header and the first N rows of the fixed run with
// the real statements, then raises the signal: the closing must flush and
// cut the file to exactly those records.
TEST_P(SignalWhileWriting, KeepsHeaderAndWholeRowsOnly) {
  const RowWriterCase& c = GetParam();
  TempDir dir;
  if (c.older) write_file(dir.file("Yoffe_Slip.csv"), older_file(400000));
  ChildOptions options;
  options.program = YOFFE_ROW_WRITER;
  options.args = {std::to_string(c.rows), c.signal_name};
  options.dir = dir.path();
  const RunResult r = run_child(options);
  EXPECT_EQ(r.err, std::string(c.message) + "\n");
  if (c.aborts) {
    EXPECT_TRUE(!r.exited && r.signal == SIGABRT) << describe(r);
  } else {
    EXPECT_TRUE(r.exited && r.status == 1) << describe(r);
  }
  const std::string slip = read_file(dir.file("Yoffe_Slip.csv"));
  EXPECT_EQ(slip.size(), 44u + 57u * static_cast<std::size_t>(c.rows));
  EXPECT_TRUE(same_file(slip, first_lines(reference().slip, 1 + static_cast<std::size_t>(c.rows))));
  EXPECT_EQ(directory_entries(dir.path()).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Termination, SignalWhileWriting,
                         testing::Values(RowWriterCase{0, "TERM", "Killed", false, true},
                                         RowWriterCase{1, "TERM", "Killed", false, true},
                                         RowWriterCase{100, "TERM", "Killed", false, true},
                                         RowWriterCase{1147, "TERM", "Killed", false, true},
                                         RowWriterCase{1148, "TERM", "Killed", false, true},
                                         RowWriterCase{1149, "TERM", "Killed", false, true},
                                         RowWriterCase{2500, "TERM", "Killed", false, true},
                                         RowWriterCase{4096, "TERM", "Killed", false, true},
                                         RowWriterCase{300, "TERM", "Killed", false, false},
                                         RowWriterCase{1500, "INT", "Interrupt", false, true},
                                         RowWriterCase{1500, "FPE", "Floating Exception", true,
                                                       true},
                                         RowWriterCase{1500, "ABRT", "IOT Trap", true, true}),
                         [](const testing::TestParamInfo<RowWriterCase>& info) {
                           return std::string(info.param.signal_name) + "_after_" +
                                  std::to_string(info.param.rows) +
                                  (info.param.older ? "_over_older_file" : "_new_file");
                         });

// Whether `file` is what a run cut short by a signal may leave: the older
// file untouched (the signal came before the first record), or whole
// records of this run from its first one on, in sequence, and nothing else.
testing::AssertionResult whole_records_only(const std::string& file, const std::string& older,
                                            const std::string& complete) {
  if (file == older) return testing::AssertionSuccess() << "older file untouched";
  if (!file.empty() && file.back() != '\n') {
    return testing::AssertionFailure()
           << "ends inside a record: ..."
           << file.substr(file.size() - std::min<std::size_t>(file.size(), 80));
  }
  if (complete.compare(0, file.size(), file) != 0 || file.size() > complete.size()) {
    return testing::AssertionFailure()
           << "holds other content than the records of this run (" << file.size() << " bytes)";
  }
  return testing::AssertionSuccess() << split_lines(file).size() << " records";
}

// The real tool is held in the write of its second file announcement, just
// before the slip phase, by a full output pipe; the test releases it and
// sends SIGTERM after a random delay within the time the run takes from
// there to the closing prompt.
TEST(Termination, TerminationAtArbitraryPointsLeavesWholeRowsOnly) {
  const Reference& ref = reference();
  const std::string older_slip = older_file(400000), older_amp = older_file(200000);
  // The bytes before the second announcement fit; the announcement does not.
  const std::size_t before = kOpening.size() + kAnnouncements.find("  Fourier");
  ChildOptions options;
  options.output_room = before + 30;

  // How long the run takes from its release to the closing prompt: the
  // median of three runs, at least 2 ms (the machine may be busy).
  std::vector<Clock::duration> windows;
  for (int run = 0; run < 3; ++run) {
    TempDir dir;
    options.dir = dir.path();
    Child child(options);
    ASSERT_TRUE(child.wait_for_held_output(before)) << child.out();
    std::this_thread::sleep_for(2ms);
    ASSERT_EQ(child.out(), "");
    const auto t0 = Clock::now();
    child.release_output();
    ASSERT_TRUE(
        child.out().starts_with(kOpening + kAnnouncements.substr(0, before - kOpening.size())))
        << child.out();
    ASSERT_TRUE(child.wait_for_output(" Hit any key to stop\n"));
    windows.push_back(Clock::now() - t0);
    child.close_input();
    child.finish();
  }
  std::sort(windows.begin(), windows.end());
  const long window_us = std::max<long>(
      2000, std::chrono::duration_cast<std::chrono::microseconds>(windows[1]).count());

  std::mt19937 random(4096);
  std::uniform_int_distribution<long> delay_us(0, window_us);
  int partial_slip = 0, partial_amp = 0;
  for (int run = 0; run < 20; ++run) {
    TempDir dir;
    write_file(dir.file("Yoffe_Slip.csv"), older_slip);
    write_file(dir.file("Yoffe_Amp.csv"), older_amp);
    options.dir = dir.path();
    Child child(options);
    ASSERT_TRUE(child.wait_for_held_output(before)) << child.out();
    std::this_thread::sleep_for(1ms);
    const long delay = delay_us(random);
    SCOPED_TRACE("run " + std::to_string(run) + ": SIGTERM " + std::to_string(delay) +
                 " us after the release");
    const auto released = Clock::now();
    child.release_output();
    std::this_thread::sleep_until(released + std::chrono::microseconds(delay));
    child.send(SIGTERM);
    const RunResult r = child.finish();
    EXPECT_TRUE(r.exited && r.status == 1) << describe(r);
    EXPECT_EQ(r.err, "Killed\n");
    EXPECT_TRUE(kFullConsole.starts_with(r.out)) << r.out;
    const std::string slip = read_file(dir.file("Yoffe_Slip.csv"));
    const std::string amp = read_file(dir.file("Yoffe_Amp.csv"));
    EXPECT_TRUE(whole_records_only(slip, older_slip, ref.slip));
    EXPECT_TRUE(whole_records_only(amp, older_amp, ref.amp));
    // The spectrum file is not touched before the slip file is complete.
    if (amp != older_amp) {
      EXPECT_TRUE(same_file(slip, ref.slip));
    }
    if (slip != older_slip && slip != ref.slip) ++partial_slip;
    if (amp != older_amp && amp != ref.amp) ++partial_amp;
  }
  std::cout << "[ info     ] window " << window_us
            << " us; runs cut in the slip file: " << partial_slip
            << ", in the spectrum file: " << partial_amp << "\n";
}

// ---------------------------------------------------------------------------
// Fatal reports of the real tool

void expect_fatal(const RunResult& r, const std::string& report, const std::string& console) {
  EXPECT_TRUE(!r.exited && r.signal == SIGABRT) << describe(r);
  EXPECT_EQ(r.err, report);
  EXPECT_EQ(r.out, console);
}

TEST(FatalReport, DirectoryThatAllowsNoNewFile) {
  TempDir bin, dir;
  std::filesystem::permissions(dir.path(), std::filesystem::perms(0555));
  ChildOptions options;
  options.program = program_for_nobody(bin);
  options.unprivileged = true;
  options.dir = dir.path();
  const RunResult r = run_child(options);
  expect_fatal(r, open_report("open: Permission denied", 11, "Yoffe_Slip.csv"),
               kOpening + kAnnouncements);
  EXPECT_TRUE(directory_entries(dir.path()).empty());
}

TEST(FatalReport, ReadOnlySlipFile) {
  TempDir bin, dir;
  std::filesystem::permissions(dir.path(), std::filesystem::perms(0777));
  write_file(dir.file("Yoffe_Slip.csv"), "read-only slip\n");
  std::filesystem::permissions(dir.file("Yoffe_Slip.csv"), std::filesystem::perms(0444));
  ChildOptions options;
  options.program = program_for_nobody(bin);
  options.unprivileged = true;
  options.dir = dir.path();
  const RunResult r = run_child(options);
  expect_fatal(r, open_report("list output start: can't write file", 11, "Yoffe_Slip.csv"),
               kOpening + kAnnouncements);
  EXPECT_EQ(read_file(dir.file("Yoffe_Slip.csv")), "read-only slip\n");
  EXPECT_FALSE(file_exists(dir.file("Yoffe_Amp.csv")));
}

TEST(FatalReport, ReadOnlyAmpFileInWritableDirectory) {
  TempDir bin, dir;
  std::filesystem::permissions(dir.path(), std::filesystem::perms(0777));
  write_file(dir.file("Yoffe_Amp.csv"), "read-only amp\n");
  std::filesystem::permissions(dir.file("Yoffe_Amp.csv"), std::filesystem::perms(0444));
  ChildOptions options;
  options.program = program_for_nobody(bin);
  options.unprivileged = true;
  options.dir = dir.path();
  const RunResult r = run_child(options);
  expect_fatal(r, open_report("list output start: can't write file", 12, "Yoffe_Amp.csv"),
               kOpening + kAnnouncements + kSummary);
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), reference().slip));
  EXPECT_EQ(read_file(dir.file("Yoffe_Amp.csv")), "read-only amp\n");
}

TEST(FatalReport, SlipFileIsADirectory) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("Yoffe_Slip.csv"));
  ChildOptions options;
  options.dir = dir.path();
  const RunResult r = run_child(options);
  expect_fatal(r, open_report("open: Is a directory", 11, "Yoffe_Slip.csv"),
               kOpening + kAnnouncements);
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("Yoffe_Slip.csv")));
  EXPECT_FALSE(file_exists(dir.file("Yoffe_Amp.csv")));
}

TEST(FatalReport, AmpFileIsADirectory) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("Yoffe_Amp.csv"));
  ChildOptions options;
  options.dir = dir.path();
  const RunResult r = run_child(options);
  expect_fatal(r, open_report("open: Is a directory", 12, "Yoffe_Amp.csv"),
               kOpening + kAnnouncements + kSummary);
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), reference().slip));
}

TEST(FatalReport, FullDiskUnderTheSlipFile) {
  TempDir dir;
  std::filesystem::create_symlink("/dev/full", dir.file("Yoffe_Slip.csv"));
  ChildOptions options;
  options.dir = dir.path();
  const RunResult r = run_child(options);
  expect_fatal(r, row_report("write: No space left on device", 11, "Yoffe_Slip.csv"),
               kOpening + kAnnouncements);
  EXPECT_FALSE(file_exists(dir.file("Yoffe_Amp.csv")));
  std::filesystem::remove(dir.file("Yoffe_Slip.csv"));
}

TEST(FatalReport, FullDiskUnderTheAmpFile) {
  TempDir dir;
  std::filesystem::create_symlink("/dev/full", dir.file("Yoffe_Amp.csv"));
  ChildOptions options;
  options.dir = dir.path();
  const RunResult r = run_child(options);
  expect_fatal(r, row_report("write: No space left on device", 12, "Yoffe_Amp.csv"),
               kOpening + kAnnouncements + kSummary);
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), reference().slip));
  std::filesystem::remove(dir.file("Yoffe_Amp.csv"));
}

// Failures that a real disk hardly produces, made by the preloaded shim.
class FailingPlatformCall : public testing::Test {
 protected:
  void SetUp() override {
#ifdef YOFFE_CROSS
    GTEST_SKIP() << "a static foreign binary under emulation takes no preloaded library";
#endif
  }
};

TEST_F(FailingPlatformCall, CutOfTheSlipFile) {
  TempDir dir;
  const std::string older = older_file(400000);
  write_file(dir.file("Yoffe_Slip.csv"), older);
  ChildOptions options;
  options.dir = dir.path();
  options.env = shim_env("YOFFE_TEST_FAIL_TRUNCATE", "Yoffe_Slip.csv");
  const RunResult r = run_child(options);
  expect_fatal(r, row_report("endfile: truncation failed in endfile", 11, "Yoffe_Slip.csv"),
               kOpening + kAnnouncements);
  // The records of this run are kept; what lies behind them is left open.
  const std::string slip = read_file(dir.file("Yoffe_Slip.csv"));
  EXPECT_TRUE(same_file(slip.substr(0, reference().slip.size()), reference().slip));
  EXPECT_FALSE(file_exists(dir.file("Yoffe_Amp.csv")));
}

TEST_F(FailingPlatformCall, CutOfTheAmpFile) {
  TempDir dir;
  write_file(dir.file("Yoffe_Amp.csv"), older_file(200000));
  ChildOptions options;
  options.dir = dir.path();
  options.env = shim_env("YOFFE_TEST_FAIL_TRUNCATE", "Yoffe_Amp.csv");
  const RunResult r = run_child(options);
  expect_fatal(r, row_report("endfile: truncation failed in endfile", 12, "Yoffe_Amp.csv"),
               kOpening + kAnnouncements + kSummary);
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), reference().slip));
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Amp.csv")).substr(0, reference().amp.size()),
                        reference().amp));
}

TEST_F(FailingPlatformCall, NoCutNeededNoFailure) {
  // The shim fails every cut of the slip file, but a file no longer than
  // what the run writes needs none.
  TempDir dir;
  write_file(dir.file("Yoffe_Slip.csv"), "short\n");
  ChildOptions options;
  options.dir = dir.path();
  options.env = shim_env("YOFFE_TEST_FAIL_TRUNCATE", "Yoffe_Slip.csv");
  const RunResult r = run_child(options);
  EXPECT_TRUE(r.exited && r.status == 0) << describe(r);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), reference().slip));
}

// An abort from elsewhere that arrives while a termination request is
// cutting the file stays held: the cut completes, the file keeps whole rows
// only, and the process ends as the first signal has it, with one line.
TEST_F(FailingPlatformCall, AbortInTheMiddleOfTheClosingWaitsForTheCut) {
  TempDir dir;
  write_file(dir.file("Yoffe_Slip.csv"), older_file(400000));
  ChildOptions options;
  options.program = YOFFE_ROW_WRITER;
  options.args = {"1500", "TERM"};
  options.dir = dir.path();
  options.env = shim_env("YOFFE_TEST_ABORT_IN_TRUNCATE", "Yoffe_Slip.csv");
  const RunResult r = run_child(options);
  EXPECT_EQ(r.err, "Killed\n");
  EXPECT_TRUE(r.exited && r.status == 1) << describe(r);
  EXPECT_TRUE(
      same_file(read_file(dir.file("Yoffe_Slip.csv")), first_lines(reference().slip, 1501)));
}

TEST_F(FailingPlatformCall, WriteErrorAtTheClose) {
  TempDir dir;
  ChildOptions options;
  options.dir = dir.path();
  options.env = shim_env("YOFFE_TEST_FAIL_CLOSE", "Yoffe_Slip.csv");
  const RunResult r = run_child(options);
  expect_fatal(r, row_report("write: Input/output error", 11, "Yoffe_Slip.csv"),
               kOpening + kAnnouncements);
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), reference().slip));
  EXPECT_FALSE(file_exists(dir.file("Yoffe_Amp.csv")));
}

// ---------------------------------------------------------------------------
// The first line and the state lines of the fatal report

struct ReportCase {
  const char* context;
  textio::FailureCode code;
  int unit;
  const char* name;    // file name of the unit; none for a console unit
  const char* layout;  // "list io" or none
  const char* direction;
  std::string expected;
};

std::string state(int unit, const char* name, const char* layout, const char* direction) {
  std::string lines = "apparent state: unit " + std::to_string(unit) + " ";
  lines += name != nullptr ? std::string("named ") + name : std::string("(unnamed)");
  lines += "\n";
  if (layout != nullptr) lines += std::string("last format: ") + layout + "\n";
  return lines + "lately " + direction + " sequential formatted external IO\n";
}

std::vector<ReportCase> report_cases() {
  using textio::platform_error;
  using textio::system_error;
  const char* slip = "Yoffe_Slip.csv";
  const std::string slip_state = state(11, slip, "list io", "writing");
  auto c = [&](const char* context, textio::FailureCode code, const std::string& first) {
    return ReportCase{context, code, 11, slip, "list io", "writing", first + "\n" + slip_state};
  };
  std::vector<ReportCase> cases = {
      c("open", platform_error(2), std::string("open: ") + std::strerror(2)),
      c("open", platform_error(EACCES), "open: Permission denied"),
      c("open", platform_error(EISDIR), "open: Is a directory"),
      c("write", platform_error(ENOSPC), "write: No space left on device"),
      c("write", platform_error(122), std::string("write: ") + std::strerror(122)),
      c("write", platform_error(130), std::string("write: ") + std::strerror(130)),
      c("write", platform_error(4000), std::string("write: ") + std::strerror(4000)),
      c("open", system_error(5), std::string("open: ") + std::strerror(5)),
      c("ctx", system_error(100), "ctx: error in format"),
      c("ctx", system_error(101), "ctx: illegal unit number"),
      c("ctx", system_error(109), "ctx: unit not connected"),
      c("ctx", system_error(110), "ctx: off end of record"),
      c("endfile", system_error(111), "endfile: truncation failed in endfile"),
      c("no space", system_error(113), "no space: out of free space"),
      c("ctx", system_error(114), "ctx: unit not connected"),
      c("ctx", system_error(122), "ctx: subscript for scalar variable"),
      c("list output start", system_error(127), "list output start: can't write file"),
      c("ctx", system_error(131), "ctx: I/O started while already doing I/O"),
      c("ctx", system_error(132), "ctx: Temporary file name (TMPDIR?) too long"),
      c("read", system_error(-1), "read: end of file"),
      c("ctx", system_error(99999), "ctx: illegal error number 99999"),
      c("ctx", system_error(133), "ctx: illegal error number 133"),
      c("ctx", system_error(-2), "ctx: illegal error number -2"),
  };
  cases.push_back(
      {"endfile", system_error(111), 12, "Yoffe_Amp.csv", nullptr, "writing",
       "endfile: truncation failed in endfile\n" + state(12, "Yoffe_Amp.csv", nullptr, "writing")});
  cases.push_back({"ctx", system_error(109), 6, nullptr, "list io", "writing",
                   "ctx: unit not connected\napparent state: unit 6 (unnamed)\n"
                   "last format: list io\n"
                   "lately writing sequential formatted external IO\n"});
  cases.push_back({"read", system_error(-1), 5, nullptr, "list io", "reading",
                   "read: end of file\napparent state: unit 5 (unnamed)\nlast format: list io\n"
                   "lately reading sequential formatted external IO\n"});
  return cases;
}

// In the child: the text I/O as start-up leaves it, the state as a
// statement on `c.unit` leaves it, then the report.
[[noreturn]] void report_in_child(const ReportCase& c) {
  alarm(kDeathTestSeconds);
  textio::init_text_io();
  textio::IoState& s = textio::io_state();
  s.current_unit = c.unit;
  s.layout = c.layout;
  s.direction = c.direction;
  if (c.name != nullptr) textio::connections()[c.unit].name = c.name;
  textio::fatal_report(c.context, c.code);
}

TEST(FatalReportLines, FirstLineAndStateByCode) {
  GTEST_FLAG_SET(death_test_style, "fast");
  for (const ReportCase& c : report_cases()) {
    SCOPED_TRACE(std::string(c.context) + " " + std::to_string(c.code.number) +
                 (c.code.platform ? " (platform)" : " (system)"));
    EXPECT_EXIT(report_in_child(c), testing::KilledBySignal(SIGABRT),
                testing::ResultOf(without_emulator_note, testing::Eq(c.expected)));
  }
}

}  // namespace
