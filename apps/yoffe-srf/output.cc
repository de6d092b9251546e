// The output file: the library's replaced file, its failures as the
// command's, and its temporary file removed by the stopping signals.
#include "output.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <system_error>

#include "table.h"

namespace srf_tool {

namespace {

// The temporary file being written, for the signal handler: a stopped
// command (SIGINT, SIGTERM, SIGHUP) leaves no temporary file behind.  The
// handler takes only async-signal-safe calls: unlink, signal, raise.
char pending[4096];
volatile sig_atomic_t has_pending = 0;

extern "C" void remove_pending(int signal_number) {
  if (has_pending != 0) ::unlink(pending);
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

constexpr int kStopping[] = {SIGINT, SIGTERM, SIGHUP};

// The stopping signals, held back from the moment a temporary file may
// exist until its name is known to the handler.
class HeldSignals {
 public:
  HeldSignals() {
    static const bool installed = [] {
      for (const int s : kStopping) {
        struct sigaction action {};
        action.sa_handler = remove_pending;
        sigemptyset(&action.sa_mask);
        ::sigaction(s, &action, nullptr);
      }
      return true;
    }();
    (void)installed;
    sigset_t stopping;
    sigemptyset(&stopping);
    for (const int s : kStopping) sigaddset(&stopping, s);
    ::pthread_sigmask(SIG_BLOCK, &stopping, &before_);
  }
  ~HeldSignals() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  sigset_t before_;
};

// Called with the signals held.
void watch(const std::string& temporary) {
  has_pending = 0;
  if (!temporary.empty() && temporary.size() < sizeof pending) {
    temporary.copy(pending, temporary.size());
    pending[temporary.size()] = '\0';
    has_pending = 1;
  }
}

}  // namespace

OutputFile::OutputFile(const std::string& target) : target_(target) {
  const HeldSignals held;
  try {
    file_ = std::make_unique<yoffe::srf::ReplacedFile>(target);
  } catch (const std::system_error& e) {
    throw Failure(kIoFailure, "cannot write " + target + ": " + std::strerror(e.code().value()));
  }
  watch(file_->temporary());
}

OutputFile::~OutputFile() {
  file_.reset();
  has_pending = 0;
}

void OutputFile::write(std::string_view text) {
  file_->stream().write(text.data(), static_cast<std::streamsize>(text.size()));
  check();
}

void OutputFile::check() const {
  if (file_->error() != 0) {
    throw Failure(kIoFailure, "cannot write " + target_ + ": " + std::strerror(file_->error()));
  }
}

void OutputFile::commit() {
  try {
    file_->commit();
  } catch (const std::system_error& e) {
    throw Failure(kIoFailure, "cannot write " + target_ + ": " + std::strerror(e.code().value()));
  }
  has_pending = 0;
}

}  // namespace srf_tool
