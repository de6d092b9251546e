#include "textio/number_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

// The data rows turn tens of thousands of doubles into text, so the two
// field layouts have a fast path next to the exact std::to_chars one.  Their
// digits are those of an integer: the magnitude times a power of ten,
// rounded to the nearest integer with ties to even, the same rounding that
// std::to_chars applies to the exact binary value.  One double operation
// gives that integer unless its result lies exactly halfway between two
// integers (see scaled_round_fast); then exact 128-bit integer arithmetic
// decides (scaled_round).  Values outside the integers' range, and layouts
// the fast path does not cover, take std::to_chars.

namespace textio {
namespace {

// Enough for the fixed-point text of the largest double with the widest
// fraction this system asks for.
constexpr int kTextCapacity = 400;

// Largest power of ten the scaling uses: 10^22 is the largest one that is
// exact as a double, and 10^22 < 2^74 keeps a 53-bit significand times it
// below 2^127.
constexpr int kMaxScale = 22;

// 10^0 .. 10^19, all that fit 64 bits.
constexpr auto kPowersOfTen = [] {
  struct Table {
    std::uint64_t p[20];
  } t{};
  std::uint64_t v = 1;
  for (int i = 0; i < 20; ++i, v *= 10) t.p[i] = v;
  return t;
}();

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 Wide;

// 10^0 .. 10^kMaxScale, exactly.
constexpr auto kWidePowersOfTen = [] {
  struct Table {
    Wide p[kMaxScale + 1];
  } t{};
  Wide v = 1;
  for (int i = 0; i <= kMaxScale; ++i, v *= 10) t.p[i] = v;
  return t;
}();
#endif

// The same powers as doubles, all exact.
constexpr auto kPowersOfTenDouble = [] {
  struct Table {
    double p[kMaxScale + 1];
  } t{};
  double v = 1.0;
  for (int i = 0; i <= kMaxScale; ++i, v *= 10.0) t.p[i] = v;
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

// True for values that print with a minus: a negative zero does not.
bool is_negative(double value) {
  return value < 0.0;
}

// ---------------------------------------------------------------------------
// The exact path: std::to_chars, for every value and layout.

// Rounds a positive magnitude to `count` significant digits through
// std::to_chars; writes them to `digits` and returns the decimal exponent
// of the first one (1234.5 -> "1235", 3).
int significant_digits(double magnitude, int count, char* digits) {
  char text[kTextCapacity];
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

// Writes the number text of a nonzero magnitude rounded to nine significant
// digits (positional between 1e-4 and 1e9, else exponent form) to `text`;
// returns its length, at most 20.
int magnitude_text(double magnitude, char* text) {
  constexpr int kDigits = 9;
  char digits[kDigits];
  const int x = significant_digits(magnitude, kDigits, digits);
  char* out = text;
  int kept = kDigits;
  if (x >= -4 && x <= 8) {
    const int integer_digits = x >= 0 ? x + 1 : 0;
    // Trailing zeros of the fraction go; those of the integer part stay.
    while (kept > integer_digits && digits[kept - 1] == '0') --kept;
    if (x < 0) {
      *out++ = '0';
      *out++ = '.';
      out = std::fill_n(out, -x - 1, '0');
      out = std::copy_n(digits, kept, out);
    } else {
      out = std::copy_n(digits, integer_digits, out);
      *out++ = '.';
      out = std::copy(digits + integer_digits, digits + kept, out);
    }
    return static_cast<int>(out - text);
  }
  while (kept > 1 && digits[kept - 1] == '0') --kept;
  *out++ = digits[0];
  *out++ = '.';
  out = std::copy(digits + 1, digits + kept, out);
  *out++ = 'E';
  *out++ = x < 0 ? '-' : '+';
  out = std::to_chars(out, out + 8, std::abs(x)).ptr;
  return static_cast<int>(out - text);
}

// Writes the list-directed text of a double (blank, sign position, number
// text) to `text`; returns its length, at most 22.
int list_double_text(double value, char* text) {
  text[0] = ' ';
  text[1] = is_negative(value) ? '-' : ' ';
  std::string_view body;
  if (value == 0.0) {
    body = "0.";
  } else if (std::isnan(value)) {
    body = "NaN";
  } else if (std::isinf(value)) {
    body = "Infinity";
  } else {
    return 2 + magnitude_text(std::fabs(value), text + 2);
  }
  std::copy(body.begin(), body.end(), text + 2);
  return 2 + static_cast<int>(body.size());
}

// Text of a magnitude rounded to `digits` decimals through std::to_chars:
// integer digits ("0" when below 1), the point, exactly `digits` digits.
// Returns its length.
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

// Writes the fixed-point field of a finite value through std::to_chars:
// any width and digits.  Returns out + width.
[[gnu::noinline]] char* put_fixed_field_exact(char* out, double value, int width, int digits) {
  char text[kTextCapacity];
  int length = fixed_text(std::fabs(value), digits, text);
  const std::string_view body(text, static_cast<std::size_t>(length));
  const bool minus = is_negative(value) && !rounds_to_zero(body);
  int start = 0;
  int needed = length + (minus ? 1 : 0);
  if (needed > width) {
    if (text[0] != '0' || needed - 1 != width) return std::fill_n(out, width, '*');
    start = 1;  // "0.5000" becomes ".5000"
    --needed;
  }
  out = std::fill_n(out, width - needed, ' ');
  if (minus) *out++ = '-';
  return std::copy(text + start, text + length, out);
}

// Writes the exponent part ("E", sign, two digits; with three digits the
// "E" is left out so the part keeps its four characters) before `end`,
// which is moved to its start.
inline void put_exponent_part(int exponent, char*& end) {
  const int magnitude = std::abs(exponent);
  if (magnitude < 100) {
    end -= 2;
    std::memcpy(end, kDigitPairs.c + 2 * magnitude, 2);
    *--end = exponent < 0 ? '-' : '+';
    *--end = 'E';
  } else {
    end -= 3;
    end[0] = static_cast<char>('0' + magnitude / 100);
    std::memcpy(end + 1, kDigitPairs.c + 2 * (magnitude % 100), 2);
    *--end = exponent < 0 ? '-' : '+';
  }
}

// Writes the exponent-form field of a finite value, `room` >= 0, through
// std::to_chars: any digits (up to a few hundred).  Returns the field's end.
[[gnu::noinline]] char* put_exponent_field_exact(char* out, double value, int digits, int room) {
  char text[kTextCapacity];
  int exponent = 0;
  if (value == 0.0) {
    std::fill(text, text + digits, '0');
  } else {
    exponent = significant_digits(std::fabs(value), digits, text) + 1;
  }
  if (room > 0) out = std::fill_n(out, room - 1, ' ');
  if (is_negative(value)) *out++ = '-';
  if (room > 0) *out++ = '0';
  *out++ = '.';
  out = std::copy_n(text, digits, out);
  char part[8];
  char* const end = part + sizeof part;
  char* p = end;
  put_exponent_part(exponent, p);
  return std::copy(p, end, out);
}

// ---------------------------------------------------------------------------
// Correctly rounded scaled integers.

// Sets n to magnitude * 10^k rounded to the nearest integer, ties to even,
// exactly; false (n unset) when |k| > kMaxScale or n would not fit 64 bits,
// and for an infinity or a not-a-number.  `magnitude` must not be negative.
// Without 128-bit integers it always declines: std::to_chars decides.
[[gnu::noinline]] bool scaled_round(double magnitude, int k, std::uint64_t& n) {
#if defined(__SIZEOF_INT128__)
  if (k < -kMaxScale || k > kMaxScale) return false;
  // magnitude = m * 2^e exactly, m < 2^53.
  const auto bits = std::bit_cast<std::uint64_t>(magnitude);
  const int biased = static_cast<int>(bits >> 52);
  std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
  int e = -1074;
  if (biased != 0) {
    m |= std::uint64_t{1} << 52;
    e = biased - 1075;
  }
  Wide quotient = 0;
  bool up = false;  // round the quotient up
  if (k >= 0) {
    const Wide x = Wide{m} * kWidePowersOfTen.p[k];  // below 2^127
    if (e >= 0) {
      // An integer: nothing to round; it must fit 64 bits.
      if (e >= 64 || (x >> (64 - e)) != 0) return false;
      n = static_cast<std::uint64_t>(x << e);
      return true;
    }
    const int s = -e;
    if (s >= 128) {
      // x < 2^127, so x / 2^s < 1/2: rounds to zero.
      n = 0;
      return true;
    }
    quotient = x >> s;
    const Wide rest = x - (quotient << s);
    const Wide half = Wide{1} << (s - 1);
    up = rest > half || (rest == half && (quotient & 1) != 0);
  } else {
    // Divide by 10^-k, and by 2^-e when e is negative.
    Wide x = m;
    Wide divisor = kWidePowersOfTen.p[-k];  // below 2^74
    if (e >= 0) {
      if (e > 127 - 53) return false;
      x <<= e;
    } else {
      if (-e > 127 - 74) return false;
      divisor <<= -e;
    }
    quotient = x / divisor;
    const Wide rest = x - quotient * divisor;
    const Wide twice = rest + rest;  // rest < divisor < 2^127
    up = twice > divisor || (twice == divisor && (quotient & 1) != 0);
  }
  if ((quotient >> 64) != 0) return false;
  n = static_cast<std::uint64_t>(quotient);
  if (up) {
    if (n == ~std::uint64_t{0}) return false;
    ++n;
  }
  return true;
#else
  (void)magnitude;
  (void)k;
  (void)n;
  return false;
#endif
}

// Same result as scaled_round, usually from one double operation.
//
// p = magnitude * 10^k (or magnitude / 10^-k) is one correctly rounded
// operation on exact operands.  Below 2^52 the doubles are at most 1/2
// apart, so i = trunc(p), i + 1/2 and i + 1 are doubles, and f = p - i is
// exact.  Rounding to nearest is monotonic and leaves a double unchanged, so
// p < i + 1/2 proves the exact value below i + 1/2 (and above i - 1/2: p >= i
// is within half an ulp of it), which rounds to i; p > i + 1/2 proves it
// between i + 1/2 and i + 1, which rounds to i + 1.  Only p = i + 1/2, where
// the exact value may be a tie or lie on either side, and p >= 2^52 go to
// scaled_round.
[[gnu::always_inline]] inline bool scaled_round_fast(double magnitude, int k, std::uint64_t& n) {
  if (k >= -kMaxScale && k <= kMaxScale) {
    const double p =
        k >= 0 ? magnitude * kPowersOfTenDouble.p[k] : magnitude / kPowersOfTenDouble.p[-k];
    if (p < 0x1p52) {
      const auto i = static_cast<std::int64_t>(p);
      const double f = p - static_cast<double>(i);
      if (f != 0.5) {
        n = static_cast<std::uint64_t>(i) + (f > 0.5 ? 1 : 0);
        return true;
      }
    }
  }
  return scaled_round(magnitude, k, n);
}

// ---------------------------------------------------------------------------
// Digits.

// Writes the `count` low decimal digits of n, zeros in front, so that they
// end just before `end`, which is moved to their start; returns n / 10^count.
// With a constant count the loop unrolls into divisions by constants, and
// 32-bit arithmetic (when n fits it) makes those cheaper still.
template <typename Unsigned>
[[gnu::always_inline]] inline Unsigned put_digits(Unsigned n, int count, char*& end) {
  for (; count >= 2; count -= 2) {
    end -= 2;
    std::memcpy(end, kDigitPairs.c + 2 * (n % 100), 2);
    n /= 100;
  }
  if (count == 1) {
    *--end = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  return n;
}

// Writes the `Count` (1..8) decimal digits of r < 10^Count, zeros in front,
// so that they end just before `end`, which is moved to their start.
//
// They are read from the left, a lead of one or two and then pairs, off
// y = r M, M = floor(2^57 / 10^m) + 1, m = Count - lead: y / 2^57 is r / 10^m
// plus an error below 10^Count / 2^57.  Each step takes the integer part
// and multiplies the fraction by 100, the error too; the exact fraction
// before a step is a multiple of 10^-k, and the error then stays below
// 10^(2 Count - lead) / 2^57 times 10^-k < 10^-k, so every integer part is
// exact.  Two multiplications per pair, no division.
template <int Count>
[[gnu::always_inline]] inline void put_low_digits(std::uint32_t r, char*& end) {
  static_assert(Count >= 1 && Count <= 8);
  constexpr int kLead = Count % 2 == 1 ? 1 : 2;
  constexpr int kShift = 57;
  constexpr std::uint64_t kMask = (std::uint64_t{1} << kShift) - 1;
  constexpr std::uint64_t kMultiplier =
      (std::uint64_t{1} << kShift) / kPowersOfTen.p[Count - kLead] + 1;
  char* p = end - Count;
  end = p;
  std::uint64_t y = std::uint64_t{r} * kMultiplier;
  if constexpr (kLead == 1) {
    *p++ = static_cast<char>('0' + (y >> kShift));
  } else {
    std::memcpy(p, kDigitPairs.c + 2 * (y >> kShift), 2);
    p += 2;
  }
  for (int k = 0; k < (Count - kLead) / 2; ++k) {
    y = (y & kMask) * 100;
    std::memcpy(p, kDigitPairs.c + 2 * (y >> kShift), 2);
    p += 2;
  }
}

// Writes the `digits` decimals of n so that they end just before `end`,
// which is moved to their start; returns n / 10^digits.  The row layouts'
// 4 and 7 decimals take put_low_digits.
[[gnu::always_inline]] inline std::uint64_t put_decimals(std::uint64_t n, int digits, char*& end) {
  if (digits == 4 || digits == 7) {
    const std::uint64_t scale = kPowersOfTen.p[digits];
    const std::uint64_t integer = n / scale;
    const auto fraction = static_cast<std::uint32_t>(n - integer * scale);
    if (digits == 4) {
      put_low_digits<4>(fraction, end);
    } else {
      put_low_digits<7>(fraction, end);
    }
    return integer;
  }
  if (n <= std::numeric_limits<std::uint32_t>::max()) {
    return put_digits(static_cast<std::uint32_t>(n), digits, end);
  }
  return put_digits(n, digits, end);
}

// Writes all decimal digits of n (one "0" for zero) so that they end just
// before `end`, which is moved to their start.
template <typename Unsigned>
inline void put_number(Unsigned n, char*& end) {
  while (n >= 100) {
    end -= 2;
    std::memcpy(end, kDigitPairs.c + 2 * (n % 100), 2);
    n /= 100;
  }
  if (n >= 10) {
    end -= 2;
    std::memcpy(end, kDigitPairs.c + 2 * n, 2);
  } else {
    *--end = static_cast<char>('0' + n);
  }
}

// floor(log10(2^e)) for |e| <= 1100: 78913 / 2^18 is log10(2) to within
// 8e-7, and no such e brings e log10(2) that close to an integer.
int decimal_exponent_of_power_of_two(int e) {
  return (e * 78913) >> 18;  // an arithmetic shift: the floor, also below 0
}

// Rounds a positive finite magnitude to `count` (1..19) significant digits:
// sets n to them as an integer of exactly `count` digits and `exponent` to
// the decimal exponent of the first one; false when out of range.
[[gnu::always_inline]] inline bool significant_digits_fast(double magnitude, int count,
                                                           std::uint64_t& n, int& exponent) {
  // 2^e <= magnitude < 2^(e+1); subnormals take the exact path.
  const int biased = static_cast<int>(std::bit_cast<std::uint64_t>(magnitude) >> 52);
  if (biased == 0) return false;
  const int e = biased - 1023;
  // x0 <= floor(log10(magnitude)) <= x0 + 1.
  const int x0 = decimal_exponent_of_power_of_two(e);
  const std::uint64_t top = kPowersOfTen.p[count];
  if (!scaled_round_fast(magnitude, count - 1 - x0, n)) return false;
  if (n < top) {
    exponent = x0;
  } else if (n == top) {
    // Either a carry into a new digit, or x0 one too small and the scaled
    // value at most 10^count + 1/2: both give 10..0 with exponent x0 + 1.
    n = top / 10;
    exponent = x0 + 1;
  } else {
    // x0 was one too small: round again, from the exact value.
    if (!scaled_round_fast(magnitude, count - 2 - x0, n)) return false;
    exponent = x0 + 1;
    if (n == top) {
      n = top / 10;
      exponent = x0 + 2;
    }
  }
  return n >= top / 10 && n < top;
}

// ---------------------------------------------------------------------------
// The fast path of the two fields.
//
// Both blank the field, then build their text right to left from its end,
// so the text never leaves the field's `width` characters.

constexpr char kBlanks[16] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                              ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

// Fills the `width` (>= 1) characters at `out` with blanks: two overlapping
// stores for a field of 8 to 32, which is cheaper than a call.
inline void blank_field(char* out, int width) {
  if (width >= 16 && width <= 32) {
    std::memcpy(out, kBlanks, 16);
    std::memcpy(out + width - 16, kBlanks, 16);
  } else if (width >= 8 && width < 16) {
    std::memcpy(out, kBlanks, 8);
    std::memcpy(out + width - 8, kBlanks, 8);
  } else {
    std::memset(out, ' ', static_cast<std::size_t>(width));
  }
}

// Writes the fixed-point field of a finite value when the fast path covers
// it (room for a digit before the point, magnitude times 10^digits below
// 2^64); returns false, having written nothing, otherwise.
[[gnu::always_inline]] inline bool fixed_field_fast(char* out, double value, int width,
                                                    int digits) {
  std::uint64_t n = 0;
  if (width <= 0 || digits < 0 || digits > width - 2 ||
      !scaled_round_fast(std::fabs(value), digits, n)) {
    return false;
  }
  blank_field(out, width);
  char* const end = out + width;
  char* p = end;
  const std::uint64_t integer = put_decimals(n, digits, p);
  *--p = '.';
  const bool minus = is_negative(value) && n != 0;
  // Places left for the integer digits: at least 0, as the point leaves one
  // place in front and a minus takes at most that one.
  const int places = static_cast<int>(p - out) - (minus ? 1 : 0);
  if (integer == 0) {
    if (places > 0) *--p = '0';  // else "0.5000" becomes ".5000"
  } else if (places < 20 && integer >= kPowersOfTen.p[places]) {
    std::fill(out, end, '*');
    return true;
  } else if (integer <= std::numeric_limits<std::uint32_t>::max()) {
    put_number(static_cast<std::uint32_t>(integer), p);
  } else {
    put_number(integer, p);
  }
  if (minus) *--p = '-';
  return true;
}

// Writes the exponent-form field of a finite value, `room` >= 0, when the
// fast path covers it (digits 1..9, a normal magnitude within the scaling's
// range); false, having written nothing, otherwise.
[[gnu::always_inline]] inline bool exponent_field_fast(char* out, double value, int width,
                                                       int digits, int room) {
  // d significant digits D1..Dd as 0.D1..Dd times ten to the exponent.
  std::uint64_t n = 0;
  int exponent = 0;
  if (digits < 1 || digits > 9) return false;
  if (value != 0.0) {
    if (!significant_digits_fast(std::fabs(value), digits, n, exponent)) return false;
    ++exponent;
  }
  blank_field(out, width);
  char* p = out + width;
  put_exponent_part(exponent, p);
  if (digits == 4) {
    put_low_digits<4>(static_cast<std::uint32_t>(n), p);
  } else {
    put_digits(static_cast<std::uint32_t>(n), digits, p);  // below 10^9
  }
  *--p = '.';
  if (room > 0) *--p = '0';
  if (is_negative(value)) *--p = '-';
  return true;
}

// Writes a fixed-point field through the generic fast path or, when that
// declines, the exact one: any value, width and digits.  Returns its end.
[[gnu::noinline]] char* fixed_field_general(char* out, double value, int width, int digits) {
  if (width <= 0) return out;
  if (!std::isfinite(value)) {
    std::fill_n(out, width, '*');
  } else if (!fixed_field_fast(out, value, width, digits)) {
    put_fixed_field_exact(out, value, width, digits);
  }
  return out + width;
}

// Writes a fixed-point field through the fast path compiled for `Digits`
// decimals, else the general one.  Returns its end.
template <int Digits>
[[gnu::noinline]] char* fixed_field_of(char* out, double value, int width) {
  if (fixed_field_fast(out, value, width, Digits)) return out + width;
  return fixed_field_general(out, value, width, Digits);
}

// Writes an exponent-form field of a finite value, `room` >= 0, through
// the generic fast path or, when that declines, the exact one.
[[gnu::noinline]] void exponent_field_general(char* out, double value, int width, int digits,
                                              int room) {
  if (!exponent_field_fast(out, value, width, digits, room)) {
    put_exponent_field_exact(out, value, digits, room);
  }
}

}  // namespace

char* put_list_double(char* out, double value) {
  return out + list_double_text(value, out);
}

void append_list_double(std::string& out, double value) {
  char text[kListDoubleRoom];
  out.append(text, put_list_double(text, value));
}

std::size_t list_double_length(double value) {
  char text[kListDoubleRoom];
  return static_cast<std::size_t>(list_double_text(value, text));
}

char* put_list_integer(char* out, std::int32_t value) {
  *out++ = ' ';
  return std::to_chars(out, out + kListIntegerRoom - 1, value).ptr;
}

void append_list_integer(std::string& out, std::int32_t value) {
  char text[kListIntegerRoom];
  out.append(text, put_list_integer(text, value));
}

// The data rows' layouts, F8.4, F15.7 and E12.4, get copies of the fast
// path compiled for their digit counts.  A value that is not finite never
// takes the fast path: its rounding (scaled_round) declines it.

char* put_fixed_field(char* out, double value, int width, int digits) {
  if (digits == 7) return fixed_field_of<7>(out, value, width);
  if (digits == 4) return fixed_field_of<4>(out, value, width);
  return fixed_field_general(out, value, width, digits);
}

char* put_exponent_field(char* out, double value, int width, int digits) {
  if (width <= 0) return out;
  const int room = width - (digits + 5) - (is_negative(value) ? 1 : 0);
  if (room < 0 || !std::isfinite(value)) {
    std::fill_n(out, width, '*');
  } else if (digits != 4 || !exponent_field_fast(out, value, width, 4, room)) {
    exponent_field_general(out, value, width, digits, room);
  }
  return out + width;
}

void append_fixed_field(std::string& out, double value, int width, int digits) {
  if (width <= 0) return;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(width));
  put_fixed_field(out.data() + at, value, width, digits);
}

void append_exponent_field(std::string& out, double value, int width, int digits) {
  if (width <= 0) return;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(width));
  put_exponent_field(out.data() + at, value, width, digits);
}

}  // namespace textio
