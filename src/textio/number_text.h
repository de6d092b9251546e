// Decimal text of the numbers that go into console lines and file rows.
//
// Every conversion is correctly rounded from the exact binary value of the
// double; a value exactly halfway between two texts goes to the one whose
// last digit is even.  Each put_ function writes its text at `out` and
// returns its end; each append_ one appends the same text to a string.
// None fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace textio {

/// Room that put_list_double and put_list_integer need at `out`.
inline constexpr std::size_t kListDoubleRoom = 32;
inline constexpr std::size_t kListIntegerRoom = 16;

/// Writes a double as a list-directed item: a blank, the sign position
/// (a minus or a blank) and the number text of its magnitude to nine
/// significant digits ("1.", "0.005", "628.318531", "1.5E+10").  Needs
/// kListDoubleRoom characters at `out`; returns the end of the text.
char* put_list_double(char* out, double value);
void append_list_double(std::string& out, double value);

/// Length that put_list_double writes for `value`, its two leading
/// positions included.
std::size_t list_double_length(double value);

/// Writes a list-directed integer: a blank, a minus when negative, the
/// digits.  Needs kListIntegerRoom characters at `out`; returns the end.
char* put_list_integer(char* out, std::int32_t value);
void append_list_integer(std::string& out, std::int32_t value);

/// Writes a fixed-point field of `width` characters with `digits` digits
/// after the point, right-aligned; a value that does not fit fills the
/// field with asterisks.  Needs `width` characters at `out` and writes no
/// others; returns out + width (out itself when width <= 0).
char* put_fixed_field(char* out, double value, int width, int digits);
void append_fixed_field(std::string& out, double value, int width, int digits);

/// Writes an exponent-form field of `width` characters: "0.", `digits`
/// significant digits and a four-character exponent part ("E+01", "-119").
/// A field too narrow for the value is filled with asterisks.  Needs and
/// returns like put_fixed_field.
char* put_exponent_field(char* out, double value, int width, int digits);
void append_exponent_field(std::string& out, double value, int width, int digits);

}  // namespace textio
