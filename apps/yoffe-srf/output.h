// An output file of yoffe-srf, written whole or not at all.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace srf_tool {

/// A file written whole or not at all: the text goes to a temporary file
/// beside the target, TARGET.XXXXXX, that commit() renames over the
/// target; a file not committed is removed, and the target stays as it
/// was.  A target that exists and is not a regular file (a device such as
/// /dev/null, a pipe) is written in place instead.
class OutputFile {
 public:
  /// Creates the temporary file (with the target's permissions where the
  /// target exists) or opens the target in place.  Throws
  /// Failure(kIoFailure, "cannot write TARGET: REASON") when it cannot.
  explicit OutputFile(const std::string& target);

  /// Closes the file, and removes the temporary file unless committed.
  /// Never fails.
  ~OutputFile();

  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  /// A stream onto the file, unbuffered: a write that fails sets its
  /// badbit and is recorded for check().  Never fails.
  std::ostream& stream() noexcept { return stream_; }

  /// Writes text to the file.  Throws Failure(kIoFailure, ...) naming the
  /// target when the write fails, or an earlier one did.
  void write(std::string_view text);

  /// Throws Failure(kIoFailure, "cannot write TARGET: REASON") when a write
  /// has failed; does nothing otherwise.
  void check() const;

  /// Checks the writes, flushes the temporary file to the disk (fsync),
  /// closes it and renames it over the target.  Throws
  /// Failure(kIoFailure, ...) naming the target when a write, the flush,
  /// the close or the rename failed (the temporary file is then removed by
  /// the destructor).
  void commit();

 private:
  // Each write straight to the file descriptor, its first failure's errno
  // kept.
  class Buffer : public std::streambuf {
   public:
    int fd = -1;
    int error = 0;
    bool put(const char* text, std::size_t n);

   protected:
    std::streamsize xsputn(const char* text, std::streamsize n) override;
    int_type overflow(int_type c) override;
  };

  std::string target_;
  std::string temporary_;  // empty when the target is written in place
  Buffer buffer_;
  std::ostream stream_;
  bool committed_ = false;
};

}  // namespace srf_tool
