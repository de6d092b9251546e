#include "textio/records.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/failure.h"
#include "textio/connection.h"
#include "textio/number_text.h"

namespace textio {
namespace {

using driver::fatal_report;
using driver::platform_error;
using driver::system_error;

// List-directed records end before an item that would take them to this.
constexpr std::size_t kLineLength = 80;
// Size of the block in which records reach a named file.
constexpr std::size_t kPendingCapacity = 64 * 1024;
constexpr const char* kListLayout = "list io";

// The record being built; reused from record to record.
std::string& record() {
  static std::string buffer = [] {
    std::string b;
    b.reserve(400);
    return b;
  }();
  return buffer;
}

// Selects `unit` for a write and makes its stream writable; a read-only
// file is reopened for update at its first write.
Connection& select_for_writing(int unit) {
  IoState& state = io_state();
  state.current_unit = unit;
  state.direction = "writing";
  Connection& c = connections()[unit];
  if (!c.written) {
    if (c.access == Access::read) {
      const int fd = open(c.name, O_RDWR);
      if (fd < 0) fatal_report("list output start", system_error(driver::kCannotWriteFile));
      close(c.fd);
      c.fd = fd;
      c.access = Access::update;
    }
    c.written = true;
  }
  return c;
}

// Appends the record and a line end to the file's pending block, handing
// the block over first when the record would not fit.
void hand_to_file(Connection& c, const std::string& text) {
  const std::size_t length = text.size() + 1;
  if (static_cast<std::size_t>(c.pending_length) + length > c.pending_capacity) {
    if (const int error = flush_pending(c)) fatal_report("write", platform_error(error));
  }
  if (length > c.pending_capacity) {
    // A record larger than the block goes out through a block of its own.
    std::string line = text + '\n';
    char* saved = c.pending;
    c.pending = line.data();
    c.pending_length = static_cast<std::sig_atomic_t>(line.size());
    const int error = flush_pending(c);
    c.pending = saved;
    if (error != 0) fatal_report("write", platform_error(error));
    return;
  }
  char* end = c.pending + c.pending_length;
  std::memcpy(end, text.data(), text.size());
  end[text.size()] = '\n';
  // The bytes are in place before the length that makes them visible to a
  // closing that runs in a signal handler.
  std::atomic_signal_fence(std::memory_order_release);
  c.pending_length = static_cast<std::sig_atomic_t>(c.pending_length + length);
}

// Ends the record: it goes to its stream in one piece with its line end.
void end_record(Connection& c) {
  std::string& text = record();
  if (c.name != nullptr) {
    hand_to_file(c, text);
  } else {
    text += '\n';
    write_all(c.fd, text.data(), text.size());  // console errors pass unnoticed
  }
  text.clear();
}

// Measure of an item for the line-length rule.
std::size_t measure(const Item& item) {
  switch (item.kind()) {
    case Item::Kind::text:
      return item.text().size();
    case Item::Kind::real:
      return list_double_length(item.real());
    case Item::Kind::integer: {
      // Digits only: the blank and the minus are not counted.
      std::size_t digits = 1;
      for (std::int64_t v = std::abs(static_cast<std::int64_t>(item.integer())); v >= 10; v /= 10) {
        ++digits;
      }
      return digits;
    }
  }
  return 0;
}

void place_item(std::string& out, const Item& item) {
  switch (item.kind()) {
    case Item::Kind::text:
      if (out.empty()) out += ' ';
      out += item.text();
      break;
    case Item::Kind::real:
      append_list_double(out, item.real());
      break;
    case Item::Kind::integer:
      append_list_integer(out, item.integer());
      break;
  }
}

// Walks a template; returns false once a value field finds no value left.
bool walk(std::string& out, RowTemplate layout, std::span<const double>& values) {
  for (const RowElement& e : layout) {
    switch (e.kind) {
      case RowElement::Kind::literal:
        out += e.text;
        break;
      case RowElement::Kind::fixed:
      case RowElement::Kind::exponent:
        if (values.empty()) return false;
        if (e.kind == RowElement::Kind::fixed) {
          append_fixed_field(out, values.front(), e.width, e.digits);
        } else {
          append_exponent_field(out, values.front(), e.width, e.digits);
        }
        values = values.subspan(1);
        break;
      case RowElement::Kind::group:
        for (int k = 0; k < e.repeat; ++k) {
          if (!walk(out, e.body, values)) return false;
        }
        break;
    }
  }
  return true;
}

constexpr RowElement kSlipGroup[] = {
    {.kind = RowElement::Kind::literal, .text = ","},
    {.kind = RowElement::Kind::fixed, .width = 15, .digits = 7},
};
constexpr RowElement kSlipRow[] = {
    {.kind = RowElement::Kind::fixed, .width = 8, .digits = 4},
    {.kind = RowElement::Kind::group, .repeat = 3, .body = kSlipGroup},
};
constexpr RowElement kSpectrumGroup[] = {
    {.kind = RowElement::Kind::literal, .text = ","},
    {.kind = RowElement::Kind::exponent, .width = 12, .digits = 4},
};
constexpr RowElement kSpectrumRow[] = {
    {.kind = RowElement::Kind::fixed, .width = 8, .digits = 4},
    {.kind = RowElement::Kind::group, .repeat = 3, .body = kSpectrumGroup},
};

}  // namespace

const RowTemplate slip_row = kSlipRow;
const RowTemplate spectrum_row = kSpectrumRow;

void list_write(int unit, std::initializer_list<Item> items) {
  io_state().layout = kListLayout;
  Connection& c = select_for_writing(unit);
  std::string& out = record();
  for (const Item& item : items) {
    if (!out.empty() && out.size() + measure(item) >= kLineLength) end_record(c);
    place_item(out, item);
  }
  end_record(c);
}

void append_row(std::string& out, RowTemplate layout, std::span<const double> values) {
  walk(out, layout, values);
}

void formatted_write(int unit, RowTemplate layout, std::span<const double> values) {
  // While a row is being written there is no layout text to report.
  io_state().layout = nullptr;
  Connection& c = select_for_writing(unit);
  append_row(record(), layout, values);
  end_record(c);
}

void open_unknown(int unit, const char* name) {
  IoState& state = io_state();
  state.current_unit = unit;
  Connection& c = connections()[unit];
  c = Connection{};
  c.name = name;  // the report names the file even when the copy fails
  char* copy = strdup(name);
  char* pending = static_cast<char*>(std::malloc(kPendingCapacity));
  if (copy == nullptr || pending == nullptr) {
    std::free(copy);
    std::free(pending);
    fatal_report("no space", system_error(driver::kOutOfFreeSpace));
  }
  c.name = copy;
  c.name_owned = true;
  c.pending = pending;
  c.pending_capacity = kPendingCapacity;

  int fd = open(name, O_RDWR);
  Access access = Access::update;
  if (fd < 0) {
    fd = open(name, O_RDONLY);
    access = Access::read;
    struct stat info;
    if (fd >= 0 && fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
      // A directory opens for reading but can never take a record.
      close(fd);
      fd = -1;
    }
  }
  if (fd < 0) {
    fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    access = Access::write;
  }
  if (fd < 0) fatal_report("open", platform_error(errno));
  c.fd = fd;
  c.access = access;
  c.written = access == Access::write;
  c.seekable = isatty(fd) == 0;
  c.positional = lseek(fd, 0, SEEK_CUR) >= 0;
  c.connected = true;
}

void close_unit(int unit) {
  Connection& c = connections()[unit];
  if (!c.connected) return;
  if (c.written) {
    if (const int error = flush_pending(c)) fatal_report("write", platform_error(error));
    if (cut_to_written_length(c) != 0) {
      fatal_report("endfile", system_error(driver::kTruncationFailed));
    }
  }
  const int fd = c.fd;
  c.fd = -1;
  if (close(fd) != 0) fatal_report("write", platform_error(errno));
  c.connected = false;
  if (c.name_owned) std::free(const_cast<char*>(c.name));
  std::free(c.pending);
  c = Connection{};
}

void pause_read() {
  IoState& state = io_state();
  state.current_unit = kConsoleInput;
  state.layout = kListLayout;
  state.direction = "reading";
  Connection& c = connections()[kConsoleInput];
  if (c.end_of_input) return;
  char ch = 0;
  for (;;) {
    const ssize_t got = read(c.fd, &ch, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got == 0) c.end_of_input = true;
    if (got <= 0 || ch == '\n') return;
  }
}

}  // namespace textio
