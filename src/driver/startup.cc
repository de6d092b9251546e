#include "driver/startup.h"

#include <cfenv>
#include <csignal>
#include <cstdlib>

#include "driver/failure.h"
#include "textio/connection.h"

namespace driver {
namespace {

// Each handler ends the process; none returns.
extern "C" void on_floating_point_exception(int) {
  terminate_and_abort("Floating Exception");
}
extern "C" void on_abort(int) {
  terminate_and_abort("IOT Trap");
}
extern "C" void on_interrupt(int) {
  terminate_and_exit("Interrupt");
}
extern "C" void on_termination(int) {
  terminate_and_exit("Killed");
}

void install(int signal_number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
}

bool ignored_at_start(int signal_number) {
  struct sigaction current {};
  sigaction(signal_number, nullptr, &current);
  return current.sa_handler == SIG_IGN;
}

extern "C" void closing_at_exit() {
  end_of_run_closing();
}

}  // namespace

void start_up() {
  std::fesetenv(FE_DFL_ENV);
  install(SIGFPE, on_floating_point_exception);
  install(SIGABRT, on_abort);
  // A process started with interrupts ignored keeps ignoring them.
  if (!ignored_at_start(SIGINT)) install(SIGINT, on_interrupt);
  install(SIGTERM, on_termination);
  textio::init_text_io();
  std::atexit(closing_at_exit);
}

}  // namespace driver
