#include "driver/failure.h"

#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "driver/os_process.h"
#include "textio/connection.h"
#include "textio/os_file.h"

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
void write_error(std::string_view text) {
  textio::write_all(textio::os::standard_error(), text.data(), text.size());
}

// Writes a decimal integer to standard error.
void write_error_number(int n) {
  char text[16];
  const auto end = std::to_chars(text, text + sizeof text, n).ptr;
  write_error(std::string_view(text, static_cast<std::size_t>(end - text)));
}

// The first line of the report, chosen by the error code.  Written piece by
// piece, without the heap: the report must come out when memory has run out.
void write_error_line(const char* context, FailureCode code) {
  write_error(context);
  write_error(": ");
  const int n = code.number;
  if (code.platform || (n >= 0 && n < kFirstSystemCode)) {
    write_error(std::strerror(n));
  } else if (n >= kFirstSystemCode && n <= kLastSystemCode) {
    write_error(kSystemMessages[n - kFirstSystemCode]);
  } else if (n == -1) {
    write_error("end of file");
  } else {
    write_error("illegal error number ");
    write_error_number(n);
  }
  write_error(textio::os::line_end);
}

// The state lines: which unit, which layout, which direction.  The last
// line is completed by terminate_and_abort's " IO".
void write_state_lines() {
  const textio::IoState& state = textio::io_state();
  if (state.current_unit >= 0) {
    const textio::Connection& c = textio::connections()[state.current_unit];
    write_error("apparent state: unit ");
    write_error_number(state.current_unit);
    write_error(" ");
    if (c.name != nullptr) {
      write_error("named ");
      write_error(c.name);
    } else {
      write_error("(unnamed)");
    }
    write_error(textio::os::line_end);
  }
  if (state.layout != nullptr) {
    write_error("last format: ");
    write_error(state.layout);
    write_error(textio::os::line_end);
  }
  write_error("lately ");
  write_error(state.direction);
  write_error(" sequential formatted external");
}

volatile std::sig_atomic_t closing_done = 0;

// Once the process is on its way out, a second signal must not start a
// second report or interrupt the closing: it stays pending until the end.
void hold_closing_signals() {
  os::hold_for_good({SIGINT, SIGTERM, SIGFPE});
}

}  // namespace

void fatal_report(const char* context, FailureCode code) {
  // A signal must not cut into the report: it waits until the process ends.
  hold_closing_signals();
  write_error_line(context, code);
  if (textio::io_state().initialized) write_state_lines();
  terminate_and_abort(" IO");
}

void terminate_and_exit(const char* message) {
  hold_closing_signals();
  write_error(message);
  write_error(textio::os::line_end);
  end_of_run_closing();
  os::exit_now(1);
}

void terminate_and_abort(const char* message) {
  hold_closing_signals();
  write_error(message);
  write_error(textio::os::line_end);
  end_of_run_closing();
  std::signal(SIGABRT, SIG_DFL);
  std::abort();
}

void end_of_run_closing() {
  if (!textio::io_state().initialized) return;
  // Hold back the signals whose handlers close files, so that a signal that
  // arrives now neither interrupts the closing half-way nor finds it done.
  // An abort from elsewhere is held too: its handler would find the closing
  // marked done and abort before the file is cut.
  const os::HeldSignals hold({SIGINT, SIGTERM, SIGFPE, SIGABRT});
  if (closing_done == 0) {
    closing_done = 1;
    textio::close_all_quietly();
  }
}

void silent_stop() {
  std::exit(0);
}

}  // namespace driver
