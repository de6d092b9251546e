#include "test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "yoffe-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Restore write permission so that read-only fixtures can be removed.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
    // Never through a symbolic link: it may name a file outside (/dev/full).
    if (entry.is_symlink(ignored)) continue;
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

ScopedChdir::ScopedChdir(const std::string& dir) {
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd) == nullptr) throw std::runtime_error("getcwd failed");
  saved_ = cwd;
  if (chdir(dir.c_str()) != 0) throw std::runtime_error("chdir failed: " + dir);
}

ScopedChdir::~ScopedChdir() {
  if (chdir(saved_.c_str()) != 0) std::abort();
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool file_exists(const std::string& path) {
  return access(path.c_str(), F_OK) == 0;
}

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

RunResult run_yoffe(const std::string& dir, const std::string& input) {
  // In a cross build the tool is a foreign binary that the kernel cannot
  // start by itself: the child runs it through the build's emulator, whose
  // command YOFFE_EMULATOR lists (program and arguments, before the tool).
  std::vector<const char*> command = {
#ifdef YOFFE_EMULATOR
      YOFFE_EMULATOR,
#endif
      YOFFE_BINARY, nullptr};
  TempDir io;
  const std::string in_path = io.file("stdin"), out_path = io.file("stdout"),
                    err_path = io.file("stderr");
  write_file(in_path, input);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int in = open(in_path.c_str(), O_RDONLY);
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || chdir(dir.c_str()) != 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execv(command[0], const_cast<char* const*>(command.data()));
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  RunResult result;
  result.exited = WIFEXITED(status);
  result.status = result.exited ? WEXITSTATUS(status) : -1;
  result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  result.out = read_file(out_path);
  result.err = read_file(err_path);
  return result;
}

}  // namespace testing_support
