// Decimal text of the numbers that go into console lines and file rows.
//
// Every conversion is correctly rounded from the exact binary value of the
// double; a value exactly halfway between two texts goes to the one whose
// last digit is even.  Each function writes its text at `out` and returns
// its end.  None fails.
#pragma once

#include <cstddef>
#include <cstdint>

namespace textio {

/// Room that put_list_double and put_list_integer need at `out`.
inline constexpr std::size_t kListDoubleRoom = 32;
inline constexpr std::size_t kListIntegerRoom = 16;

/// Writes a double as a list-directed item: a blank, the sign position
/// (a minus or a blank) and the number text of its magnitude to nine
/// significant digits ("1.", "0.005", "628.318531", "1.5E+10").  Needs
/// kListDoubleRoom characters at `out`.
char* put_list_double(char* out, double value);

/// Length that put_list_double writes for `value`, its two leading
/// positions included.
std::size_t list_double_length(double value);

/// Writes a list-directed integer: a blank, a minus when negative, the
/// digits.  Needs kListIntegerRoom characters at `out`.
char* put_list_integer(char* out, std::int32_t value);

/// Writes a fixed-point field of `width` characters with `digits` (0..99)
/// digits after the point, right-aligned; a value that does not fit, and
/// one that is not finite, fills the field with asterisks.  Writes exactly
/// max(width, 0) characters.
char* put_fixed_field(char* out, double value, int width, int digits);

/// Writes an exponent-form field of `width` characters: "0.", `digits`
/// (1..99) significant digits and a four-character exponent part ("E+01",
/// "-119").  A field too narrow for the value, and a value that is not
/// finite, give asterisks.  Writes exactly max(width, 0) characters.
char* put_exponent_field(char* out, double value, int width, int digits);

}  // namespace textio
