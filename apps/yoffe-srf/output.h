// An output file of yoffe-srf, written whole or not at all.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "yoffe/srf.hpp"

namespace srf_tool {

/// A yoffe::srf::ReplacedFile whose failures are Failure(kIoFailure,
/// "cannot write TARGET: REASON"), and whose temporary file a stopped
/// command (SIGINT, SIGTERM, SIGHUP) removes before it ends.
class OutputFile {
 public:
  /// Creates the temporary file or opens the target in place.  Throws
  /// Failure(kIoFailure, "cannot write TARGET: REASON") when it cannot.
  explicit OutputFile(const std::string& target);

  /// Closes the file, and removes the temporary file unless committed.
  /// Never fails.
  ~OutputFile();

  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  /// A stream onto the file, unbuffered: a write that fails sets its
  /// badbit and is recorded for check().  Never fails.
  std::ostream& stream() noexcept { return file_->stream(); }

  /// Writes text to the file.  Throws Failure(kIoFailure, ...) naming the
  /// target when the write fails, or an earlier one did.
  void write(std::string_view text);

  /// Throws Failure(kIoFailure, "cannot write TARGET: REASON") when a write
  /// has failed; does nothing otherwise.
  void check() const;

  /// Checks the writes, flushes the file to the disk, closes it and
  /// renames it over the target.  Throws Failure(kIoFailure, "cannot write
  /// TARGET: REASON") when one of them failed.
  void commit();

 private:
  std::string target_;
  std::unique_ptr<yoffe::srf::ReplacedFile> file_;
};

}  // namespace srf_tool
