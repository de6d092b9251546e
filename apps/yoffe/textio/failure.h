// The ways the process ends other than through the run's own end, and the
// report of a failed text I/O statement.
#pragma once

namespace textio {

/// An error code of the fatal report: a platform error number (errno) or
/// one of the system's own codes 100..132 (-1 stands for an end of file).
struct FailureCode {
  int number;
  bool platform;
};
constexpr FailureCode platform_error(int errnum) {
  return {errnum, true};
}
constexpr FailureCode system_error(int code) {
  return {code, false};
}

/// System codes raised by the text I/O.
inline constexpr int kTruncationFailed = 111;  // "truncation failed in endfile"
inline constexpr int kOutOfFreeSpace = 113;    // "out of free space"
inline constexpr int kCannotWriteFile = 127;   // "can't write file"

/// Writes the report of a failed statement to standard error: the error
/// line "context: message", the state of the text I/O, then ends through
/// terminate_and_abort.  Never returns.
[[noreturn]] void fatal_report(const char* context, FailureCode code);

/// Writes `message` and a line end to standard error in one piece, runs the
/// end-of-run closing and ends the process with exit status 1.  Signals
/// that arrive meanwhile stay held.  Async-signal-safe.
[[noreturn]] void terminate_and_exit(const char* message);

/// Writes `message` and a line end to standard error in one piece, runs the
/// end-of-run closing and aborts with the default action of SIGABRT.
/// Signals that arrive meanwhile stay held.  Async-signal-safe.
[[noreturn]] void terminate_and_abort(const char* message);

/// Hands over what the files can take without waiting, cuts them behind
/// their last whole record and closes them, at most once per process;
/// later calls do nothing.  Async-signal-safe.
void end_of_run_closing();

/// Ends the run normally: exit status 0, nothing written.
[[noreturn]] void silent_stop();

}  // namespace textio
