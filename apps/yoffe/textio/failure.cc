#include "textio/failure.h"

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "runtime/process.h"
#include "textio/connection.h"
#include "textio/os_file.h"

namespace textio {
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
  write_all(os::standard_error(), text.data(), text.size());
}

// Writes `message` and a line end in one piece, so that no other line can
// come between them.
void write_error_line(std::string_view message) {
  char line[128];
  const std::size_t length = std::min(message.size(), sizeof line - os::line_end.size());
  char* end = std::copy_n(message.data(), length, line);
  end = std::copy(os::line_end.begin(), os::line_end.end(), end);
  write_error(std::string_view(line, static_cast<std::size_t>(end - line)));
}

// Writes a decimal integer to standard error.
void write_error_number(int n) {
  char text[16];
  const auto end = std::to_chars(text, text + sizeof text, n).ptr;
  write_error(std::string_view(text, static_cast<std::size_t>(end - text)));
}

// The first line of the report, chosen by the error code.  Written piece by
// piece, without the heap: the report must come out when memory has run out.
void write_report_line(const char* context, FailureCode code) {
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
  write_error(os::line_end);
}

// The state lines: which unit, which layout, which direction.  The last
// line is completed by terminate_and_abort's " IO".
void write_state_lines() {
  const IoState& state = io_state();
  if (state.current_unit >= 0) {
    const Connection& c = connections()[state.current_unit];
    write_error("apparent state: unit ");
    write_error_number(state.current_unit);
    write_error(" ");
    if (c.name != nullptr) {
      write_error("named ");
      write_error(c.name);
    } else {
      write_error("(unnamed)");
    }
    write_error(os::line_end);
  }
  if (state.layout != nullptr) {
    write_error("last format: ");
    write_error(state.layout);
    write_error(os::line_end);
  }
  write_error("lately ");
  write_error(state.direction);
  write_error(" sequential formatted external");
}

volatile std::sig_atomic_t closing_done = 0;

// Once the process is on its way out, a second signal must not start a
// second report or interrupt the closing: it stays held until the end.
void hold_closing_signals_for_good() {
  runtime::hold_for_good({SIGINT, SIGTERM, SIGFPE, SIGABRT});
}

}  // namespace

void fatal_report(const char* context, FailureCode code) {
  hold_closing_signals_for_good();
  write_report_line(context, code);
  if (io_state().initialized) write_state_lines();
  terminate_and_abort(" IO");
}

void terminate_and_exit(const char* message) {
  hold_closing_signals_for_good();
  write_error_line(message);
  end_of_run_closing();
  runtime::exit_now(1);
}

void terminate_and_abort(const char* message) {
  hold_closing_signals_for_good();
  write_error_line(message);
  end_of_run_closing();
  runtime::abort_now();
}

void end_of_run_closing() {
  if (!io_state().initialized) return;
  // A signal that arrives now neither interrupts the closing half-way nor
  // finds it done before the files are cut.
  const runtime::HeldSignals hold = hold_closing_signals();
  if (closing_done == 0) {
    closing_done = 1;
    close_all_quietly();
  }
}

void silent_stop() {
  std::exit(0);
}

}  // namespace textio
