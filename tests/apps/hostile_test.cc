// The tool in hostile surroundings, whole processes in temporary
// directories: standard streams closed at the start, a standard output
// pipe whose reader has gone, data files that are FIFOs, signals that
// arrive together, full disks and a file-size limit.  Whatever happens, a
// data file holds whole records of this run only, no console text lands in
// it, and the tool neither hangs nor dies without its report.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace {

using namespace std::chrono_literals;
using testing_support::Child;
using testing_support::ChildOptions;
using testing_support::describe;
using testing_support::file_exists;
using testing_support::first_lines;
using testing_support::golden;
using testing_support::read_file;
using testing_support::row_report;
using testing_support::run_child;
using testing_support::RunResult;
using testing_support::same_file;
using testing_support::shim_env;
using testing_support::TempDir;

// The whole records at the start of `file` that fit in `bytes`.
std::string whole_records_within(const std::string& file, std::size_t bytes) {
  const std::size_t end = file.rfind('\n', std::min(bytes, file.size()) - 1);
  return bytes == 0 || end == std::string::npos ? "" : file.substr(0, end + 1);
}

// ---------------------------------------------------------------------------
// Standard streams closed at the start

TEST(ClosedStream, StandardErrorNeverSharesItsDescriptorWithTheSlipFile) {
  // A termination request after 2500 rows, once blocks have reached the
  // file: its message must not land in it.
  TempDir dir;
  ChildOptions options;
  options.program = YOFFE_ROW_WRITER;
  options.args = {"2500", "TERM"};
  options.dir = dir.path();
  options.closed[2] = true;
  const RunResult r = run_child(options);
  EXPECT_TRUE(r.exited && r.status == 1) << describe(r);
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")),
                        first_lines(golden("golden_slip.csv"), 2501)));
}

TEST(ClosedStream, StandardOutputNeverSharesItsDescriptorWithTheSlipFile) {
  TempDir dir;
  ChildOptions options;
  options.dir = dir.path();
  options.closed[1] = true;
  const RunResult r = run_child(options);
  EXPECT_TRUE(r.exited && r.status == 0) << describe(r);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), golden("golden_slip.csv")));
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Amp.csv")), golden("golden_amp.csv")));
}

TEST(ClosedStream, AllThreeClosed) {
  TempDir dir;
  ChildOptions options;
  options.dir = dir.path();
  options.closed[0] = options.closed[1] = options.closed[2] = true;
  const RunResult r = run_child(options);
  EXPECT_TRUE(r.exited && r.status == 0) << describe(r);
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), golden("golden_slip.csv")));
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Amp.csv")), golden("golden_amp.csv")));
}

// ---------------------------------------------------------------------------
// Failure injection through the preloaded shim

class Shim : public testing::Test {
 protected:
  void SetUp() override {
#ifdef YOFFE_CROSS
    GTEST_SKIP() << "a static foreign binary under emulation takes no preloaded library";
#endif
  }
};

TEST_F(Shim, StandardErrorClosedAndTheDiskFullReportNowhereButInTheFile) {
  // With standard error closed the report goes to the null device: the
  // data file keeps its whole records and nothing else.
  TempDir dir;
  ChildOptions options;
  options.dir = dir.path();
  options.closed[2] = true;
  options.env = shim_env("YOFFE_TEST_FULL_DISK", "Yoffe_Slip.csv:100000");
  const RunResult r = run_child(options);
  EXPECT_TRUE(!r.exited && r.signal == SIGABRT) << describe(r);
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")),
                        whole_records_within(golden("golden_slip.csv"), 100000)));
}

struct FullDisk {
  const char* name;
  int unit;
  std::size_t free;  // bytes that fit before the disk is full
};

void PrintTo(const FullDisk& c, std::ostream* os) {
  *os << c.name << " with " << c.free << " bytes free";
}

class FullDiskTest : public Shim, public testing::WithParamInterface<FullDisk> {};

// Every whole record that reached the file stays, the header counting as
// one; what follows it is cut, and the report follows.
TEST_P(FullDiskTest, KeepsEveryWholeRecordThatFitted) {
  const FullDisk& c = GetParam();
  TempDir dir;
  ChildOptions options;
  options.dir = dir.path();
  options.env =
      shim_env("YOFFE_TEST_FULL_DISK", std::string(c.name) + ":" + std::to_string(c.free));
  const RunResult r = run_child(options);
  EXPECT_TRUE(!r.exited && r.signal == SIGABRT) << describe(r);
  EXPECT_EQ(r.err, row_report("write: No space left on device", c.unit, c.name));
  const bool slip = c.unit == 11;
  const std::string full = golden(slip ? "golden_slip.csv" : "golden_amp.csv");
  EXPECT_TRUE(same_file(read_file(dir.file(c.name)), whole_records_within(full, c.free)));
  if (slip) {
    EXPECT_FALSE(file_exists(dir.file("Yoffe_Amp.csv")));
  } else {
    EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), golden("golden_slip.csv")));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, FullDiskTest,
    testing::Values(FullDisk{"Yoffe_Slip.csv", 11, 0}, FullDisk{"Yoffe_Slip.csv", 11, 100},
                    FullDisk{"Yoffe_Slip.csv", 11, 4096}, FullDisk{"Yoffe_Slip.csv", 11, 60000},
                    FullDisk{"Yoffe_Slip.csv", 11, 65536}, FullDisk{"Yoffe_Slip.csv", 11, 228000},
                    FullDisk{"Yoffe_Slip.csv", 11, 233515}, FullDisk{"Yoffe_Amp.csv", 12, 4096},
                    FullDisk{"Yoffe_Amp.csv", 12, 60000}, FullDisk{"Yoffe_Amp.csv", 12, 73719}),
    [](const testing::TestParamInfo<FullDisk>& info) {
      return std::string(info.param.unit == 11 ? "Slip_" : "Amp_") +
             std::to_string(info.param.free) + "_bytes_free";
    });

TEST(FileSizeLimit, IsAWriteFailureThatKeepsTheWholeRecords) {
  // SIGXFSZ at its default would end the process in the middle of a row.
  TempDir dir;
  ChildOptions options;
  options.dir = dir.path();
  options.file_size_limit = 100000;
  const RunResult r = run_child(options);
  EXPECT_TRUE(!r.exited && r.signal == SIGABRT) << describe(r);
  EXPECT_EQ(r.err, row_report("write: File too large", 11, "Yoffe_Slip.csv"));
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")),
                        whole_records_within(golden("golden_slip.csv"), 100000)));
}

// ---------------------------------------------------------------------------
// Pipes and FIFOs

TEST(Pipe, StandardOutputWithoutAReaderPassesSilently) {
  // As in `yoffe | head` once head has gone: the run goes on to its end.
  TempDir dir;
  ChildOptions options;
  options.dir = dir.path();
  options.output_without_reader = true;
  const RunResult r = run_child(options);
  EXPECT_TRUE(r.exited && r.status == 0) << describe(r);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Slip.csv")), golden("golden_slip.csv")));
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Amp.csv")), golden("golden_amp.csv")));
}

// A reader of a FIFO, opened before the tool starts.
class FifoReader {
 public:
  explicit FifoReader(const std::string& path) {
    if (mkfifo(path.c_str(), 0644) != 0) throw std::runtime_error("mkfifo failed");
    fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // not the tool's
    if (fd_ < 0) throw std::runtime_error("cannot open the FIFO");
  }
  ~FifoReader() {
    if (reader_.joinable()) reader_.join();
    close_end();
  }
  FifoReader(const FifoReader&) = delete;
  FifoReader& operator=(const FifoReader&) = delete;

  // Reads until `limit` bytes have come or the writer has gone, then closes
  // its end; on a thread of its own.
  void read_then_leave(std::size_t limit) {
    reader_ = std::thread([this, limit] {
      bool had_writer = false;
      for (const auto deadline = std::chrono::steady_clock::now() + 30s;
           text_.size() < limit && std::chrono::steady_clock::now() < deadline;) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0) continue;
        char buffer[4096];
        const ssize_t got = read(fd_, buffer, std::min(sizeof buffer, limit - text_.size()));
        if (got > 0) {
          had_writer = true;
          text_.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 && had_writer) {
          break;  // the writer has gone
        } else if (got == 0) {
          std::this_thread::sleep_for(1ms);  // no writer yet
        }
      }
      close_end();
    });
  }

  // Bytes waiting in the FIFO, unread.
  int held() const {
    int n = 0;
    return ioctl(fd_, FIONREAD, &n) == 0 ? n : -1;
  }

  const std::string& text() {
    if (reader_.joinable()) reader_.join();
    return text_;
  }

 private:
  void close_end() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

  int fd_ = -1;
  std::thread reader_;
  std::string text_;
};

TEST(Fifo, SlipFileReadWholeByItsReader) {
  TempDir dir;
  FifoReader fifo(dir.file("Yoffe_Slip.csv"));
  fifo.read_then_leave(10'000'000);
  ChildOptions options;
  options.dir = dir.path();
  const RunResult r = run_child(options);
  EXPECT_TRUE(r.exited && r.status == 0) << describe(r);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(same_file(fifo.text(), golden("golden_slip.csv")));
  EXPECT_TRUE(same_file(read_file(dir.file("Yoffe_Amp.csv")), golden("golden_amp.csv")));
}

TEST(Fifo, ReaderThatLeavesIsABrokenPipe) {
  TempDir dir;
  FifoReader fifo(dir.file("Yoffe_Slip.csv"));
  fifo.read_then_leave(1000);
  ChildOptions options;
  options.dir = dir.path();
  Child child(options);
  const RunResult r = child.finish(20s);
  EXPECT_TRUE(!r.exited && r.signal == SIGABRT) << describe(r);
  EXPECT_EQ(r.err, row_report("write: Broken pipe", 11, "Yoffe_Slip.csv"));
  EXPECT_EQ(fifo.text(), golden("golden_slip.csv").substr(0, 1000));
  EXPECT_FALSE(file_exists(dir.file("Yoffe_Amp.csv")));
}

TEST(Fifo, WithoutAReaderTheOpenWaitsAndATerminationEndsIt) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("Yoffe_Slip.csv").c_str(), 0644), 0);
  ChildOptions options;
  options.dir = dir.path();
  Child child(options);
  ASSERT_TRUE(child.wait_for_output("stored in Yoffe_Amp.csv\n")) << child.out();
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(child.running());
  child.send(SIGTERM);
  const RunResult r = child.finish(10s);
  EXPECT_TRUE(r.exited && r.status == 1) << describe(r);
  EXPECT_EQ(r.err, "Killed\n");
  EXPECT_FALSE(file_exists(dir.file("Yoffe_Amp.csv")));
}

TEST(Fifo, TerminationWhileTheReaderDoesNotReadEndsAtOnce) {
  // The FIFO is full and its reader stays without reading: the tool waits
  // for it, and a termination request ends the wait and the process; the
  // closing hands over nothing more and does not wait either.
  TempDir dir;
  FifoReader fifo(dir.file("Yoffe_Slip.csv"));
  ChildOptions options;
  options.dir = dir.path();
  Child child(options);
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (fifo.held() < 4096 && child.running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_GE(fifo.held(), 4096) << "the tool wrote nothing into the FIFO";
  std::this_thread::sleep_for(50ms);
  child.send(SIGTERM);
  const RunResult r = child.finish(10s);
  EXPECT_TRUE(r.exited && r.status == 1) << describe(r);
  EXPECT_EQ(r.err, "Killed\n");
}

// ---------------------------------------------------------------------------
// Signals that arrive together

TEST(TwoSignals, AtMostASecondWholeLine) {
  // While the closing prompt waits, a signal that ends the run and an abort
  // from elsewhere microseconds later, at random moments: each message is
  // a whole line, and the first one decides how the process ends.
#ifdef YOFFE_CROSS
  constexpr int kRuns = 15;
#else
  constexpr int kRuns = 60;
#endif
  struct First {
    int signal_number;
    const char* line;
    bool aborts;
  };
  const First firsts[] = {{SIGTERM, "Killed\n", false},
                          {SIGINT, "Interrupt\n", false},
                          {SIGFPE, "Floating Exception\n", true}};
  const std::vector<std::string> lines = {"Killed\n", "Interrupt\n", "Floating Exception\n",
                                          "IOT Trap\n"};
  std::mt19937 random(2026);
  for (int run = 0; run < kRuns; ++run) {
    const First& first = firsts[run % 3];
    const int delay_us = std::uniform_int_distribution<int>(0, 40)(random);
    SCOPED_TRACE("run " + std::to_string(run) + ": " + first.line + " then SIGABRT after " +
                 std::to_string(delay_us) + " us");
    TempDir dir;
    ChildOptions options;
    options.dir = dir.path();
    Child child(options);
    ASSERT_TRUE(child.wait_for_output(" Hit any key to stop\n")) << child.out();
    child.send(first.signal_number);
    const auto sent = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() < sent + std::chrono::microseconds(delay_us)) {
    }
    child.send(SIGABRT);
    const RunResult r = child.finish(10s);
    // One or two lines, each a whole message.
    std::string rest = r.err;
    int count = 0;
    for (; !rest.empty() && count < 3; ++count) {
      const auto line = std::find_if(lines.begin(), lines.end(),
                                     [&](const std::string& l) { return rest.starts_with(l); });
      if (line == lines.end()) break;
      rest.erase(0, line->size());
    }
    EXPECT_TRUE(rest.empty() && count >= 1 && count <= 2) << "standard error: \"" << r.err << "\"";
    if (r.err.starts_with(first.line)) {
      if (first.aborts) {
        EXPECT_TRUE(!r.exited && r.signal == SIGABRT) << describe(r);
      } else {
        EXPECT_TRUE(r.exited && r.status == 1) << describe(r);
      }
    } else {
      EXPECT_TRUE(r.err.starts_with("IOT Trap\n") && !r.exited && r.signal == SIGABRT)
          << describe(r);
    }
  }
}

}  // namespace
