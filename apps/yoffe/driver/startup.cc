#include "driver/startup.h"

#include <csignal>
#include <cstdlib>

#include "runtime/process.h"
#include "textio/connection.h"
#include "textio/failure.h"

namespace driver {
namespace {

// Each handler ends the process; none returns.
extern "C" void on_floating_point_exception(int) {
  textio::terminate_and_abort("Floating Exception");
}
extern "C" void on_abort(int) {
  textio::terminate_and_abort("IOT Trap");
}
extern "C" void on_interrupt(int) {
  textio::terminate_and_exit("Interrupt");
}
extern "C" void on_termination(int) {
  textio::terminate_and_exit("Killed");
}

extern "C" void closing_at_exit() {
  textio::end_of_run_closing();
}

// Installs `handler`; from its first instruction on, none of the four
// signals can start a second handler.
void install(int signal_number, void (*handler)(int)) {
  runtime::install_handler(signal_number, handler, {SIGFPE, SIGABRT, SIGINT, SIGTERM});
}

}  // namespace

void start_up() {
  // Before anything is opened: a data file must never take the descriptor
  // of a console stream that the process was started without.
  runtime::open_standard_streams();
  runtime::prepare_process();
  runtime::reset_floating_point();
  runtime::ignore_write_signals();
  install(SIGFPE, on_floating_point_exception);
  install(SIGABRT, on_abort);
  // A process started with interrupts ignored keeps ignoring them.
  if (!runtime::is_ignored(SIGINT)) install(SIGINT, on_interrupt);
  install(SIGTERM, on_termination);
  textio::init_text_io();
  std::atexit(closing_at_exit);
}

}  // namespace driver
