// File services on Windows: Win32 handles, carriage return + line feed line
// ends written out by the records themselves, and the cut with
// SetEndOfFile.  Writes to pipes wait for their reader as Windows makes
// them; a pipe whose reader has gone fails with EPIPE.
//
// The C runtime's descriptors are not used for the text streams.  Its text
// mode would turn each line feed into two bytes behind the records' back,
// so that byte counts and file offsets would part; and each of its
// descriptors carries a lock, which the interrupt handler (it runs on a
// console-control thread of its own while the main thread is held still)
// could find taken for ever.  A handle has no such lock.
#include <windows.h>

#include <cerrno>

#include "textio/os_file.h"

namespace textio::os {
namespace {

HANDLE handle_of(Stream s) {
  return LongToHandle(s);
}

Stream stream_of(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? kNoStream : HandleToLong(h);
}

// The C runtime's error number for a Win32 error, so that a failed open is
// reported in the runtime's words ("Permission denied", ...).
int errno_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_CANNOT_MAKE:
    case ERROR_DRIVE_LOCKED:
      return EACCES;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_QUOTA:
      return ENOMEM;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
      return EPIPE;
    case ERROR_INVALID_HANDLE:
      return EBADF;
    default:
      return EINVAL;
  }
}

Stream open_file(const char* name, DWORD access, DWORD disposition) {
  const HANDLE h = CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) errno = errno_of(GetLastError());
  return stream_of(h);
}

// One WriteFile moves at most this many bytes.
constexpr std::size_t kLargestWrite = 1u << 30;

}  // namespace

const std::string_view line_end = "\r\n";

Stream standard_input() {
  return stream_of(GetStdHandle(STD_INPUT_HANDLE));
}
Stream standard_output() {
  return stream_of(GetStdHandle(STD_OUTPUT_HANDLE));
}
Stream standard_error() {
  return stream_of(GetStdHandle(STD_ERROR_HANDLE));
}

Stream open_for_update(const char* name) {
  return open_file(name, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
}

Stream open_for_reading(const char* name) {
  // Without FILE_FLAG_BACKUP_SEMANTICS a directory does not open at all.
  return open_file(name, GENERIC_READ, OPEN_EXISTING);
}

Stream create_for_writing(const char* name) {
  return open_file(name, GENERIC_WRITE, CREATE_ALWAYS);
}

bool is_disk_file(Stream s) {
  return GetFileType(handle_of(s)) == FILE_TYPE_DISK;
}

long write_some(Stream s, const char* bytes, std::size_t length) {
  DWORD done = 0;
  const auto chunk = static_cast<DWORD>(length < kLargestWrite ? length : kLargestWrite);
  if (!WriteFile(handle_of(s), bytes, chunk, &done, nullptr)) return -errno_of(GetLastError());
  return done > 0 ? static_cast<long>(done) : -EIO;
}

void wait_until_writable(Stream) {}

int file_size(Stream s, Offset& size) {
  LARGE_INTEGER length;
  if (!GetFileSizeEx(handle_of(s), &length)) return errno_of(GetLastError());
  size = length.QuadPart;
  return 0;
}

int truncate(Stream s, Offset length) {
  LARGE_INTEGER at;
  at.QuadPart = length;
  if (!SetFilePointerEx(handle_of(s), at, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_of(s))) {
    return errno_of(GetLastError());
  }
  return 0;
}

int close(Stream s) {
  return CloseHandle(handle_of(s)) ? 0 : errno_of(GetLastError());
}

int read_byte(Stream s, char& ch) {
  for (;;) {
    DWORD got = 0;
    SetLastError(ERROR_SUCCESS);  // a read of nothing that succeeds sets no error
    const BOOL ok = ReadFile(handle_of(s), &ch, 1, &got, nullptr);
    if (ok && got == 1) return 1;
    const DWORD error = GetLastError();
    // Ctrl+C at a console ends the read with nothing; the interrupt itself
    // is handled on its own thread, so the read simply goes on, as after
    // an interrupted system call on a POSIX host.
    if (error == ERROR_OPERATION_ABORTED) continue;
    if (ok || error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
    return -1;
  }
}

}  // namespace textio::os
