// The text statements: list-directed and formatted writes, open and close
// of a named file, and the pause read.
//
// A statement either completes or ends the process: failures go to the
// fatal report (context text in brackets below) and never return here.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
/// update fails ("list output start").  A write error on a named file fails
/// ("write"); console errors pass unnoticed.
void list_write(int unit, std::initializer_list<Item> items);

/// An element of a row template: a literal, a value field, or a group of
/// elements repeated `repeat` times.
struct RowElement {
  enum class Kind { literal, fixed, exponent, group };
  Kind kind;
  std::string_view text = {};  // literal
  int width = 0;               // fixed, exponent
  int digits = 0;              // fixed, exponent
  int repeat = 0;              // group
  std::span<const RowElement> body = {};
};
using RowTemplate = std::span<const RowElement>;

/// A row template unrolled for writing: every group repeated out, and each
/// value field joined with the literal before it.  It refers to the
/// template's literal texts, which must outlive it.
class RowLayout {
 public:
  /// A literal and the value field after it: fixed or exponent, of
  /// `width` characters with `digits`.  A literal followed by no field is
  /// a step of kind literal.
  struct Step {
    std::string_view prefix = {};
    RowElement::Kind kind = RowElement::Kind::literal;
    int width = 0;
    int digits = 0;
  };

  /// Unrolls `elements`.  This is where a layout allocates; it throws
  /// std::bad_alloc when no memory is left.
  explicit RowLayout(RowTemplate elements);

  std::span<const Step> steps() const { return steps_; }
  /// Characters of the longest text the layout makes, line end excluded.
  std::size_t max_length() const { return max_length_; }

 private:
  void unroll(RowTemplate elements, std::string_view& literal);
  void add_literal_step(std::string_view& literal);

  std::vector<Step> steps_;
  std::size_t max_length_ = 0;
};

/// Time, then velocity, displacement and acceleration: F8.4 and three
/// times "," F15.7.
extern const RowLayout slip_row;
/// Frequency, then two amplitudes: F8.4 and three times "," E12.4; with
/// three values the row ends in a comma.
extern const RowLayout spectrum_row;

/// Lays out `values` after `layout` as the text of one record (no line
/// end): the steps in order, until a value field finds no value left or the
/// steps end.
void append_row(std::string& out, const RowLayout& layout, std::span<const double> values);

/// Writes one formatted record to `unit`.  Fails like list_write.
void formatted_write(int unit, const RowLayout& layout, std::span<const double> values);

/// Connects `unit` to the file `name` with status "unknown": opened for
/// update, else for reading, else created.  Fails when none succeeds or the
/// name is a directory ("open"), or when no memory is left ("no space").
void open_unknown(int unit, const char* name);

/// Cuts the file to the records written since the open, closes it and
/// releases the unit.  Fails when the cut fails ("endfile") or when records
/// cannot be handed to the file ("write").
void close_unit(int unit);

/// Reads and discards console input up to and including the first line
/// end; returns at once at the end of the input or on a read error.
void pause_read();

}  // namespace textio
