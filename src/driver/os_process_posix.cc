// Process services on a POSIX host: sigaction, sigprocmask, fesetenv.
#include <signal.h>
#include <unistd.h>

#include <cfenv>
#include <cstring>

#include "driver/os_process.h"

namespace driver::os {
namespace {

sigset_t set_of(std::initializer_list<int> signals) {
  sigset_t set;
  sigemptyset(&set);
  for (int s : signals) sigaddset(&set, s);
  return set;
}

}  // namespace

void prepare_process() {}

void reset_floating_point() {
  std::fesetenv(FE_DFL_ENV);
}

void install_handler(int signal_number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
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

}  // namespace driver::os
