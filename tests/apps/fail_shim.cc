// An LD_PRELOAD interposer for the termination tests: it makes chosen
// platform calls fail on chosen files, so that the fatal reports of failures
// that a real disk hardly ever produces can be seen in a whole process.
//
//   YOFFE_TEST_FAIL_TRUNCATE=NAME  ftruncate of a file whose path ends in
//                                  "/NAME" fails with EIO, nothing cut;
//   YOFFE_TEST_FAIL_CLOSE=NAME     close of such a file closes it, then
//                                  reports EIO (as a deferred write error
//                                  of a network file system does);
//   YOFFE_TEST_ABORT_IN_TRUNCATE=NAME
//                                  ftruncate of such a file first sends
//                                  SIGABRT to the process (an abort from
//                                  elsewhere arriving in the middle of a
//                                  cut), then cuts;
//   YOFFE_TEST_FULL_DISK=NAME:BYTES
//                                  the disk under such a file is full at
//                                  BYTES: a write (or pwrite) that would
//                                  reach beyond writes what fits, and one
//                                  that starts there fails with ENOSPC.
//
// Every other call goes straight to the kernel.  The shim is built without
// sanitizers; under AddressSanitizer the child needs
// ASAN_OPTIONS=verify_asan_link_order=0.
#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

// Whether `fd` refers to a file whose path ends in "/" + the value of the
// environment variable `variable`.
bool names_chosen_file(int fd, const char* variable) {
  const char* wanted = getenv(variable);
  if (wanted == nullptr || *wanted == '\0') return false;
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char path[PATH_MAX];
  const ssize_t length = readlink(link, path, sizeof path - 1);
  if (length <= 0) return false;
  path[length] = '\0';
  const size_t n = static_cast<size_t>(length), w = strlen(wanted);
  return n > w && path[n - w - 1] == '/' && strcmp(path + n - w, wanted) == 0;
}

int fail_with(int error) {
  errno = error;
  return -1;
}

// The size at which the disk under `fd` is full, or -1 when it is not.
off_t full_disk_size(int fd) {
  const char* setting = getenv("YOFFE_TEST_FULL_DISK");
  if (setting == nullptr) return -1;
  const char* colon = strrchr(setting, ':');
  if (colon == nullptr) return -1;
  char name[256];
  const size_t length = static_cast<size_t>(colon - setting);
  if (length == 0 || length >= sizeof name) return -1;
  memcpy(name, setting, length);
  name[length] = '\0';
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char path[PATH_MAX];
  const ssize_t n = readlink(link, path, sizeof path - 1);
  if (n <= 0) return -1;
  path[n] = '\0';
  const size_t p = static_cast<size_t>(n);
  if (p <= length || path[p - length - 1] != '/' || strcmp(path + p - length, name) != 0) {
    return -1;
  }
  return static_cast<off_t>(atoll(colon + 1));
}

// The bytes of a write of `count` at `offset` that fit before `full`; -1
// with errno ENOSPC when none do.
ssize_t fitting(off_t full, off_t offset, size_t count) {
  if (full < 0 || offset + static_cast<off_t>(count) <= full) return static_cast<ssize_t>(count);
  if (offset >= full) return fail_with(ENOSPC);
  return static_cast<ssize_t>(full - offset);
}

}  // namespace

extern "C" {

int ftruncate(int fd, off_t length) noexcept {
  if (names_chosen_file(fd, "YOFFE_TEST_FAIL_TRUNCATE")) return fail_with(EIO);
  if (names_chosen_file(fd, "YOFFE_TEST_ABORT_IN_TRUNCATE")) kill(getpid(), SIGABRT);
  return static_cast<int>(syscall(SYS_ftruncate, fd, length));
}

int ftruncate64(int fd, off64_t length) noexcept {
  if (names_chosen_file(fd, "YOFFE_TEST_FAIL_TRUNCATE")) return fail_with(EIO);
  if (names_chosen_file(fd, "YOFFE_TEST_ABORT_IN_TRUNCATE")) kill(getpid(), SIGABRT);
  return static_cast<int>(syscall(SYS_ftruncate, fd, length));
}

ssize_t write(int fd, const void* bytes, size_t count) {
  const off_t full = full_disk_size(fd);
  if (full >= 0) {
    const ssize_t n = fitting(full, lseek(fd, 0, SEEK_CUR), count);
    if (n <= 0) return n;
    count = static_cast<size_t>(n);
  }
  return syscall(SYS_write, fd, bytes, count);
}

ssize_t pwrite(int fd, const void* bytes, size_t count, off_t offset) {
  const ssize_t n = fitting(full_disk_size(fd), offset, count);
  if (n <= 0) return n;
  return syscall(SYS_pwrite64, fd, bytes, static_cast<size_t>(n), offset);
}

ssize_t pwrite64(int fd, const void* bytes, size_t count, off64_t offset) {
  return pwrite(fd, bytes, count, offset);
}

int close(int fd) {
  const bool fail = names_chosen_file(fd, "YOFFE_TEST_FAIL_CLOSE");
  const int result = static_cast<int>(syscall(SYS_close, fd));
  if (fail && result == 0) return fail_with(EIO);
  return result;
}

}  // extern "C"
