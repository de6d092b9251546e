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

// Room a record of a named file starts with in the file's pending block;
// a record that outgrows what the block has left moves to the storage.
constexpr std::size_t kRecordRoom = 512;

// A record being built: its text runs from `begin` to `end`, with room on
// to `limit`.  Records of a named file are built in place in the file's
// pending block, past the bytes the block already holds; console records,
// and records too long for what the block has left, in `storage`.
struct Record {
  char* begin = nullptr;
  char* end = nullptr;
  char* limit = nullptr;
};

// Storage of the records built outside a pending block; kept from record
// to record, so records allocate nothing once it has grown.
struct Storage {
  char* data = nullptr;
  std::size_t capacity = 0;
};

// The record of the statement being run, and its storage.
Record current;
Storage storage;

// Moves the record to the storage, grown so that `more` characters fit
// after the text: to 400 characters at first, then to 1024, doubling from
// there.
[[gnu::noinline]] void grow(Record& r, std::size_t more) {
  const auto length = static_cast<std::size_t>(r.end - r.begin);
  const bool moving = r.begin != storage.data;
  auto capacity = storage.capacity;
  while (capacity < length || capacity - length < more) {
    capacity = capacity == 0 ? 400 : capacity < 1024 ? 1024 : 2 * capacity;
  }
  if (capacity != storage.capacity) {
    auto* data = static_cast<char*>(std::realloc(storage.data, capacity));
    if (data == nullptr) fatal_report("no space", system_error(driver::kOutOfFreeSpace));
    storage = {data, capacity};
  }
  if (moving && length != 0) std::memcpy(storage.data, r.begin, length);
  r = {storage.data, storage.data + length, storage.data + capacity};
}

// Makes room for `more` characters after the text; returns where they go.
inline char* room_for(Record& r, std::size_t more) {
  if (static_cast<std::size_t>(r.limit - r.end) < more) grow(r, more);
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

// Makes a connection writable at its first write: a read-only file is
// reopened for update.
[[gnu::noinline]] void begin_writing(Connection& c) {
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

// Selects `unit` for a write with `layout` as the layout text and makes its
// stream writable.
Connection& select_for_writing(int unit, const char* layout) {
  IoState& state = io_state();
  state.layout = layout;
  state.current_unit = unit;
  state.direction = "writing";
  Connection& c = connections()[unit];
  if (!c.written) begin_writing(c);
  return c;
}

// Hands the pending block to the file; fails the statement ("write") when
// the file takes it not.
void flush_or_fail(Connection& c) {
  if (const int error = flush_pending(c)) fatal_report("write", platform_error(error));
}

// Begins the record of a statement on `c`: in place in the pending block of
// a named file, handed over first when less than kRecordRoom is left in it;
// in the storage for the console.
void start_record(Connection& c) {
  Record& r = current;
  if (c.name == nullptr) {
    r = {storage.data, storage.data, storage.data + storage.capacity};
    return;
  }
  if (c.pending_capacity - static_cast<std::size_t>(c.pending_length) < kRecordRoom) {
    flush_or_fail(c);
  }
  char* const at = c.pending + c.pending_length;
  r = {at, at, c.pending + c.pending_capacity};
}

// Hands a whole record, line end included, that was built outside a
// pending block to its stream: the console's at once, a file's through its
// pending block, which is handed over first when the record would not fit.
[[gnu::noinline]] void hand_over(Connection& c, char* line, std::size_t length) {
  if (c.name == nullptr) {
    write_all(c.fd, line, length);  // console errors pass unnoticed
    return;
  }
  if (static_cast<std::size_t>(c.pending_length) + length > c.pending_capacity) flush_or_fail(c);
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
  // The bytes before the length that shows them, as in end_record.
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
  if (c.name != nullptr && r.begin == c.pending + c.pending_length) {
    // Built in place: the bytes are there before the length that makes
    // them visible to a closing that runs in a signal handler.
    std::atomic_signal_fence(std::memory_order_release);
    c.pending_length = static_cast<std::sig_atomic_t>(c.pending_length + length);
    return;
  }
  hand_over(c, r.begin, length);
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

// Lays out `values` after `layout` at the end of `r`.  Room for the
// longest text is made once; the text is built through a local pointer, as
// stores through the record's own would make every step reload it.
void put_row(Record& r, const RowLayout& layout, std::span<const double> values) {
  char* at = room_for(r, layout.max_length());
  const double* next = values.data();
  const double* const last = next + values.size();
  for (const RowLayout::Step& s : layout.steps()) {
    if (s.prefix.size() == 1) {
      *at++ = s.prefix[0];
    } else {
      at = std::copy(s.prefix.begin(), s.prefix.end(), at);
    }
    if (s.kind == RowElement::Kind::literal) continue;
    if (next == last) break;
    at = s.kind == RowElement::Kind::fixed ? put_fixed_field(at, *next, s.width, s.digits)
                                           : put_exponent_field(at, *next, s.width, s.digits);
    ++next;
  }
  r.end = at;
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

RowLayout::RowLayout(RowTemplate elements) {
  std::string_view literal;  // a literal not yet in a step
  unroll(elements, literal);
  add_literal_step(literal);
}

// Makes `literal`, when there is one, a step of its own.
void RowLayout::add_literal_step(std::string_view& literal) {
  if (!literal.empty()) steps_.push_back({.prefix = literal});
  literal = {};
}

void RowLayout::unroll(RowTemplate elements, std::string_view& literal) {
  for (const RowElement& e : elements) {
    switch (e.kind) {
      case RowElement::Kind::literal:
        add_literal_step(literal);
        literal = e.text;
        max_length_ += e.text.size();
        break;
      case RowElement::Kind::fixed:
      case RowElement::Kind::exponent:
        steps_.push_back({.prefix = literal, .kind = e.kind, .width = e.width, .digits = e.digits});
        literal = {};
        // A field of no width writes nothing.
        max_length_ += static_cast<std::size_t>(std::max(e.width, 0));
        break;
      case RowElement::Kind::group:
        for (int k = 0; k < e.repeat; ++k) unroll(e.body, literal);
        break;
    }
  }
}

const RowLayout slip_row{kSlipRow};
const RowLayout spectrum_row{kSpectrumRow};

void list_write(int unit, std::initializer_list<Item> items) {
  Connection& c = select_for_writing(unit, kListLayout);
  Record& r = current;
  start_record(c);
  for (const Item& item : items) {
    if (r.end != r.begin &&
        static_cast<std::size_t>(r.end - r.begin) + measure(item) >= kLineLength) {
      end_record(c);
      start_record(c);
    }
    place_item(r, item);
  }
  end_record(c);
}

void append_row(std::string& out, const RowLayout& layout, std::span<const double> values) {
  Record r{storage.data, storage.data, storage.data + storage.capacity};
  put_row(r, layout, values);
  out.append(r.begin, r.end);
}

void formatted_write(int unit, const RowLayout& layout, std::span<const double> values) {
  // While a row is being written there is no layout text to report.
  Connection& c = select_for_writing(unit, nullptr);
  start_record(c);
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
