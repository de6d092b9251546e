#include "driver/failure.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "textio/connection.h"

namespace driver {
namespace {

// Messages of the system's own error codes 100..132.
constexpr const char* kSystemMessages[] = {
    "error in format",                         // 100
    "illegal unit number",                     // 101
    "formatted io not allowed",                // 102
    "unformatted io not allowed",              // 103
    "direct io not allowed",                   // 104
    "sequential io not allowed",               // 105
    "can't backspace file",                    // 106
    "null file name",                          // 107
    "can't stat file",                         // 108
    "unit not connected",                      // 109
    "off end of record",                       // 110
    "truncation failed in endfile",            // 111
    "incomprehensible list input",             // 112
    "out of free space",                       // 113
    "unit not connected",                      // 114
    "read unexpected character",               // 115
    "bad logical input field",                 // 116
    "bad variable type",                       // 117
    "bad namelist name",                       // 118
    "variable not in namelist",                // 119
    "no end record",                           // 120
    "variable count incorrect",                // 121
    "subscript for scalar variable",           // 122
    "invalid array section",                   // 123
    "substring out of bounds",                 // 124
    "subscript out of bounds",                 // 125
    "can't read file",                         // 126
    "can't write file",                        // 127
    "'new' file exists",                       // 128
    "can't append to file",                    // 129
    "non-positive record number",              // 130
    "I/O started while already doing I/O",     // 131
    "Temporary file name (TMPDIR?) too long",  // 132
};
constexpr int kFirstSystemCode = 100;
constexpr int kLastSystemCode = 132;

// Standard error is unbuffered: each piece goes straight out.
void write_error(const char* text) {
  textio::write_all(STDERR_FILENO, text, std::strlen(text));
}

// The first line of the report, chosen by the error code.
std::string error_line(const char* context, FailureCode code) {
  std::string line = context;
  line += ": ";
  const int n = code.number;
  if (code.platform || (n >= 0 && n < kFirstSystemCode)) {
    line += std::strerror(n);
  } else if (n >= kFirstSystemCode && n <= kLastSystemCode) {
    line += kSystemMessages[n - kFirstSystemCode];
  } else if (n == -1) {
    line += "end of file";
  } else {
    line += "illegal error number " + std::to_string(n);
  }
  return line + "\n";
}

// The state lines: which unit, which layout, which direction.  The last
// line is completed by terminate_and_abort's " IO".
std::string state_lines() {
  const textio::IoState& state = textio::io_state();
  std::string lines;
  if (state.current_unit >= 0) {
    const textio::Connection& c = textio::connections()[state.current_unit];
    lines += "apparent state: unit " + std::to_string(state.current_unit) + " ";
    lines += c.name != nullptr ? std::string("named ") + c.name : std::string("(unnamed)");
    lines += "\n";
  }
  if (state.layout != nullptr) lines += std::string("last format: ") + state.layout + "\n";
  lines += std::string("lately ") + state.direction + " sequential formatted external";
  return lines;
}

volatile std::sig_atomic_t closing_done = 0;

}  // namespace

void fatal_report(const char* context, FailureCode code) {
  write_error(error_line(context, code).c_str());
  if (textio::io_state().initialized) write_error(state_lines().c_str());
  terminate_and_abort(" IO");
}

void terminate_and_exit(const char* message) {
  write_error(message);
  write_error("\n");
  end_of_run_closing();
  _exit(1);
}

void terminate_and_abort(const char* message) {
  write_error(message);
  write_error("\n");
  end_of_run_closing();
  std::signal(SIGABRT, SIG_DFL);
  std::abort();
}

void end_of_run_closing() {
  if (!textio::io_state().initialized) return;
  // Hold back the signals whose handlers close files, so that a signal that
  // arrives now neither interrupts the closing half-way nor finds it done.
  sigset_t blocked, saved;
  sigemptyset(&blocked);
  for (int s : {SIGINT, SIGTERM, SIGFPE}) sigaddset(&blocked, s);
  sigprocmask(SIG_BLOCK, &blocked, &saved);
  if (closing_done == 0) {
    closing_done = 1;
    textio::close_all_quietly();
  }
  sigprocmask(SIG_SETMASK, &saved, nullptr);
}

void silent_stop() {
  std::exit(0);
}

}  // namespace driver
