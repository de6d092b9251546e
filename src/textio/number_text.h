// Decimal text of the numbers that go into console lines and file rows.
//
// Every conversion is correctly rounded from the exact binary value of the
// double; a value exactly halfway between two texts goes to the one whose
// last digit is even.  Each function appends to `out` and never fails.
#pragma once

#include <cstdint>
#include <string>

namespace textio {

/// Appends a double as a list-directed item: a blank, the sign position
/// (a minus or a blank) and the number text of its magnitude to nine
/// significant digits ("1.", "0.005", "628.318531", "1.5E+10").
void append_list_double(std::string& out, double value);

/// Length that append_list_double adds for `value`, its two leading
/// positions included.
std::size_t list_double_length(double value);

/// Appends a list-directed integer: a blank, a minus when negative, the digits.
void append_list_integer(std::string& out, std::int32_t value);

/// Appends a fixed-point field of `width` characters with `digits` digits
/// after the point, right-aligned; a value that does not fit fills the
/// field with asterisks.
void append_fixed_field(std::string& out, double value, int width, int digits);

/// Appends an exponent-form field of `width` characters: "0.", `digits`
/// significant digits and a four-character exponent part ("E+01", "-119").
/// A field too narrow for the value is filled with asterisks.
void append_exponent_field(std::string& out, double value, int width, int digits);

}  // namespace textio
