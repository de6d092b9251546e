// The platform's file services, as the text statements use them.
//
// Everything that differs between a POSIX host and Windows in how bytes
// reach a file or the console lives behind this small interface:
// os_file_posix.cc works on file descriptors, os_file_windows.cc on Win32
// handles.  On Windows the streams are used without the C runtime's text
// translation, and every record carries its carriage return + line feed
// itself, so that a count of bytes written is also a file offset: the cut
// at the close depends on that.
//
// A stream is either a disk file, written from its start and cut at its
// close, or something else (a pipe, a FIFO, a device, a terminal), which
// is never cut and, on a POSIX host, never makes a write wait: a write
// that would wait fails with EAGAIN, and wait_until_writable waits.
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

/// Opens an existing file for writing without cutting it: a disk file for
/// reading and writing, anything else for writing only (a FIFO without a
/// reader fails with ENXIO).  Returns kNoStream with errno set on failure.
Stream open_for_update(const char* name);

/// Opens an existing disk file for reading only.  Anything else (a
/// directory, a FIFO) counts as a failure: it could never take a record.
/// Returns kNoStream with errno set.
Stream open_for_reading(const char* name);

/// Creates the file empty (or empties it) for writing.  Returns kNoStream
/// with errno set.
Stream create_for_writing(const char* name);

/// Whether the stream is a disk file.
bool is_disk_file(Stream s);

/// Writes at most `length` (> 0) bytes once, retrying after interruptions.
/// Returns the count written (> 0), or minus the platform error number:
/// -EAGAIN when the stream cannot take a byte now.  Safe in a signal
/// handler.
long write_some(Stream s, const char* bytes, std::size_t length);

/// Waits until a stream whose write failed with EAGAIN can take bytes.
void wait_until_writable(Stream s);

/// Sets `size` to the length of the file.  Returns 0 or the platform error
/// number.  Safe in a signal handler.
int file_size(Stream s, Offset& size);

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
