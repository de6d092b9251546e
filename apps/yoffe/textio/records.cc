#include "textio/records.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "textio/connection.h"
#include "textio/failure.h"
#include "textio/number_text.h"
#include "textio/os_file.h"

namespace textio {
namespace {

// List-directed records end before an item that would take them to this.
constexpr std::size_t kLineLength = 80;
// Size of the block in which records reach a named file.
constexpr std::size_t kBlockCapacity = 64 * 1024;
constexpr const char* kListLayout = "list io";

// The record being built.  Statements do not nest, so one serves the whole
// process; it is kept from record to record and only grows, so records
// allocate nothing once it is large enough.
struct Record {
  char* data = nullptr;
  std::size_t length = 0;
  std::size_t capacity = 0;
} record;

// Grows the record so that `more` characters fit after its text: to 400
// characters at first, then to 1024, doubling from there.
void grow_record(std::size_t more) {
  std::size_t capacity = record.capacity;
  while (capacity - record.length < more) {
    capacity = capacity == 0 ? 400 : capacity < 1024 ? 1024 : 2 * capacity;
  }
  auto* data = static_cast<char*>(std::realloc(record.data, capacity));
  if (data == nullptr) fatal_report("no space", system_error(kOutOfFreeSpace));
  record.data = data;
  record.capacity = capacity;
}

// Makes room for `more` characters after the text; returns where they go.
char* room_for(std::size_t more) {
  if (record.capacity - record.length < more) grow_record(more);
  return record.data + record.length;
}

void put_text(std::string_view text) {
  std::memcpy(room_for(text.size()), text.data(), text.size());
  record.length += text.size();
}

// Makes a connection writable at its first write: a read-only file is
// reopened for update.
void begin_writing(Connection& c) {
  if (c.access == Access::read) {
    const os::Stream fd = os::open_for_update(c.name);
    if (fd == os::kNoStream) fatal_report("list output start", system_error(kCannotWriteFile));
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

// Ends the record: it goes to its stream in one piece with its line end,
// the console's at once, a file's through the file's pending block.
void end_record(Connection& c) {
  put_text(os::line_end);
  const std::size_t length = record.length;
  record.length = 0;
  if (c.name == nullptr) {
    write_all(c.fd, record.data, length);  // console errors pass unnoticed
    return;
  }
  if (c.pending_capacity - static_cast<std::size_t>(c.pending_length) < length) {
    if (const int error = hand_over(c)) fatal_report("write", platform_error(error));
    if (length > c.pending_capacity) {
      // A record longer than the block: the block grows to hold it.  It is
      // empty now, so a closing that runs meanwhile does not read it.
      auto* block = static_cast<char*>(std::realloc(c.pending, length));
      if (block == nullptr) fatal_report("no space", system_error(kOutOfFreeSpace));
      c.pending = block;
      c.pending_capacity = length;
    }
  }
  std::memcpy(c.pending + c.pending_length, record.data, length);
  // The bytes are in place before the length that shows them to a closing
  // that runs in a signal handler.
  std::atomic_signal_fence(std::memory_order_release);
  c.pending_length = static_cast<std::sig_atomic_t>(c.pending_length + length);
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
      char text[kListIntegerRoom];
      const auto length = static_cast<std::size_t>(put_list_integer(text, item.integer()) - text);
      return length - (item.integer() < 0 ? 2 : 1);
    }
  }
  return 0;
}

void place_item(const Item& item) {
  switch (item.kind()) {
    case Item::Kind::text:
      if (record.length == 0) put_text(" ");
      put_text(item.text());
      break;
    case Item::Kind::real:
      record.length = static_cast<std::size_t>(
          put_list_double(room_for(kListDoubleRoom), item.real()) - record.data);
      break;
    case Item::Kind::integer:
      record.length = static_cast<std::size_t>(
          put_list_integer(room_for(kListIntegerRoom), item.integer()) - record.data);
      break;
  }
}

char* put_field(char* at, const Field& field, double value) {
  return field.form == Field::Form::fixed
             ? put_fixed_field(at, value, field.width, field.digits)
             : put_exponent_field(at, value, field.width, field.digits);
}

}  // namespace

void list_write(int unit, std::initializer_list<Item> items) {
  Connection& c = select_for_writing(unit, kListLayout);
  for (const Item& item : items) {
    if (record.length != 0 && record.length + measure(item) >= kLineLength) end_record(c);
    place_item(item);
  }
  end_record(c);
}

std::size_t longest_row(const RowLayout& layout) {
  return static_cast<std::size_t>(std::max(layout.first.width, 0)) +
         kRowGroups * (1 + static_cast<std::size_t>(std::max(layout.rest.width, 0)));
}

char* put_row(char* out, const RowLayout& layout, std::span<const double> values) {
  if (values.empty()) return out;
  out = put_field(out, layout.first, values[0]);
  for (std::size_t group = 1; group <= kRowGroups; ++group) {
    *out++ = ',';
    if (group == values.size()) break;
    out = put_field(out, layout.rest, values[group]);
  }
  return out;
}

void formatted_write(int unit, const RowLayout& layout, std::span<const double> values) {
  // While a row is being written there is no layout text to report.
  Connection& c = select_for_writing(unit, nullptr);
  const std::size_t longest = longest_row(layout) + os::line_end.size();
  // A file's row is laid out in place in its pending block, which saves a
  // copy per row; the console's goes through the record.
  const bool in_block = c.name != nullptr && longest <= kBlockCapacity;
  if (!in_block) {
    char* const start = room_for(longest);
    record.length += static_cast<std::size_t>(put_row(start, layout, values) - start);
    end_record(c);
    return;
  }
  if (c.pending_capacity - static_cast<std::size_t>(c.pending_length) < longest) {
    if (const int error = hand_over(c)) fatal_report("write", platform_error(error));
  }
  char* end = put_row(c.pending + c.pending_length, layout, values);
  end = std::copy(os::line_end.begin(), os::line_end.end(), end);
  // The row is in place before the length that shows it to a closing that
  // runs in a signal handler.
  std::atomic_signal_fence(std::memory_order_release);
  c.pending_length = static_cast<std::sig_atomic_t>(end - c.pending);
}

void open_unknown(int unit, const char* name) {
  io_state().current_unit = unit;
  Connection& c = connections()[unit];
  c = Connection{};
  c.name = name;  // the report names the file even when the copy fails
  char* copy = strdup(name);
  char* block = static_cast<char*>(std::malloc(kBlockCapacity));
  if (copy == nullptr || block == nullptr) {
    std::free(copy);
    std::free(block);
    fatal_report("no space", system_error(kOutOfFreeSpace));
  }
  c.name = copy;
  c.pending = block;
  c.pending_capacity = kBlockCapacity;

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
  c.access = access;
  c.written = access == Access::write;
  c.disk_file = os::is_disk_file(fd);
  c.fd = fd;  // the closing passes the unit by until now
}

void close_unit(int unit) {
  Connection& c = connections()[unit];
  if (c.fd == os::kNoStream) return;
  if (c.written) {
    if (const int error = hand_over(c)) fatal_report("write", platform_error(error));
    if (cut_to_kept(c) != 0) fatal_report("endfile", system_error(kTruncationFailed));
  }
  const os::Stream fd = c.fd;
  c.fd = os::kNoStream;
  if (const int error = os::close(fd)) fatal_report("write", platform_error(error));
  std::free(const_cast<char*>(c.name));
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
