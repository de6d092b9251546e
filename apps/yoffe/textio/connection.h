// The connection table and the I/O state that failure reports read.
//
// A connection is a stream plus the little state that the text statements
// keep.  Records bound for a named file are collected in the connection's
// pending block and handed to the file a block at a time.  `pending_length`
// only ever covers whole records, and the hand-over moves its counts with
// the signals that close files held back, so whatever ends the process (a
// signal included) finds whole records, knows which of them reached the
// file, and can cut the file behind the last of them.
#pragma once

#include <csignal>
#include <cstddef>

#include "runtime/process.h"
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
  os::Stream fd = os::kNoStream;  // none while the unit is released
  const char* name = nullptr;     // the file's name; none for the console streams
  bool written = false;
  Access access = Access::write;
  bool disk_file = false;  // cut at the close; else never cut
  bool end_of_input = false;
  char* pending = nullptr;  // whole records not yet in the file
  std::size_t pending_capacity = 0;
  volatile std::sig_atomic_t pending_length = 0;
  volatile std::sig_atomic_t sent = 0;  // of those, the bytes already in the file
  os::Offset kept = 0;                  // this run's bytes in the file before the pending block
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

/// Holds back the signals whose handlers end the process through the
/// closing (SIGINT, SIGTERM, SIGFPE, SIGABRT) for as long as it lives.
runtime::HeldSignals hold_closing_signals();

/// Connects units 0, 5 and 6 to the standard streams and sets the
/// initialized mark.
void init_text_io();

/// Writes all `length` bytes to a console stream, waiting while it is
/// full.  Returns 0 or the platform error number.  Async-signal-safe.
int write_all(os::Stream s, const char* bytes, std::size_t length);

/// Hands the pending records of a file connection to its file, waiting
/// while the stream is full.  Returns 0, or the platform error number of a
/// failed write; the records after the last whole one that reached the file
/// are then dropped, and `kept` ends at that record.
int hand_over(Connection& c);

/// Flushes what it can without waiting, cuts and closes every connection,
/// ignoring every failure, and releases every slot; console streams are
/// written record by record and need nothing.  Async-signal-safe; used by
/// the end-of-run closing.
void close_all_quietly();

/// Cuts a disk file behind the last whole record of this run, when it is
/// longer.  Returns 0, or the platform error number.  Async-signal-safe.
int cut_to_kept(Connection& c);

}  // namespace textio
