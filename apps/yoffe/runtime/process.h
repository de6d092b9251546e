// The platform's process services: the standard descriptors, the
// floating-point reset, processor exceptions as signals, signal handlers,
// holding signals back around updates that a handler must not see half
// done, and the immediate ends of the process.  process_posix.cc and
// process_windows.cc implement them.
//
// On a POSIX host a handler interrupts the thread that runs the system and
// a held signal stays pending in the kernel.  On Windows the interrupt
// (Ctrl+C) is handled on a console-control thread of its own while the
// main thread goes on; there the interrupt's thread first stops the main
// thread, waiting for it to leave any hold, so that the handler again sees
// a still and consistent state, as on POSIX.
#pragma once

#include <initializer_list>

namespace runtime {

/// Windows: installs the process-wide handler of unhandled exceptions that
/// turns an access violation into SIGSEGV and a floating-point fault or an
/// integer division by zero into SIGFPE, and notes the main thread.  POSIX
/// hosts: nothing to do, the kernel delivers these signals itself.
void prepare_process();

/// Connects each of the standard streams that the process was started
/// without (POSIX: descriptors 0, 1 and 2) to the null device, so that no
/// file opened later takes the place of a console stream.  Windows: the
/// handles of absent streams stay absent; writes to them fail quietly.
void open_standard_streams();

/// Resets the floating-point unit to the platform's default: round to
/// nearest, double precision, every exception masked.
void reset_floating_point();

/// Makes a write that fails report its error instead of ending the process
/// by a signal: a pipe whose reader has gone (SIGPIPE) and a file-size
/// limit (SIGXFSZ) are ignored.  Nothing to do on Windows.
void ignore_write_signals();

/// Installs `handler` for `signal_number`; while it runs, `held` are held
/// back from its first instruction on (its own signal always is).
void install_handler(int signal_number, void (*handler)(int), std::initializer_list<int> held);

/// Whether `signal_number` is ignored now (as the parent may have left it).
bool is_ignored(int signal_number);

/// Holds back `signals` for as long as it lives, then restores what was
/// held before.  Holds nest.  Safe in a signal handler.
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

/// Restores the default action of SIGABRT and aborts: the process ends
/// abnormally, whatever handler SIGABRT had.  Safe in a signal handler.
[[noreturn]] void abort_now();

}  // namespace runtime
