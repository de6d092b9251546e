#include "test_support.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

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

std::string first_lines(const std::string& text, std::size_t lines) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < lines && end < text.size(); ++i) {
    const std::size_t line_end = text.find('\n', end);
    end = line_end == std::string::npos ? text.size() : line_end + 1;
  }
  return text.substr(0, end);
}

std::string golden(const std::string& name) {
  const std::string path = std::string(YOFFE_TEST_DATA) + "/" + name;
  if (!file_exists(path)) throw std::runtime_error("no golden file " + path);
  return read_file(path);
}

testing::AssertionResult same_file(const std::string& actual, const std::string& expected) {
  if (actual == expected) return testing::AssertionSuccess();
  const auto mismatch =
      std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  const auto at = static_cast<std::size_t>(mismatch.first - actual.begin());
  const std::size_t from = at == 0 ? 0 : expected.rfind('\n', at - 1) + 1;  // npos + 1 is 0
  const auto line = std::count(expected.begin(), expected.begin() + static_cast<long>(from), '\n');
  auto excerpt = [from](const std::string& text) {
    return from >= text.size() ? std::string("(end of file)")
                               : "\"" + text.substr(from, text.find('\n', from) - from) + "\"";
  };
  return testing::AssertionFailure()
         << actual.size() << " bytes where " << expected.size() << " are expected; line "
         << line + 1 << " is " << excerpt(actual) << " where " << excerpt(expected)
         << " is expected";
}

std::string without_emulator_note(const std::string& err) {
#ifdef YOFFE_CROSS
  const std::size_t note = err.find("qemu: uncaught target signal");
  if (note != std::string::npos && (note == 0 || err[note - 1] == '\n')) {
    const std::size_t end = err.find('\n', note);
    return err.substr(0, note) + (end == std::string::npos ? "" : err.substr(end + 1));
  }
#endif
  return err;
}

std::string open_report(const std::string& first_line, int unit, const std::string& name) {
  return first_line + "\napparent state: unit " + std::to_string(unit) + " named " + name +
         "\nlast format: list io\nlately writing sequential formatted external IO\n";
}

std::string row_report(const std::string& first_line, int unit, const std::string& name) {
  return first_line + "\napparent state: unit " + std::to_string(unit) + " named " + name +
         "\nlately writing sequential formatted external IO\n";
}

std::string describe(const RunResult& r) {
  std::string text =
      r.exited ? "exit status " + std::to_string(r.status) : "signal " + std::to_string(r.signal);
  return text + "; stderr: \"" + r.err + "\"";
}

std::vector<std::string> shim_env(const std::string& variable, const std::string& value) {
  std::string asan = "verify_asan_link_order=0";
  if (const char* old = std::getenv("ASAN_OPTIONS"); old != nullptr && *old != '\0') {
    asan = std::string(old) + ":" + asan;
  }
  return {std::string("LD_PRELOAD=") + YOFFE_FAIL_SHIM, variable + "=" + value,
          "ASAN_OPTIONS=" + asan};
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

}  // namespace

Child::Child(const ChildOptions& options) {
  std::signal(SIGPIPE, SIG_IGN);  // writes to a child that has ended
  out_path_ = io_.file("stdout");
  err_path_ = io_.file("stderr");

  // Everything the child needs is prepared before the fork.  In a cross
  // build the child starts the foreign program through the build's
  // emulator, whose command YOFFE_EMULATOR lists.
  std::vector<std::string> argv_text{
#ifdef YOFFE_EMULATOR
      YOFFE_EMULATOR,
#endif
      options.program};
  argv_text.insert(argv_text.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv;
  for (std::string& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_text;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    const bool replaced = std::any_of(options.env.begin(), options.env.end(), [&](auto& extra) {
      return extra.substr(0, extra.find('=')) == name;
    });
    if (!replaced) env_text.push_back(entry);
  }
  env_text.insert(env_text.end(), options.env.begin(), options.env.end());
  std::vector<char*> envp;
  for (std::string& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);
  const bool drop = options.unprivileged && geteuid() == 0;

  int input[2];
  if (pipe2(input, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  int out = -1;
  if (options.output_room > 0 || options.output_without_reader) {
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    output_ = output[0];
    out = output[1];
  }
  if (options.output_without_reader) {
    close(output_);
    output_ = -1;
  } else if (options.output_room > 0) {
    const long page = sysconf(_SC_PAGESIZE);
    if (fcntl(out, F_SETPIPE_SZ, page) != page || options.output_room > std::size_t(page)) {
      throw std::runtime_error("cannot make a pipe of one page");
    }
    filler_ = std::size_t(page) - options.output_room;
    const std::string filler(filler_, '#');
    if (write(out, filler.data(), filler.size()) != static_cast<ssize_t>(filler.size())) {
      throw std::runtime_error("cannot fill the pipe");
    }
  } else {
    out = open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  }
  const int err = open(err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0 || err < 0) throw std::runtime_error("cannot create output files");

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    const int streams[3] = {input[0], out, err};
    for (int fd = 0; fd < 3; ++fd) {
      if (options.closed[fd]) {
        close(fd);
      } else {
        dup2(streams[fd], fd);
      }
    }
    for (int s = 1; s < NSIG; ++s) {
      if (s != SIGKILL && s != SIGSTOP) std::signal(s, SIG_DFL);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (options.ignore_sigint) std::signal(SIGINT, SIG_IGN);
    const rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    if (options.file_size_limit >= 0) {
      const auto limit = static_cast<rlim_t>(options.file_size_limit);
      const rlimit size{limit, limit};
      setrlimit(RLIMIT_FSIZE, &size);
    }
    if (drop && (setgroups(0, nullptr) != 0 || setgid(kNogroup) != 0 || setuid(kNobody) != 0)) {
      _exit(126);
    }
    if (chdir(options.dir.c_str()) != 0) _exit(125);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(input[0]);
  close(out);
  close(err);
  input_ = input[1];
}

Child::~Child() {
  if (!reaped_) {
    kill(pid_, SIGKILL);
    reap(true);
  }
  close_input();
  if (output_ >= 0) close(output_);
}

void Child::write_input(const std::string& text) {
  if (input_ >= 0 && write(input_, text.data(), text.size()) < 0) {
    ADD_FAILURE() << "cannot write to the child's input: " << std::strerror(errno);
  }
}

void Child::close_input() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

std::string Child::out() const {
  return output_ >= 0 ? piped_.substr(std::min(filler_, piped_.size())) : read_file(out_path_);
}

std::string Child::err() const {
  return read_file(err_path_);
}

bool Child::wait_for_output(const std::string& text) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  for (;;) {
    if (out().find(text) != std::string::npos) return true;
    if (output_ >= 0) {
      if (Clock::now() > deadline || read_pipe(10) < 0) return false;
    } else {
      if (!running() || Clock::now() > deadline) return out().find(text) != std::string::npos;
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  }
}

bool Child::wait_for_held_output(std::size_t bytes) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  for (;;) {
    int held = 0;
    if (ioctl(output_, FIONREAD, &held) != 0) return false;
    if (static_cast<std::size_t>(held) >= filler_ + bytes) return true;
    if (!running() || Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
}

void Child::release_output() {
  while (read_pipe(0) > 0) {
  }
}

void Child::send(int signal_number) {
  ASSERT_EQ(kill(pid_, signal_number), 0);
}

bool Child::running() {
  return !reap(false);
}

RunResult Child::finish(std::chrono::seconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!reap(false)) {
    if (Clock::now() > deadline) {
      ADD_FAILURE() << "child still running after " << timeout.count() << " s: killed";
      kill(pid_, SIGKILL);
      reap(true);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  close_input();
  if (output_ >= 0) {
    // The child has ended: the pipe's end comes at once.
    while (read_pipe(1000) > 0) {
    }
  }
  RunResult result;
  result.exited = WIFEXITED(status_);
  result.status = result.exited ? WEXITSTATUS(status_) : -1;
  result.signal = WIFSIGNALED(status_) ? WTERMSIG(status_) : 0;
  result.out = out();
  result.err = without_emulator_note(err());
  return result;
}

bool Child::reap(bool block) {
  if (reaped_) return true;
  int status = 0;
  pid_t done;
  do {
    done = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done == pid_) {
    reaped_ = true;
    status_ = status;
  }
  return reaped_;
}

int Child::read_pipe(int ms) {
  pollfd p{output_, POLLIN, 0};
  const int ready = poll(&p, 1, ms);
  if (ready == 0 || (ready < 0 && errno == EINTR)) return 0;
  char buffer[4096];
  const ssize_t got = ready > 0 ? read(output_, buffer, sizeof buffer) : -1;
  if (got <= 0) return -1;
  piped_.append(buffer, static_cast<std::size_t>(got));
  return 1;
}

RunResult run_child(const ChildOptions& options, const std::string& input) {
  Child child(options);
  child.write_input(input);
  child.close_input();
  return child.finish();
}

RunResult run_yoffe(const std::string& dir, const std::string& input) {
  ChildOptions options;
  options.dir = dir;
  return run_child(options, input);
}

}  // namespace testing_support
