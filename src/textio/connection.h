// The connection table and the I/O state that failure reports read.
//
// A connection is a stream plus the little state that the text statements
// keep.  Records bound for a named file are collected in the connection's
// pending buffer and handed to the file in blocks; `pending_length` only
// ever covers whole records, so whatever ends the process (a signal
// included) can hand over or drop the pending bytes without splitting a row.
#pragma once

#include <csignal>
#include <cstddef>

#include "textio/os_file.h"

namespace textio {

/// Unit numbers of the system's connections.
inline constexpr int kErrorUnit = 0;
inline constexpr int kConsoleInput = 5;
inline constexpr int kConsoleOutput = 6;
inline constexpr int kSlipUnit = 11;
inline constexpr int kAmpUnit = 12;
inline constexpr int kUnitCount = 100;

enum class Access { update, write, read };

struct Connection {
  bool connected = false;
  os::Stream fd = os::kNoStream;  // the platform's stream; none once closed
  const char* name = nullptr;     // file name; none for the console streams
  bool name_owned = false;        // `name` is the connection's own copy
  bool written = false;
  Access access = Access::write;
  bool seekable = false;    // the stream is not an interactive terminal
  bool positional = false;  // records can be written at an explicit offset
  bool end_of_input = false;
  char* pending = nullptr;  // whole records not yet handed to the file
  std::size_t pending_capacity = 0;
  volatile std::sig_atomic_t pending_length = 0;
  os::Offset flushed = 0;  // bytes of this run's records already in the file
};

/// What the text I/O was last doing, for the fatal report.
struct IoState {
  bool initialized = false;
  int current_unit = -1;
  const char* layout = nullptr;  // "list io" while a layout text is set
  const char* direction = "writing";
};

/// The process-wide table, indexed by unit number.
Connection (&connections())[kUnitCount];
IoState& io_state();

/// Connects units 0, 5 and 6 to the standard streams and sets the
/// initialized mark.
void init_text_io();

/// Hands the pending records of a file connection to its file.  Returns 0,
/// or the platform error number of a failed write.  Async-signal-safe.
int flush_pending(Connection& c);

/// Cuts the file behind the records written by this run when it is longer.
/// Returns 0, or the platform error number of the failure.  Async-signal-safe.
int cut_to_written_length(Connection& c);

/// Writes all `length` bytes to `fd`, retrying after interruptions and
/// partial writes.  Returns 0 or the platform error number.  Async-signal-safe.
int write_all(os::Stream fd, const char* bytes, std::size_t length);

/// Flushes, cuts and closes every connection, ignoring every failure, and
/// releases every slot; console streams are only flushed.  Async-signal-safe;
/// used by the end-of-run closing.
void close_all_quietly();

}  // namespace textio
