#include "textio/connection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace textio {

Connection (&connections())[kUnitCount] {
  static Connection table[kUnitCount];
  return table;
}

IoState& io_state() {
  static IoState state;
  return state;
}

namespace {

void connect_console(int unit, int fd, bool written) {
  Connection& c = connections()[unit];
  c = Connection{};
  c.fd = fd;
  c.written = written;
  c.access = unit == kConsoleInput ? Access::read : Access::write;
  c.seekable = isatty(fd) == 0;
  c.connected = true;
}

// Writes `length` bytes at `offset`; the same call may be repeated after an
// interruption with the same effect, which keeps a closing that runs in a
// signal handler from duplicating or splitting records.
int write_at(int fd, const char* bytes, std::size_t length, off_t offset) {
  while (length > 0) {
    const ssize_t done = pwrite(fd, bytes, length, offset);
    if (done < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes += done;
    length -= static_cast<std::size_t>(done);
    offset += done;
  }
  return 0;
}

// Blocks the signals whose handlers close files, for the few instructions
// in which the offset and the pending length of a connection change together.
class SignalGuard {
 public:
  SignalGuard() {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int s : {SIGINT, SIGTERM, SIGFPE, SIGABRT}) sigaddset(&blocked, s);
    sigprocmask(SIG_BLOCK, &blocked, &saved_);
  }
  ~SignalGuard() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
  SignalGuard(const SignalGuard&) = delete;
  SignalGuard& operator=(const SignalGuard&) = delete;

 private:
  sigset_t saved_;
};

}  // namespace

void init_text_io() {
  connect_console(kErrorUnit, STDERR_FILENO, true);
  connect_console(kConsoleInput, STDIN_FILENO, false);
  connect_console(kConsoleOutput, STDOUT_FILENO, true);
  io_state().initialized = true;
}

int write_all(int fd, const char* bytes, std::size_t length) {
  while (length > 0) {
    const ssize_t done = write(fd, bytes, length);
    if (done < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes += done;
    length -= static_cast<std::size_t>(done);
  }
  return 0;
}

int flush_pending(Connection& c) {
  const auto length = static_cast<std::size_t>(c.pending_length);
  if (length == 0 || c.fd < 0) return 0;
  const int error = c.positional ? write_at(c.fd, c.pending, length, c.flushed)
                                 : write_all(c.fd, c.pending, length);
  if (error != 0) return error;
  SignalGuard guard;
  c.flushed += static_cast<off_t>(length);
  c.pending_length = 0;
  return 0;
}

int cut_to_written_length(Connection& c) {
  struct stat info;
  if (fstat(c.fd, &info) != 0) return errno;
  if (!c.seekable || !S_ISREG(info.st_mode) || c.flushed >= info.st_size) return 0;
  return ftruncate(c.fd, c.flushed) == 0 ? 0 : errno;
}

void close_all_quietly() {
  for (Connection& c : connections()) {
    if (!c.connected) continue;
    if (c.fd >= 0 && c.name != nullptr) {
      if (c.written) {
        // A failed hand-over leaves `flushed` at the last whole record
        // known to be in the file; the cut removes anything after it.
        flush_pending(c);
        cut_to_written_length(c);
      }
      close(c.fd);
    }
    // Console streams are written record by record: nothing waits in them.
    c.connected = false;
    c.fd = -1;
  }
}

}  // namespace textio
