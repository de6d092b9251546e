#include "driver/startup.h"

#include <csignal>
#include <cstdlib>

#include "driver/failure.h"
#include "driver/os_process.h"
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

extern "C" void closing_at_exit() {
  end_of_run_closing();
}

}  // namespace

void start_up() {
  os::prepare_process();
  os::reset_floating_point();
  os::install_handler(SIGFPE, on_floating_point_exception);
  os::install_handler(SIGABRT, on_abort);
  // A process started with interrupts ignored keeps ignoring them.
  if (!os::is_ignored(SIGINT)) os::install_handler(SIGINT, on_interrupt);
  os::install_handler(SIGTERM, on_termination);
  textio::init_text_io();
  std::atexit(closing_at_exit);
}

}  // namespace driver
