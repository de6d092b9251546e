// The platform's file services, as the text statements use them.
//
// Everything that differs between a POSIX host and Windows in how bytes
// reach a file or the console lives behind this small interface:
// os_file_posix.cc works on file descriptors, os_file_windows.cc on Win32
// handles.  On Windows the streams are used without the C runtime's text
// translation, and every record carries its carriage return + line feed
// itself, so that a count of bytes written is also a file offset: the
// positional writes and the cut at the close depend on that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace textio::os {

/// A stream as the platform names it: a file descriptor on POSIX hosts, a
/// Win32 handle on Windows (whose 32 low bits are all that is significant,
/// so it fits an int).  kNoStream names none.
using Stream = int;
inline constexpr Stream kNoStream = -1;

/// A position in, or a length of, a file.
using Offset = std::int64_t;

/// The bytes that end every text record: line feed on POSIX hosts,
/// carriage return + line feed on Windows.
extern const std::string_view line_end;

/// The standard streams of the process.
Stream standard_input();
Stream standard_output();
Stream standard_error();

/// Opens an existing file for reading and writing, without cutting it.
/// Returns kNoStream with errno set when that fails.
Stream open_for_update(const char* name);

/// Opens an existing file for reading only.  A directory counts as a
/// failure: it can never take a record.  Returns kNoStream with errno set.
Stream open_for_reading(const char* name);

/// Creates the file empty (or empties it) for writing.  Returns kNoStream
/// with errno set.
Stream create_for_writing(const char* name);

/// Whether writes can name their offset (the stream is a disk file).
bool can_write_at(Stream s);

/// Whether the stream is an interactive terminal (a character device).
bool is_terminal(Stream s);

/// Writes all `length` bytes at the stream's position, retrying after
/// interruptions and partial writes.  Returns 0 or the platform error
/// number.  Safe in a signal handler.
int write_all(Stream s, const char* bytes, std::size_t length);

/// Writes all `length` bytes at `offset`.  Repeating the same call has the
/// same effect, which lets a closing that interrupts a write hand the same
/// records over again.  Returns 0 or the platform error number.  Safe in a
/// signal handler.
int write_at(Stream s, const char* bytes, std::size_t length, Offset offset);

/// Sets `size` to the length of the file and `regular` to whether it is an
/// ordinary disk file.  Returns 0 or the platform error number.  Safe in a
/// signal handler.
int file_size(Stream s, Offset& size, bool& regular);

/// Cuts the file at `length`.  Returns 0 or the platform error number.
/// Safe in a signal handler.
int truncate(Stream s, Offset length);

/// Closes the stream.  Returns 0 or the platform error number.  Safe in a
/// signal handler.
int close(Stream s);

/// Reads one byte.  Returns 1 with `ch` set, 0 at the end of the input, -1
/// on a read error.  Interruptions are retried.
int read_byte(Stream s, char& ch);

}  // namespace textio::os
