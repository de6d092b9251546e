// Helpers shared by the tests: temporary directories, whole files, golden
// comparisons, and runs of the built tool (or a helper program) in a child
// process.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace testing_support {

/// A fresh directory under the system's temporary directory, removed with
/// everything in it when the object goes.  The process's working directory
/// is not changed.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

/// Changes the working directory for the lifetime of the object.
class ScopedChdir {
 public:
  explicit ScopedChdir(const std::string& dir);
  ~ScopedChdir();
  ScopedChdir(const ScopedChdir&) = delete;
  ScopedChdir& operator=(const ScopedChdir&) = delete;

 private:
  std::string saved_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& content);
bool file_exists(const std::string& path);
std::vector<std::string> split_lines(const std::string& text);
/// The first `lines` lines of `text`, line ends included.
std::string first_lines(const std::string& text, std::size_t lines);

/// A golden output of the fixed run, checked in under tests/data:
/// "golden_slip.csv" (Yoffe_Slip.csv), "golden_amp.csv" (Yoffe_Amp.csv) or
/// "golden_console.txt" (the console with standard input at its end).
std::string golden(const std::string& name);

/// Whether `actual` is `expected`; on a difference it names the first
/// differing line and both versions of it, and the sizes.
testing::AssertionResult same_file(const std::string& actual, const std::string& expected);

/// The fatal report of a failed open of `name` on `unit` (after a console
/// record, so with its layout line), and of a failed data row or close.
std::string open_report(const std::string& first_line, int unit, const std::string& name);
std::string row_report(const std::string& first_line, int unit, const std::string& name);

/// How a child process ended and what it wrote.
struct RunResult {
  bool exited = false;  // ended through exit; else killed by `signal`
  int status = -1;      // exit status when `exited`
  int signal = 0;       // terminating signal otherwise
  std::string out;      // standard output
  std::string err;      // standard error
};

/// `err` without the line that user-mode emulation (cross builds) adds to
/// standard error when the program it runs ends by a signal.
std::string without_emulator_note(const std::string& err);

/// "exit status N" or "signal N", and what the child wrote to standard error.
std::string describe(const RunResult& r);

/// How a child starts.  By default: the built tool, standard input a pipe
/// that the test holds open, standard output and standard error in files.
struct ChildOptions {
  std::string program = YOFFE_BINARY;
  std::vector<std::string> args;
  std::string dir;               // working directory of the child
  std::vector<std::string> env;  // "NAME=value", replacing or adding
  bool ignore_sigint = false;    // SIGINT ignored across the exec
  bool unprivileged = false;     // run as nobody when the tests run as root
  // When not 0: standard output goes through a pipe of one page that holds
  // only this many bytes until the test reads it, so that the child stops
  // in the console write that does not fit.
  std::size_t output_room = 0;
  bool output_without_reader = false;      // standard output a pipe whose reader has gone
  bool closed[3] = {false, false, false};  // descriptors 0, 1, 2 closed at the start
  long file_size_limit = -1;               // RLIMIT_FSIZE in bytes, when not -1
};

/// The environment entries that preload the failure shim (tests/fail_shim.cc)
/// with `variable` set to `value`.
std::vector<std::string> shim_env(const std::string& variable, const std::string& value);

/// A child process.  Every child is bounded in time: one still running
/// after the timeout of finish() is killed and the test fails.
class Child {
 public:
  explicit Child(const ChildOptions& options);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  void write_input(const std::string& text);
  void close_input();
  /// Standard output so far (through a pipe: what has been read of it).
  std::string out() const;
  std::string err() const;
  /// Waits until standard output contains `text`; false when the child ends
  /// or the time is up first.
  bool wait_for_output(const std::string& text);
  /// Output through a pipe: waits until the child has written `bytes` bytes
  /// to it, without reading them (the child stays held by the full pipe).
  bool wait_for_held_output(std::size_t bytes);
  /// Output through a pipe: reads what it holds, which lets the child go on.
  void release_output();
  void send(int signal_number);
  bool running();
  /// Waits for the end of the child, at most `timeout`, and collects what
  /// it wrote.
  RunResult finish(std::chrono::seconds timeout = std::chrono::seconds(30));

 private:
  bool reap(bool block);
  int read_pipe(int ms);

  TempDir io_;
  int output_ = -1;
  std::size_t filler_ = 0;  // bytes put in the pipe before the child's own
  std::string piped_;
  std::string out_path_, err_path_;
  int pid_ = -1;
  int input_ = -1;
  bool reaped_ = false;
  int status_ = 0;
};

/// Runs a child to its end with `input` on standard input, then its end.
RunResult run_child(const ChildOptions& options, const std::string& input = "");

/// Runs the built tool in `dir` with `input` on standard input.
RunResult run_yoffe(const std::string& dir, const std::string& input = "");

}  // namespace testing_support
