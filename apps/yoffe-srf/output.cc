// The output file: mkstemp beside the target, every write and the close
// checked, then rename over the target.
#include "output.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "table.h"

namespace srf_tool {

namespace {

// The temporary file being written, for the signal handler: a stopped
// command (SIGINT, SIGTERM, SIGHUP) leaves no temporary file behind.  The
// handler takes only async-signal-safe calls: unlink, signal, raise.
char pending[4096];
volatile sig_atomic_t has_pending = 0;

extern "C" void remove_pending(int signal_number) {
  if (has_pending != 0) ::unlink(pending);
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

void watch(const std::string& temporary) {
  static const bool installed = [] {
    for (const int s : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction action {};
      action.sa_handler = remove_pending;
      sigemptyset(&action.sa_mask);
      ::sigaction(s, &action, nullptr);
    }
    return true;
  }();
  (void)installed;
  has_pending = 0;
  if (temporary.size() < sizeof pending) {
    temporary.copy(pending, temporary.size());
    pending[temporary.size()] = '\0';
    has_pending = 1;
  }
}

void unwatch() {
  has_pending = 0;
}

}  // namespace

bool OutputFile::Buffer::put(const char* text, std::size_t n) {
  while (n > 0 && error == 0) {
    const ssize_t written = ::write(fd, text, n);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error = written < 0 ? errno : ENOSPC;
      break;
    }
    text += written;
    n -= static_cast<std::size_t>(written);
  }
  return error == 0;
}

std::streamsize OutputFile::Buffer::xsputn(const char* text, std::streamsize n) {
  return put(text, static_cast<std::size_t>(n)) ? n : 0;
}

OutputFile::Buffer::int_type OutputFile::Buffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char one = traits_type::to_char_type(c);
  return put(&one, 1) ? c : traits_type::eof();
}

OutputFile::OutputFile(const std::string& target) : target_(target), stream_(&buffer_) {
  struct stat status {};
  const bool exists = ::stat(target.c_str(), &status) == 0;
  if (exists && !S_ISREG(status.st_mode)) {
    buffer_.fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
  } else {
    std::string pattern = target + ".XXXXXX";
    buffer_.fd = ::mkstemp(pattern.data());
    if (buffer_.fd >= 0) {
      temporary_ = pattern;
      watch(temporary_);
      mode_t mode = status.st_mode & 07777;
      if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
      }
      if (::fchmod(buffer_.fd, mode) != 0) {
        const int error = errno;
        ::close(buffer_.fd);
        ::unlink(temporary_.c_str());
        throw Failure(kIoFailure, "cannot write " + target + ": " + std::strerror(error));
      }
    }
  }
  if (buffer_.fd < 0) {
    throw Failure(kIoFailure, "cannot write " + target + ": " + std::strerror(errno));
  }
}

OutputFile::~OutputFile() {
  if (buffer_.fd >= 0) ::close(buffer_.fd);
  if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
  if (!temporary_.empty()) unwatch();
}

void OutputFile::write(std::string_view text) {
  buffer_.put(text.data(), text.size());
  check();
}

void OutputFile::check() const {
  if (buffer_.error != 0) {
    throw Failure(kIoFailure, "cannot write " + target_ + ": " + std::strerror(buffer_.error));
  }
}

void OutputFile::commit() {
  check();
  const int fd = buffer_.fd;
  buffer_.fd = -1;
  // The data on the disk before the new name points at it: a crash just
  // after the rename leaves the new file whole, not empty.
  int error = 0;
  if (!temporary_.empty() && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    throw Failure(kIoFailure, "cannot write " + target_ + ": " + std::strerror(error));
  }
  if (!temporary_.empty() && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    unwatch();
    throw Failure(kIoFailure,
                  "cannot rename " + temporary_ + " to " + target_ + ": " + std::strerror(errno));
  }
  committed_ = true;
  unwatch();
}

}  // namespace srf_tool
