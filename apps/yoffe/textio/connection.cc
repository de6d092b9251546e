#include "textio/connection.h"

#include <cerrno>

#include "runtime/process.h"
#include "textio/os_file.h"

namespace textio {

Connection (&connections())[kUnitCount] {
  static Connection table[kUnitCount];
  return table;
}

IoState& io_state() {
  static IoState state;
  return state;
}

runtime::HeldSignals hold_closing_signals() {
  return runtime::HeldSignals({SIGINT, SIGTERM, SIGFPE, SIGABRT});
}

namespace {

void connect_console(int unit, os::Stream fd, Access access) {
  Connection& c = connections()[unit];
  c = Connection{};
  c.fd = fd;
  c.access = access;
  c.written = access == Access::write;
}

// Length of the whole records at the start of `bytes`: up to the last line
// end among them.
std::size_t whole_records(const char* bytes, std::size_t length) {
  while (length > 0 && bytes[length - 1] != '\n') --length;
  return length;
}

// Sends the pending block of `c` to its file, waiting while the stream is
// full when `wait`, else stopping there with EAGAIN.  Each write and the
// counts it moves happen with the closing signals held; a stream that
// would wait never writes, so a hold never waits.
int send_pending(Connection& c, bool wait) {
  for (;;) {
    {
      const runtime::HeldSignals hold = hold_closing_signals();
      const auto length = static_cast<std::size_t>(c.pending_length);
      const auto sent = static_cast<std::size_t>(c.sent);
      if (sent == length) {
        c.kept += static_cast<os::Offset>(length);
        c.pending_length = 0;
        c.sent = 0;
        return 0;
      }
      const long done = os::write_some(c.fd, c.pending + sent, length - sent);
      if (done > 0) {
        c.sent = static_cast<std::sig_atomic_t>(sent + static_cast<std::size_t>(done));
        continue;
      }
      if (done != -EAGAIN || !wait) {
        // What follows the last whole record in the file is lost; the cut
        // removes any part of a record that went out.
        c.kept += static_cast<os::Offset>(whole_records(c.pending, sent));
        c.pending_length = 0;
        c.sent = 0;
        return static_cast<int>(-done);
      }
    }
    os::wait_until_writable(c.fd);
  }
}

}  // namespace

void init_text_io() {
  connect_console(kErrorUnit, os::standard_error(), Access::write);
  connect_console(kConsoleInput, os::standard_input(), Access::read);
  connect_console(kConsoleOutput, os::standard_output(), Access::write);
  io_state().initialized = true;
}

int write_all(os::Stream s, const char* bytes, std::size_t length) {
  while (length > 0) {
    const long done = os::write_some(s, bytes, length);
    if (done == -EAGAIN) {
      os::wait_until_writable(s);
    } else if (done < 0) {
      return static_cast<int>(-done);
    } else {
      bytes += done;
      length -= static_cast<std::size_t>(done);
    }
  }
  return 0;
}

int hand_over(Connection& c) {
  return send_pending(c, true);
}

int cut_to_kept(Connection& c) {
  os::Offset size = 0;
  if (!c.disk_file) return 0;
  if (const int error = os::file_size(c.fd, size)) return error;
  return c.kept < size ? os::truncate(c.fd, c.kept) : 0;
}

void close_all_quietly() {
  for (Connection& c : connections()) {
    if (c.fd == os::kNoStream) continue;
    if (c.name != nullptr) {
      if (c.written) {
        send_pending(c, false);
        cut_to_kept(c);
      }
      os::close(c.fd);
    }
    c.fd = os::kNoStream;
  }
}

}  // namespace textio
