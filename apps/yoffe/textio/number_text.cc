#include "textio/number_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

// Two paths.  The exact one lays out the text of std::to_chars, which
// rounds the exact binary value correctly, for every value and layout.  The
// data rows turn tens of thousands of doubles into text, so their three
// layouts (F8.4, F15.7, E12.4) also have a lean one: its digits are those of
// an integer, the magnitude times a power of ten rounded to the nearest
// integer, which one correctly rounded double operation settles unless its
// result lies exactly halfway between two integers; that case, and every
// value outside the lean path's range, takes the exact path.

namespace textio {
namespace {

// Room for the fixed-point text of the largest double with 99 decimals.
constexpr int kTextCapacity = 512;

// 10^0 .. 10^22, each exactly a double.
constexpr auto kPowersOfTen = [] {
  struct Table {
    double p[23];
  } t{};
  double v = 1.0;
  for (double& p : t.p) {
    p = v;
    v *= 10.0;
  }
  return t;
}();

// "00" "01" .. "99": two decimal digits per lookup.
constexpr auto kDigitPairs = [] {
  struct Table {
    char c[200];
  } t{};
  for (int i = 0; i < 100; ++i) {
    t.c[2 * i] = static_cast<char>('0' + i / 10);
    t.c[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return t;
}();

// A minus is written for values below zero; a negative zero has none.
bool is_negative(double value) {
  return value < 0.0;
}

// ---------------------------------------------------------------------------
// The exact path.

// Rounds a positive magnitude to `count` significant digits; writes them to
// `digits` and returns the decimal exponent of the first (1234.5 -> "1235",
// 3).
int significant_digits(double magnitude, int count, char* digits) {
  char text[kTextCapacity];
  const char* end =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, count - 1)
          .ptr;
  const char* p = text;  // "d.ddde+XX", or "de+XX" for one digit
  for (; *p != 'e'; ++p) {
    if (*p != '.') *digits++ = *p;
  }
  int exponent = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
  return exponent;
}

// The number text of a nonzero finite magnitude to nine significant digits:
// positional from 1e-4 to below 1e9, else exponent form.  Returns its end.
char* put_magnitude(char* out, double magnitude) {
  constexpr int kDigits = 9;
  char digits[kDigits];
  const int x = significant_digits(magnitude, kDigits, digits);
  int kept = kDigits;
  if (x < -4 || x > 8) {
    while (kept > 1 && digits[kept - 1] == '0') --kept;
    *out++ = digits[0];
    *out++ = '.';
    out = std::copy(digits + 1, digits + kept, out);
    *out++ = 'E';
    *out++ = x < 0 ? '-' : '+';
    return std::to_chars(out, out + 8, std::abs(x)).ptr;
  }
  // Zeros at the end of the fraction go; those of the integer part stay.
  const int integer_digits = x >= 0 ? x + 1 : 0;
  while (kept > integer_digits && digits[kept - 1] == '0') --kept;
  if (x < 0) {
    *out++ = '0';
    *out++ = '.';
    out = std::fill_n(out, -x - 1, '0');
    return std::copy_n(digits, kept, out);
  }
  out = std::copy_n(digits, integer_digits, out);
  *out++ = '.';
  return std::copy(digits + integer_digits, digits + kept, out);
}

// Writes the fixed-point field of any value.  Returns out + width.
char* fixed_field_exact(char* out, double value, int width, int digits) {
  if (!std::isfinite(value)) return std::fill_n(out, width, '*');
  char text[kTextCapacity];
  char* end =
      std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::fixed, digits)
          .ptr;
  if (digits == 0) *end++ = '.';
  const auto length = static_cast<int>(end - text);
  // A value that rounds to zero shows no minus.
  const bool minus = is_negative(value) &&
                     std::find_if(text, end, [](char c) { return c >= '1' && c <= '9'; }) != end;
  int start = 0;
  int needed = length + (minus ? 1 : 0);
  if (needed > width) {
    if (text[0] != '0' || needed - 1 != width) return std::fill_n(out, width, '*');
    start = 1;  // "0.5000" becomes ".5000"
    --needed;
  }
  out = std::fill_n(out, width - needed, ' ');
  if (minus) *out++ = '-';
  return std::copy(text + start, end, out);
}

// Writes the exponent part of 0.D1..Dd times ten to `exponent`: "E", its
// sign and two digits; from 100 on, the sign and three digits.
char* put_exponent_part(char* out, int exponent) {
  const int magnitude = std::abs(exponent);
  if (magnitude < 100) {
    *out++ = 'E';
  }
  *out++ = exponent < 0 ? '-' : '+';
  if (magnitude >= 100) *out++ = static_cast<char>('0' + magnitude / 100);
  return std::copy_n(kDigitPairs.c + 2 * (magnitude % 100), 2, out);
}

// Writes the exponent-form field of any value.  Returns out + width.
char* exponent_field_exact(char* out, double value, int width, int digits) {
  // Room for blanks and the "0" before the point.
  const int room = width - (digits + 5) - (is_negative(value) ? 1 : 0);
  if (room < 0 || !std::isfinite(value)) return std::fill_n(out, width, '*');
  char text[kTextCapacity];
  int exponent = 0;
  if (value == 0.0) {
    std::fill_n(text, digits, '0');
  } else {
    exponent = significant_digits(std::fabs(value), digits, text) + 1;
  }
  if (room > 0) out = std::fill_n(out, room - 1, ' ');
  if (is_negative(value)) *out++ = '-';
  if (room > 0) *out++ = '0';
  *out++ = '.';
  out = std::copy_n(text, digits, out);
  return put_exponent_part(out, exponent);
}

// ---------------------------------------------------------------------------
// The lean path of the rows' layouts.

// Sets n to the product p = magnitude times a power of ten, 0 <= p < 2^52,
// rounded to the nearest integer as its exact value would round; false
// when p is an integer plus 1/2, where only the exact value decides.
//
// Below 2^52 the doubles are at most 1/2 apart, so i = trunc(p), i + 1/2 and
// i + 1 are doubles and f = p - i is exact.  Rounding to nearest is
// monotonic and leaves a double unchanged, so p < i + 1/2 proves the exact
// product below i + 1/2 (and not below i - 1/2), which rounds to i, and
// p > i + 1/2 proves it between i + 1/2 and i + 1, which rounds to i + 1.
bool round_product(double p, std::uint64_t& n) {
  const auto i = static_cast<std::uint64_t>(p);
  const double f = p - static_cast<double>(i);
  if (f == 0.5) return false;
  n = i + (f > 0.5 ? 1 : 0);
  return true;
}

// Writes the `Count` low decimal digits of n before `end`, zeros in front;
// returns where they start.
template <int Count>
char* put_digits_before(char* end, std::uint32_t n) {
  for (int i = 0; i < Count / 2; ++i, n /= 100) {
    end -= 2;
    std::memcpy(end, kDigitPairs.c + 2 * (n % 100), 2);
  }
  if constexpr (Count % 2 == 1) *--end = static_cast<char>('0' + n % 10);
  return end;
}

// Writes all decimal digits of n (one "0" for zero) before `end`; returns
// where they start.
char* put_number_before(char* end, std::uint32_t n) {
  for (; n >= 100; n /= 100) {
    end -= 2;
    std::memcpy(end, kDigitPairs.c + 2 * (n % 100), 2);
  }
  if (n < 10) {
    *--end = static_cast<char>('0' + n);
    return end;
  }
  end -= 2;
  std::memcpy(end, kDigitPairs.c + 2 * n, 2);
  return end;
}

// F Width.Digits of a value whose magnitude rounds below 10^(Width - Digits
// - 2), so that the text and a minus always fit with a blank to spare; any
// other value, and an exact halfway product, goes to the exact path.
template <int Width, int Digits>
char* fixed_field_lean(char* out, double value) {
  constexpr double kLimit = kPowersOfTen.p[Width - 2] - 0.5;
  constexpr auto kUnit = static_cast<std::uint64_t>(kPowersOfTen.p[Digits]);
  static_assert(Width - Digits - 2 <= 9 && Digits <= 9, "both parts must fit 32 bits");
  const double scaled = std::fabs(value) * kPowersOfTen.p[Digits];
  std::uint64_t n = 0;
  if (!(scaled < kLimit) || !round_product(scaled, n)) {
    return fixed_field_exact(out, value, Width, Digits);  // also NaN and infinities
  }
  std::memset(out, ' ', Width);
  char* const end = out + Width;
  char* p = put_digits_before<Digits>(end, static_cast<std::uint32_t>(n % kUnit));
  *--p = '.';
  p = put_number_before(p, static_cast<std::uint32_t>(n / kUnit));
  if (is_negative(value) && n != 0) p[-1] = '-';
  return end;
}

// floor(log10(2^e)) for |e| <= 1100: 78913 / 2^18 is log10(2) to within
// 8e-7, and no such e brings e log10(2) that close to an integer.
int decimal_exponent_of_power_of_two(int e) {
  return (e * 78913) >> 18;  // an arithmetic shift: the floor, also below 0
}

// magnitude times 10^k, |k| <= 22: one correctly rounded operation.
double scaled(double magnitude, int k) {
  return k >= 0 ? magnitude * kPowersOfTen.p[k] : magnitude / kPowersOfTen.p[-k];
}

// E12.4 of a value of magnitude 2^-40 to 2^60; any other value, and an exact
// halfway product, goes to the exact path.  In this range the powers of ten
// stay exact, the products below 2^52 and the exponents below 100.
char* exponent_field_lean(char* out, double value) {
  constexpr int kWidth = 12, kDigits = 4;
  const double magnitude = std::fabs(value);
  const int e = static_cast<int>(std::bit_cast<std::uint64_t>(magnitude) >> 52) - 1023;
  if (e < -40 || e >= 60) return exponent_field_exact(out, value, kWidth, kDigits);
  // The first digit's power is x0 or x0 + 1.  Rounded at x0, the digits
  // reach 10^4 when it is x0 + 1, or when they carry into a new digit: then
  // round one power lower, where only a carry can reach 10^4 again.
  const int x0 = decimal_exponent_of_power_of_two(e);
  int exponent = x0 + 1;  // of 0.D1D2D3D4
  std::uint64_t n = 0;
  if (!round_product(scaled(magnitude, kDigits - 1 - x0), n)) {
    return exponent_field_exact(out, value, kWidth, kDigits);
  }
  if (n >= 10000) {
    ++exponent;
    if (!round_product(scaled(magnitude, kDigits - 2 - x0), n)) {
      return exponent_field_exact(out, value, kWidth, kDigits);
    }
    if (n == 10000) {
      n = 1000;
      ++exponent;
    }
  }
  char* p = out;
  *p++ = ' ';
  *p++ = is_negative(value) ? '-' : ' ';
  *p++ = '0';
  *p++ = '.';
  put_digits_before<kDigits>(p + kDigits, static_cast<std::uint32_t>(n));
  return put_exponent_part(p + kDigits, exponent);
}

}  // namespace

char* put_list_double(char* out, double value) {
  *out++ = ' ';
  *out++ = is_negative(value) ? '-' : ' ';
  const char* body = nullptr;
  if (value == 0.0) {
    body = "0.";
  } else if (std::isnan(value)) {
    body = "NaN";
  } else if (std::isinf(value)) {
    body = "Infinity";
  } else {
    return put_magnitude(out, std::fabs(value));
  }
  return std::copy(body, body + std::strlen(body), out);
}

std::size_t list_double_length(double value) {
  char text[kListDoubleRoom];
  return static_cast<std::size_t>(put_list_double(text, value) - text);
}

char* put_list_integer(char* out, std::int32_t value) {
  *out++ = ' ';
  return std::to_chars(out, out + kListIntegerRoom - 1, value).ptr;
}

char* put_fixed_field(char* out, double value, int width, int digits) {
  if (width <= 0) return out;
  if (width == 8 && digits == 4) return fixed_field_lean<8, 4>(out, value);
  if (width == 15 && digits == 7) return fixed_field_lean<15, 7>(out, value);
  return fixed_field_exact(out, value, width, digits);
}

char* put_exponent_field(char* out, double value, int width, int digits) {
  if (width <= 0) return out;
  if (width == 12 && digits == 4) return exponent_field_lean(out, value);
  return exponent_field_exact(out, value, width, digits);
}

}  // namespace textio
