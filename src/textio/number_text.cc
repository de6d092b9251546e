#include "textio/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace textio {
namespace {

// Enough for the fixed-point text of the largest double with the widest
// fraction this system asks for.
constexpr int kTextCapacity = 400;

// True for values that print with a minus: a negative zero does not.
bool is_negative(double value) {
  return value < 0.0;
}

// Rounds |value| to `count` significant digits; writes them to `digits`
// and returns the decimal exponent of the first one (1234.5 -> "1235", 3).
int significant_digits(double magnitude, int count, char* digits) {
  char text[64];
  auto end =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, count - 1)
          .ptr;
  // text is "d.ddde+XX" (or "de+XX" for one digit).
  char* out = digits;
  const char* p = text;
  for (; *p != 'e'; ++p) {
    if (*p != '.') *out++ = *p;
  }
  int exponent = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
  return exponent;
}

// Appends the number text of a nonzero magnitude rounded to nine
// significant digits: positional between 1e-4 and 1e9, else exponent form.
void append_magnitude_text(std::string& out, double magnitude) {
  constexpr int kDigits = 9;
  char digits[kDigits];
  const int x = significant_digits(magnitude, kDigits, digits);
  int kept = kDigits;
  if (x >= -4 && x <= 8) {
    const int integer_digits = x >= 0 ? x + 1 : 0;
    // Trailing zeros of the fraction go; those of the integer part stay.
    while (kept > integer_digits && digits[kept - 1] == '0') --kept;
    if (x < 0) {
      out += "0.";
      out.append(static_cast<std::size_t>(-x - 1), '0');
      out.append(digits, static_cast<std::size_t>(kept));
    } else {
      out.append(digits, static_cast<std::size_t>(integer_digits));
      out += '.';
      out.append(digits + integer_digits, static_cast<std::size_t>(kept - integer_digits));
    }
    return;
  }
  while (kept > 1 && digits[kept - 1] == '0') --kept;
  out += digits[0];
  out += '.';
  out.append(digits + 1, static_cast<std::size_t>(kept - 1));
  out += 'E';
  out += x < 0 ? '-' : '+';
  char exponent[8];
  auto end = std::to_chars(exponent, exponent + sizeof exponent, std::abs(x)).ptr;
  out.append(exponent, end);
}

// Text of |value| rounded to `digits` decimals: integer digits ("0" when
// below 1), the point, exactly `digits` digits.  Returns its length.
int fixed_text(double magnitude, int digits, char* text) {
  auto end =
      std::to_chars(text, text + kTextCapacity, magnitude, std::chars_format::fixed, digits).ptr;
  int length = static_cast<int>(end - text);
  if (digits == 0) text[length++] = '.';
  return length;
}

// True when the text has no digit other than 0: the value rounded to zero.
bool rounds_to_zero(std::string_view text) {
  return text.find_first_not_of("0.") == std::string_view::npos;
}

// Appends the exponent part: "E", sign, two digits; with three digits the
// "E" is left out so the part keeps its four characters.
void append_exponent_part(std::string& out, int exponent) {
  const int magnitude = std::abs(exponent);
  if (magnitude < 100) out += 'E';
  out += exponent < 0 ? '-' : '+';
  char text[8];
  auto end = std::to_chars(text, text + sizeof text, magnitude).ptr;
  if (magnitude < 10) out += '0';
  out.append(text, end);
}

}  // namespace

void append_list_double(std::string& out, double value) {
  out += ' ';
  out += is_negative(value) ? '-' : ' ';
  if (value == 0.0) {
    out += "0.";
  } else if (std::isnan(value)) {
    out += "NaN";
  } else if (std::isinf(value)) {
    out += "Infinity";
  } else {
    append_magnitude_text(out, std::fabs(value));
  }
}

std::size_t list_double_length(double value) {
  std::string text;
  append_list_double(text, value);
  return text.size();
}

void append_list_integer(std::string& out, std::int32_t value) {
  char text[16];
  auto end = std::to_chars(text, text + sizeof text, value).ptr;
  out += ' ';
  out.append(text, end);
}

void append_fixed_field(std::string& out, double value, int width, int digits) {
  if (!std::isfinite(value)) {
    out.append(static_cast<std::size_t>(width), '*');
    return;
  }
  char text[kTextCapacity];
  int length = fixed_text(std::fabs(value), digits, text);
  const std::string_view body(text, static_cast<std::size_t>(length));
  const bool minus = is_negative(value) && !rounds_to_zero(body);
  int start = 0;
  int needed = length + (minus ? 1 : 0);
  if (needed > width) {
    if (text[0] != '0' || needed - 1 != width) {
      out.append(static_cast<std::size_t>(width), '*');
      return;
    }
    start = 1;  // "0.5000" becomes ".5000"
    --needed;
  }
  out.append(static_cast<std::size_t>(width - needed), ' ');
  if (minus) out += '-';
  out.append(text + start, static_cast<std::size_t>(length - start));
}

void append_exponent_field(std::string& out, double value, int width, int digits) {
  const bool minus = is_negative(value);
  const int room = width - (digits + 5) - (minus ? 1 : 0);
  if (room < 0 || !std::isfinite(value)) {
    out.append(static_cast<std::size_t>(width), '*');
    return;
  }
  char text[64];
  int exponent = 0;
  if (value == 0.0) {
    std::fill(text, text + digits, '0');
  } else {
    // d significant digits D1..Dd as 0.D1..Dd times ten to the exponent.
    exponent = significant_digits(std::fabs(value), digits, text) + 1;
  }
  if (room > 0) out.append(static_cast<std::size_t>(room - 1), ' ');
  if (minus) out += '-';
  if (room > 0) out += '0';
  out += '.';
  out.append(text, static_cast<std::size_t>(digits));
  append_exponent_part(out, exponent);
}

}  // namespace textio
