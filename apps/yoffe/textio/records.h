// The text statements: list-directed and formatted writes, open and close
// of a named file, and the pause read.
//
// A statement either completes or ends the process: failures go to the
// fatal report (context text in brackets below) and never return here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

namespace textio {

/// One item of a list-directed write: a character constant, a double or an
/// integer.
class Item {
 public:
  Item(const char* text) : kind_(Kind::text), text_(text) {}
  Item(double value) : kind_(Kind::real), real_(value) {}
  Item(std::int32_t value) : kind_(Kind::integer), integer_(value) {}

  enum class Kind { text, real, integer };
  Kind kind() const { return kind_; }
  std::string_view text() const { return text_; }
  double real() const { return real_; }
  std::int32_t integer() const { return integer_; }

 private:
  Kind kind_;
  std::string_view text_;
  double real_ = 0.0;
  std::int32_t integer_ = 0;
};

/// Writes one list-directed record (more when a record would reach 80
/// characters) to `unit`.  A read-only file that cannot be reopened for
/// update fails ("list output start"); a file that does not take its
/// records fails ("write").  Console errors pass unnoticed.
void list_write(int unit, std::initializer_list<Item> items);

/// A value field of a data row: fixed-point or exponent form, `width`
/// characters with `digits` digits.
struct Field {
  enum class Form { fixed, exponent };
  Form form;
  int width;
  int digits;
};

/// The layout of a data row: the first field, then three times a comma
/// and a field of the second kind.  Laying out stops at the first field
/// without a value; the comma before it is written.
struct RowLayout {
  Field first;
  Field rest;
};

/// Time, then velocity, displacement and acceleration: F8.4 and three
/// times "," F15.7.
inline constexpr RowLayout slip_row{{Field::Form::fixed, 8, 4}, {Field::Form::fixed, 15, 7}};
/// Frequency, then two amplitudes: F8.4 and three times "," E12.4; with
/// three values the row ends in a comma.
inline constexpr RowLayout spectrum_row{{Field::Form::fixed, 8, 4}, {Field::Form::exponent, 12, 4}};

/// Number of groups after the first field of a row.
inline constexpr std::size_t kRowGroups = 3;

/// Characters of the longest text that `layout` makes.
std::size_t longest_row(const RowLayout& layout);

/// Lays out `values` after `layout` at `out` (no line end) and returns the
/// end: longest_row(layout) characters at most.
char* put_row(char* out, const RowLayout& layout, std::span<const double> values);

/// Writes one formatted record of `values` after `layout` to `unit`.  Fails
/// like list_write.
void formatted_write(int unit, const RowLayout& layout, std::span<const double> values);

/// Connects `unit` to the file `name` with status "unknown": opened for
/// update, else for reading, else created.  Fails when none succeeds ("open")
/// or when no memory is left ("no space").
void open_unknown(int unit, const char* name);

/// Cuts the file to the records written since the open, closes it and
/// releases the unit.  Fails when records cannot be handed to the file or
/// the close reports an error ("write"), or when the cut fails ("endfile").
void close_unit(int unit);

/// Reads and discards console input up to and including the first line
/// end; returns at once at the end of the input or on a read error.
void pause_read();

}  // namespace textio
