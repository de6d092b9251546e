#include "textio/connection.h"

#include <csignal>

#include "driver/os_process.h"
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

namespace {

void connect_console(int unit, os::Stream fd, bool written) {
  Connection& c = connections()[unit];
  c = Connection{};
  c.fd = fd;
  c.written = written;
  c.access = unit == kConsoleInput ? Access::read : Access::write;
  c.seekable = !os::is_terminal(fd);
  c.connected = true;
}

}  // namespace

void init_text_io() {
  connect_console(kErrorUnit, os::standard_error(), true);
  connect_console(kConsoleInput, os::standard_input(), false);
  connect_console(kConsoleOutput, os::standard_output(), true);
  io_state().initialized = true;
}

int write_all(os::Stream fd, const char* bytes, std::size_t length) {
  return os::write_all(fd, bytes, length);
}

int flush_pending(Connection& c) {
  const auto length = static_cast<std::size_t>(c.pending_length);
  if (length == 0 || c.fd == os::kNoStream) return 0;
  // A positional write may be repeated with the same effect, which keeps a
  // closing that interrupts it from duplicating or splitting records.
  const int error = c.positional ? os::write_at(c.fd, c.pending, length, c.flushed)
                                 : os::write_all(c.fd, c.pending, length);
  if (error != 0) return error;
  // The offset and the pending length change together: the handlers that
  // close files are held back for these few instructions.
  driver::os::HeldSignals hold({SIGINT, SIGTERM, SIGFPE, SIGABRT});
  c.flushed += static_cast<os::Offset>(length);
  c.pending_length = 0;
  return 0;
}

int cut_to_written_length(Connection& c) {
  os::Offset size = 0;
  bool regular = false;
  if (const int error = os::file_size(c.fd, size, regular)) return error;
  if (!c.seekable || !regular || c.flushed >= size) return 0;
  return os::truncate(c.fd, c.flushed);
}

void close_all_quietly() {
  for (Connection& c : connections()) {
    if (!c.connected) continue;
    if (c.fd != os::kNoStream && c.name != nullptr) {
      if (c.written) {
        // A failed hand-over leaves `flushed` at the last whole record
        // known to be in the file; the cut removes anything after it.
        flush_pending(c);
        cut_to_written_length(c);
      }
      os::close(c.fd);
    }
    // Console streams are written record by record: nothing waits in them.
    c.connected = false;
    c.fd = os::kNoStream;
  }
}

}  // namespace textio
