// File services on a POSIX host: plain file descriptors, line feed line
// ends, positional writes with pwrite and the cut with ftruncate.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "textio/os_file.h"

namespace textio::os {

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
  return open(name, O_RDWR);
}

Stream open_for_reading(const char* name) {
  const int fd = open(name, O_RDONLY);
  struct stat info;
  if (fd >= 0 && fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    // A directory opens for reading but can never take a record.
    ::close(fd);
    errno = EISDIR;
    return kNoStream;
  }
  return fd;
}

Stream create_for_writing(const char* name) {
  return open(name, O_WRONLY | O_CREAT | O_TRUNC, 0666);
}

bool can_write_at(Stream s) {
  return lseek(s, 0, SEEK_CUR) >= 0;
}

bool is_terminal(Stream s) {
  return isatty(s) != 0;
}

int write_all(Stream s, const char* bytes, std::size_t length) {
  while (length > 0) {
    const ssize_t done = write(s, bytes, length);
    if (done < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes += done;
    length -= static_cast<std::size_t>(done);
  }
  return 0;
}

int write_at(Stream s, const char* bytes, std::size_t length, Offset offset) {
  while (length > 0) {
    const ssize_t done = pwrite(s, bytes, length, static_cast<off_t>(offset));
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

int file_size(Stream s, Offset& size, bool& regular) {
  struct stat info;
  if (fstat(s, &info) != 0) return errno;
  size = static_cast<Offset>(info.st_size);
  regular = S_ISREG(info.st_mode);
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
