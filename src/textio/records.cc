#include "textio/records.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/failure.h"
#include "textio/connection.h"
#include "textio/number_text.h"
#include "textio/os_file.h"

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

// A record being built: its text runs from `begin` to `end`, its storage
// on to `limit`.
struct Record {
  char* begin = nullptr;
  char* end = nullptr;
  char* limit = nullptr;
};

// The record of the statement being run; its storage is kept from record
// to record, so records allocate nothing once it has grown.
Record current;

// Grows the storage so that `more` characters fit after the text: to 400
// characters at first, then to 1024, doubling from there.
[[gnu::noinline]] void grow(Record& r, std::size_t more) {
  const auto length = static_cast<std::size_t>(r.end - r.begin);
  auto capacity = static_cast<std::size_t>(r.limit - r.begin);
  while (capacity - length < more) {
    capacity = capacity == 0 ? 400 : capacity < 1024 ? 1024 : 2 * capacity;
  }
  auto* storage = static_cast<char*>(std::realloc(r.begin, capacity));
  if (storage == nullptr) fatal_report("no space", system_error(driver::kOutOfFreeSpace));
  r.begin = storage;
  r.end = storage + length;
  r.limit = storage + capacity;
}

// Makes room for `more` characters after the text; returns where they go.
inline char* room_for(Record& r, std::size_t more) {
  if (static_cast<std::size_t>(r.limit - r.end) < more) grow(r, more);
  return r.end;
}

// Makes room for a field of `width` characters (none when not positive);
// returns where it goes.
inline char* room_for_field(Record& r, int width) {
  if (r.limit - r.end < width) grow(r, static_cast<std::size_t>(width));
  return r.end;
}

// Appends `text` to the record; short literals such as a separator are
// copied in place.
inline void put_text(Record& r, std::string_view text) {
  char* p = room_for(r, text.size());
  if (text.size() == 1) {
    *p++ = text[0];
  } else {
    p = std::copy(text.begin(), text.end(), p);
  }
  r.end = p;
}

// Selects `unit` for a write with `layout` as the layout text and makes its
// stream writable; a read-only file is reopened for update at its first
// write.
Connection& select_for_writing(int unit, const char* layout) {
  IoState& state = io_state();
  state.layout = layout;
  state.current_unit = unit;
  state.direction = "writing";
  Connection& c = connections()[unit];
  if (!c.written) {
    if (c.access == Access::read) {
      const os::Stream fd = os::open_for_update(c.name);
      if (fd == os::kNoStream) {
        fatal_report("list output start", system_error(driver::kCannotWriteFile));
      }
      os::close(c.fd);
      c.fd = fd;
      c.access = Access::update;
    }
    c.written = true;
  }
  return c;
}

// Appends a whole record, line end included, to the file's pending block,
// handing the block over first when the record would not fit.
void hand_to_file(Connection& c, char* line, std::size_t length) {
  if (static_cast<std::size_t>(c.pending_length) + length > c.pending_capacity) {
    if (const int error = flush_pending(c)) fatal_report("write", platform_error(error));
  }
  if (length > c.pending_capacity) {
    // A record larger than the block goes out as a block of its own.
    char* saved = c.pending;
    c.pending = line;
    c.pending_length = static_cast<std::sig_atomic_t>(length);
    const int error = flush_pending(c);
    c.pending = saved;
    if (error != 0) fatal_report("write", platform_error(error));
    return;
  }
  std::memcpy(c.pending + c.pending_length, line, length);
  // The bytes are in place before the length that makes them visible to a
  // closing that runs in a signal handler.
  std::atomic_signal_fence(std::memory_order_release);
  c.pending_length = static_cast<std::sig_atomic_t>(c.pending_length + length);
}

// Ends the record: it goes to its stream in one piece with its line end.
void end_record(Connection& c) {
  Record& r = current;
  char* p = room_for(r, os::line_end.size());
  if (os::line_end.size() == 1) {
    *p++ = os::line_end[0];
  } else {
    for (const char ch : os::line_end) *p++ = ch;
  }
  const auto length = static_cast<std::size_t>(p - r.begin);
  if (c.name != nullptr) {
    hand_to_file(c, r.begin, length);
  } else {
    write_all(c.fd, r.begin, length);  // console errors pass unnoticed
  }
  r.end = r.begin;
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

void place_item(Record& r, const Item& item) {
  switch (item.kind()) {
    case Item::Kind::text:
      if (r.end == r.begin) put_text(r, " ");
      put_text(r, item.text());
      break;
    case Item::Kind::real:
      r.end = put_list_double(room_for(r, kListDoubleRoom), item.real());
      break;
    case Item::Kind::integer:
      r.end = put_list_integer(room_for(r, kListIntegerRoom), item.integer());
      break;
  }
}

bool walk(Record& r, RowTemplate layout, const double*& next, const double* last);

// Lays out one element of a template, taking values from `next` up to
// `last`; returns false once a value field finds no value left.
inline bool put_element(Record& r, const RowElement& e, const double*& next, const double* last) {
  switch (e.kind) {
    case RowElement::Kind::literal:
      put_text(r, e.text);
      break;
    case RowElement::Kind::fixed:
      if (next == last) return false;
      r.end = put_fixed_field(room_for_field(r, e.width), *next++, e.width, e.digits);
      break;
    case RowElement::Kind::exponent:
      if (next == last) return false;
      r.end = put_exponent_field(room_for_field(r, e.width), *next++, e.width, e.digits);
      break;
    case RowElement::Kind::group:
      for (int k = 0; k < e.repeat; ++k) {
        if (!walk(r, e.body, next, last)) return false;
      }
      break;
  }
  return true;
}

// Walks a template like put_element.  The elements of a group's body are
// laid out here, without a call per repetition; only nested groups recurse.
bool walk(Record& r, RowTemplate layout, const double*& next, const double* last) {
  for (const RowElement& e : layout) {
    if (e.kind != RowElement::Kind::group) {
      if (!put_element(r, e, next, last)) return false;
      continue;
    }
    // Copies: as far as the compiler knows, the text written may alias
    // the template, and copies need not be read again.
    const RowTemplate body = e.body;
    for (int k = e.repeat; k > 0; --k) {
      for (const RowElement& b : body) {
        if (!put_element(r, b, next, last)) return false;
      }
    }
  }
  return true;
}

// Lays out `values` after `layout` at the end of `r`.
void put_row(Record& r, RowTemplate layout, std::span<const double> values) {
  const double* next = values.data();
  walk(r, layout, next, next + values.size());
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
  Connection& c = select_for_writing(unit, kListLayout);
  Record& r = current;
  for (const Item& item : items) {
    if (r.end != r.begin &&
        static_cast<std::size_t>(r.end - r.begin) + measure(item) >= kLineLength) {
      end_record(c);
    }
    place_item(r, item);
  }
  end_record(c);
}

void append_row(std::string& out, RowTemplate layout, std::span<const double> values) {
  static Record scratch;  // kept, like the current record's storage
  scratch.end = scratch.begin;
  put_row(scratch, layout, values);
  out.append(scratch.begin, scratch.end);
}

void formatted_write(int unit, RowTemplate layout, std::span<const double> values) {
  // While a row is being written there is no layout text to report.
  Connection& c = select_for_writing(unit, nullptr);
  put_row(current, layout, values);
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

  os::Stream fd = os::open_for_update(name);
  Access access = Access::update;
  if (fd == os::kNoStream) {
    fd = os::open_for_reading(name);
    access = Access::read;
  }
  if (fd == os::kNoStream) {
    fd = os::create_for_writing(name);
    access = Access::write;
  }
  if (fd == os::kNoStream) fatal_report("open", platform_error(errno));
  c.fd = fd;
  c.access = access;
  c.written = access == Access::write;
  c.seekable = !os::is_terminal(fd);
  c.positional = os::can_write_at(fd);
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
  const os::Stream fd = c.fd;
  c.fd = os::kNoStream;
  if (const int error = os::close(fd)) fatal_report("write", platform_error(error));
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
  // A carriage return + line feed ends its line at the line feed.
  char ch = 0;
  for (;;) {
    const int got = os::read_byte(c.fd, ch);
    if (got == 0) c.end_of_input = true;
    if (got <= 0 || ch == '\n') return;
  }
}

}  // namespace textio
