// Process services on a POSIX host: sigaction, sigprocmask, fesetenv.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cfenv>
#include <cstdlib>
#include <cstring>

#include "runtime/process.h"

namespace runtime {
namespace {

sigset_t set_of(std::initializer_list<int> signals) {
  sigset_t set;
  sigemptyset(&set);
  for (int s : signals) sigaddset(&set, s);
  return set;
}

}  // namespace

void prepare_process() {}

void open_standard_streams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    // The lowest free descriptor is `fd` itself: those below are open.
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0 && null != fd) close(null);
  }
}

void reset_floating_point() {
  std::fesetenv(FE_DFL_ENV);
}

void ignore_write_signals() {
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
}

void install_handler(int signal_number, void (*handler)(int), std::initializer_list<int> held) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_mask = set_of(held);
  sigaction(signal_number, &action, nullptr);
}

bool is_ignored(int signal_number) {
  struct sigaction current {};
  sigaction(signal_number, nullptr, &current);
  return current.sa_handler == SIG_IGN;
}

HeldSignals::HeldSignals(std::initializer_list<int> signals) {
  static_assert(sizeof(sigset_t) <= sizeof(saved_));
  const sigset_t held = set_of(signals);
  sigset_t saved;
  sigprocmask(SIG_BLOCK, &held, &saved);
  std::memcpy(saved_, &saved, sizeof saved);
}

HeldSignals::~HeldSignals() {
  sigset_t saved;
  std::memcpy(&saved, saved_, sizeof saved);
  sigprocmask(SIG_SETMASK, &saved, nullptr);
}

void hold_for_good(std::initializer_list<int> signals) {
  const sigset_t held = set_of(signals);
  sigprocmask(SIG_BLOCK, &held, nullptr);
}

void exit_now(int status) {
  _exit(status);
}

void abort_now() {
  signal(SIGABRT, SIG_DFL);
  std::abort();
}

}  // namespace runtime
