// Helpers shared by the tests: temporary directories, whole files, and
// runs of the built tool in a child process.
#pragma once

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

/// How a child process ended and what it wrote.
struct RunResult {
  bool exited = false;  // ended through exit; else killed by `signal`
  int status = -1;      // exit status when `exited`
  int signal = 0;       // terminating signal otherwise
  std::string out;      // standard output
  std::string err;      // standard error
};

/// Runs the built yoffe in `dir` with `input` on standard input (empty:
/// input at its end at once), capturing both output streams.
RunResult run_yoffe(const std::string& dir, const std::string& input = "");

}  // namespace testing_support
