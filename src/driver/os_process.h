// The platform's process services, as start-up and termination use them:
// the floating-point reset, processor exceptions as signals, signal
// handlers, holding signals back around updates that a handler must not
// see half done, and the immediate exit.  os_process_posix.cc and
// os_process_windows.cc implement them.
//
// On a POSIX host a handler interrupts the thread that runs the system and
// a held signal stays pending in the kernel.  On Windows the interrupt
// (Ctrl+C) is handled on a console-control thread of its own while the
// main thread goes on; there the interrupt's thread first stops the main
// thread, waiting for it to leave any hold, so that the handler again sees
// a still and consistent state, as on POSIX.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace driver::os {

/// Windows: installs the process-wide handler of unhandled exceptions that
/// turns an access violation into SIGSEGV and a floating-point fault or an
/// integer division by zero into SIGFPE, and notes the main thread.  POSIX
/// hosts: nothing to do, the kernel delivers these signals itself.
void prepare_process();

/// Resets the floating-point unit to the platform's default: round to
/// nearest, double precision, every exception masked.
void reset_floating_point();

/// Installs `handler` for `signal_number`.
void install_handler(int signal_number, void (*handler)(int));

/// Whether `signal_number` is ignored now (as the parent may have left it).
bool is_ignored(int signal_number);

/// Holds back `signals` for as long as it lives, then restores what was
/// held before.  Holds nest.
class HeldSignals {
 public:
  explicit HeldSignals(std::initializer_list<int> signals);
  ~HeldSignals();
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  // The signal mask before the hold (POSIX hosts); room for any sigset_t.
  alignas(8) unsigned char saved_[128];
};

/// Holds back `signals` until the process ends.  Safe in a signal handler.
void hold_for_good(std::initializer_list<int> signals);

/// Ends the process at once with `status`: no functions registered with
/// atexit, no flushing of the C library's streams.  Safe in a signal
/// handler.
[[noreturn]] void exit_now(int status);

}  // namespace driver::os
