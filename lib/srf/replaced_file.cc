// A file replaced whole: mkstemp beside the target, every write checked,
// fsync and close, then rename over the target.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <streambuf>
#include <system_error>

#include "yoffe/srf.hpp"

namespace yoffe::srf {

namespace {

[[noreturn]] void fail(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

// Each write straight to the file descriptor, its first failure's errno
// kept.
class Descriptor : public std::streambuf {
 public:
  int fd = -1;
  int error = 0;

  bool put(const char* text, std::size_t n) {
    while (n > 0 && error == 0) {
      const ssize_t written = ::write(fd, text, n);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        error = written < 0 ? errno : ENOSPC;
        break;
      }
      text += written;
      n -= static_cast<std::size_t>(written);
    }
    return error == 0;
  }

 protected:
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    return put(text, static_cast<std::size_t>(n)) ? n : 0;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char one = traits_type::to_char_type(c);
    return put(&one, 1) ? c : traits_type::eof();
  }
};

// The file a symbolic link names, for a link to a regular file; the
// target itself otherwise.
std::string replaced_name(const std::string& target) {
  struct stat link {};
  if (::lstat(target.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return target;
  char* real = ::realpath(target.c_str(), nullptr);
  if (real == nullptr) return target;
  std::string name = real;
  std::free(real);
  return name;
}

}  // namespace

struct ReplacedFile::File {
  std::string replaced;   // the target, or the file its link names
  std::string temporary;  // empty when the target is written in place
  Descriptor descriptor;
  std::ostream stream{&descriptor};
  bool committed = false;
};

ReplacedFile::ReplacedFile(const std::string& target) : file_(std::make_unique<File>()) {
  File& f = *file_;
  struct stat status {};
  const bool exists = ::stat(target.c_str(), &status) == 0;
  if (exists && !S_ISREG(status.st_mode)) {
    f.descriptor.fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (f.descriptor.fd < 0) fail(errno, target);
    return;
  }
  f.replaced = exists ? replaced_name(target) : target;
  std::string pattern = f.replaced + ".XXXXXX";
  f.descriptor.fd = ::mkstemp(pattern.data());
  if (f.descriptor.fd < 0) fail(errno, target);
  f.temporary = pattern;
  mode_t mode = status.st_mode & 07777;
  if (!exists) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(f.descriptor.fd, mode) != 0) {
    const int error = errno;
    ::close(f.descriptor.fd);
    ::unlink(f.temporary.c_str());
    fail(error, target);
  }
}

ReplacedFile::~ReplacedFile() {
  File& f = *file_;
  if (f.descriptor.fd >= 0) ::close(f.descriptor.fd);
  if (!f.committed && !f.temporary.empty()) ::unlink(f.temporary.c_str());
}

std::ostream& ReplacedFile::stream() noexcept { return file_->stream; }

int ReplacedFile::error() const noexcept { return file_->descriptor.error; }

const std::string& ReplacedFile::temporary() const noexcept { return file_->temporary; }

void ReplacedFile::commit() {
  File& f = *file_;
  if (f.descriptor.error != 0) fail(f.descriptor.error, "write");
  const int fd = f.descriptor.fd;
  f.descriptor.fd = -1;
  // The data on the disk before the new name points at it: a crash just
  // after the rename leaves the new file whole, not empty.
  int error = 0;
  if (!f.temporary.empty() && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) fail(error, "close");
  if (!f.temporary.empty() && std::rename(f.temporary.c_str(), f.replaced.c_str()) != 0) {
    fail(errno, "rename");
  }
  f.committed = true;
}

}  // namespace yoffe::srf
