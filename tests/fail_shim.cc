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
//                                  cut), then cuts.
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

int close(int fd) {
  const bool fail = names_chosen_file(fd, "YOFFE_TEST_FAIL_CLOSE");
  const int result = static_cast<int>(syscall(SYS_close, fd));
  if (fail && result == 0) return fail_with(EIO);
  return result;
}

}  // extern "C"
