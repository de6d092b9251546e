// File services on a POSIX host: plain file descriptors, line feed line
// ends, the cut with ftruncate.  Streams that are not disk files are
// written non-blocking, so that neither a FIFO nor a device ever holds the
// tool in a write.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "textio/os_file.h"

namespace textio::os {
namespace {

// Whether `name` exists as something other than a disk file.
bool names_other_than_disk_file(const char* name, mode_t& mode) {
  struct stat info;
  if (stat(name, &info) != 0 || S_ISREG(info.st_mode)) return false;
  mode = info.st_mode;
  return true;
}

// A stream that is not a disk file never makes a write wait.
Stream without_waiting(int fd) {
  struct stat info;
  if (fd >= 0 && fstat(fd, &info) == 0 && !S_ISREG(info.st_mode)) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  return fd;
}

}  // namespace

const std::string_view line_end = "\n";

Stream standard_input() {
  return STDIN_FILENO;
}
Stream standard_output() {
  return STDOUT_FILENO;
}
Stream standard_error() {
  return STDERR_FILENO;
}

Stream open_for_update(const char* name) {
  mode_t mode = 0;
  if (!names_other_than_disk_file(name, mode)) return open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  // For writing only: a FIFO opened for reading too would be its own
  // reader, which never goes, and would hold the tool once full.  The open
  // of a FIFO waits for its reader; the writes never wait.
  return without_waiting(open(name, O_WRONLY | O_NOCTTY | O_CLOEXEC));
}

Stream open_for_reading(const char* name) {
  mode_t mode = 0;
  if (names_other_than_disk_file(name, mode)) {
    errno = S_ISDIR(mode) ? EISDIR : ENXIO;
    return kNoStream;
  }
  return open(name, O_RDONLY | O_NOCTTY | O_CLOEXEC);
}

Stream create_for_writing(const char* name) {
  return without_waiting(open(name, O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY | O_CLOEXEC, 0666));
}

bool is_disk_file(Stream s) {
  struct stat info;
  return fstat(s, &info) == 0 && S_ISREG(info.st_mode);
}

long write_some(Stream s, const char* bytes, std::size_t length) {
  for (;;) {
    const ssize_t done = write(s, bytes, length);
    if (done > 0) return done;
    if (done == 0) return -EIO;
    if (errno != EINTR) return -errno;
  }
}

void wait_until_writable(Stream s) {
  pollfd p{s, POLLOUT, 0};
  while (poll(&p, 1, -1) < 0 && errno == EINTR) {
  }
}

int file_size(Stream s, Offset& size) {
  struct stat info;
  if (fstat(s, &info) != 0) return errno;
  size = static_cast<Offset>(info.st_size);
  return 0;
}

int truncate(Stream s, Offset length) {
  return ftruncate(s, static_cast<off_t>(length)) == 0 ? 0 : errno;
}

int close(Stream s) {
  return ::close(s) == 0 ? 0 : errno;
}

int read_byte(Stream s, char& ch) {
  for (;;) {
    const ssize_t got = read(s, &ch, 1);
    if (got < 0 && errno == EINTR) continue;
    return got > 0 ? 1 : static_cast<int>(got);
  }
}

}  // namespace textio::os
