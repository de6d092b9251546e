#include "textio/number_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

// The data rows turn tens of thousands of doubles into text, so the two
// field layouts have a fast path next to the exact std::to_chars one.  Their
// digits are those of an integer: the magnitude times a power of ten,
// rounded to the nearest integer with ties to even, the same rounding that
// std::to_chars applies to the exact binary value.  One double operation
// gives that integer unless its result lies exactly halfway between two
// integers (see scaled_round_fast); then exact 128-bit integer arithmetic
// decides (scaled_round).  Values outside the integers' range, and layouts
// the fast path does not cover, take std::to_chars.  The rows' own layouts
// have a lean copy of the fast path, compiled for their digit counts.

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

// "E-99" .. "E+99": the exponent parts of the exponents below 100 in
// magnitude, four characters each, by exponent + 99.
constexpr auto kExponentParts = [] {
  struct Table {
    char c[4 * 199];
  } t{};
  for (int x = -99; x <= 99; ++x) {
    const int magnitude = x < 0 ? -x : x;
    char* p = t.c + 4 * (x + 99);
    p[0] = 'E';
    p[1] = x < 0 ? '-' : '+';
    p[2] = static_cast<char>('0' + magnitude / 10);
    p[3] = static_cast<char>('0' + magnitude % 10);
  }
  return t;
}();

// Writes the exponent part ("E", sign, two digits; with three digits the
// "E" is left out so the part keeps its four characters) before `end`,
// which is moved to its start.
inline void put_exponent_part(int exponent, char*& end) {
  end -= 4;
  if (exponent > -100 && exponent < 100) {
    std::memcpy(end, kExponentParts.c + 4 * (exponent + 99), 4);
    return;
  }
  const int magnitude = std::abs(exponent);
  end[0] = exponent < 0 ? '-' : '+';
  end[1] = static_cast<char>('0' + magnitude / 100);
  std::memcpy(end + 2, kDigitPairs.c + 2 * (magnitude % 100), 2);
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

// magnitude * 10^k rounded to the nearest integer, ties to even, exactly;
// nothing when |k| > kMaxScale or it would not fit 64 bits, and for an
// infinity or a not-a-number.  `magnitude` must not be negative.  Without
// 128-bit integers it always declines: std::to_chars decides.
[[gnu::noinline]] std::optional<std::uint64_t> scaled_round(double magnitude, int k) {
#if defined(__SIZEOF_INT128__)
  if (k < -kMaxScale || k > kMaxScale) return std::nullopt;
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
      if (e >= 64 || (x >> (64 - e)) != 0) return std::nullopt;
      return static_cast<std::uint64_t>(x << e);
    }
    const int s = -e;
    if (s >= 128) return 0;  // x < 2^127, so x / 2^s < 1/2: rounds to zero
    quotient = x >> s;
    const Wide rest = x - (quotient << s);
    const Wide half = Wide{1} << (s - 1);
    up = rest > half || (rest == half && (quotient & 1) != 0);
  } else {
    // Divide by 10^-k, and by 2^-e when e is negative.
    Wide x = m;
    Wide divisor = kWidePowersOfTen.p[-k];  // below 2^74
    if (e >= 0) {
      if (e > 127 - 53) return std::nullopt;
      x <<= e;
    } else {
      if (-e > 127 - 74) return std::nullopt;
      divisor <<= -e;
    }
    quotient = x / divisor;
    const Wide rest = x - quotient * divisor;
    const Wide twice = rest + rest;  // rest < divisor < 2^127
    up = twice > divisor || (twice == divisor && (quotient & 1) != 0);
  }
  if ((quotient >> 64) != 0) return std::nullopt;
  const auto n = static_cast<std::uint64_t>(quotient);
  if (!up) return n;
  if (n == ~std::uint64_t{0}) return std::nullopt;
  return n + 1;
#else
  (void)magnitude;
  (void)k;
  return std::nullopt;
#endif
}

// magnitude * 10^k for |k| <= kMaxScale: one correctly rounded double
// operation on exact operands.
[[gnu::always_inline]] inline double scaled_product(double magnitude, int k) {
  return k >= 0 ? magnitude * kPowersOfTenDouble.p[k] : magnitude / kPowersOfTenDouble.p[-k];
}

// Sets n to the exact value that p = scaled_product(...), 0 <= p < 2^52,
// was rounded from, itself rounded to the nearest integer, ties to even;
// false (n unset) when p is an integer plus 1/2, where only the exact value
// decides (scaled_round).
//
// Below 2^52 the doubles are at most 1/2 apart, so i = trunc(p), i + 1/2 and
// i + 1 are doubles, and f = p - i is exact.  Rounding to nearest is
// monotonic and leaves a double unchanged, so p < i + 1/2 proves the exact
// value below i + 1/2 (and above i - 1/2: p >= i is within half an ulp of
// it), which rounds to i; p > i + 1/2 proves it between i + 1/2 and i + 1,
// which rounds to i + 1.  Only p = i + 1/2, where the exact value may be a
// tie or lie on either side, is left open.
[[gnu::always_inline]] inline bool round_product(double p, std::uint64_t& n) {
  const auto i = static_cast<std::int64_t>(p);
  const double f = p - static_cast<double>(i);
  if (f == 0.5) return false;
  n = static_cast<std::uint64_t>(i) + (f > 0.5 ? 1 : 0);
  return true;
}

// Same result as scaled_round, usually from one double operation: products
// below 2^52 that round_product settles; the rest go to scaled_round.
[[gnu::always_inline]] inline std::optional<std::uint64_t> scaled_round_fast(double magnitude,
                                                                             int k) {
  if (k >= -kMaxScale && k <= kMaxScale) {
    const double p = scaled_product(magnitude, k);
    std::uint64_t n = 0;
    if (p < 0x1p52 && round_product(p, n)) return n;
  }
  return scaled_round(magnitude, k);
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

#if defined(__SIZEOF_INT128__)
// a * b, all 128 bits, and its two halves.
inline Wide multiply(std::uint64_t a, std::uint64_t b) {
  return Wide{a} * b;
}
inline std::uint64_t high_half(Wide y) {
  return static_cast<std::uint64_t>(y >> 64);
}
inline std::uint64_t low_half(Wide y) {
  return static_cast<std::uint64_t>(y);
}
#else
// Without 128-bit integers, a 128-bit product as its two halves.
struct Wide {
  std::uint64_t high;
  std::uint64_t low;
};

// a * b from four products of 32-bit halves; `middle` sums three values
// below 2^32.
inline Wide multiply(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kHalf = 0xffffffff;
  const std::uint64_t a0 = a & kHalf, a1 = a >> 32, b0 = b & kHalf, b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0;
  const std::uint64_t middle = (p00 >> 32) + (p01 & kHalf) + (p10 & kHalf);
  return {a1 * b1 + (p01 >> 32) + (p10 >> 32) + (middle >> 32), middle << 32 | (p00 & kHalf)};
}
inline std::uint64_t high_half(Wide y) {
  return y.high;
}
inline std::uint64_t low_half(Wide y) {
  return y.low;
}
#endif

// Writes n < 10^(Whole + Fraction) at `p` as `Whole` (1 or 2) digits, the
// point and `Fraction` digits, zeros in front: "05.2500" for 52500, 2, 4.
//
// y = n M, M = floor(2^64 / 10^Fraction) + 1, is n / 10^Fraction in 64-bit
// fixed point, too large by less than e = 10^(Whole + Fraction) / 2^64.
// Its integer part gives the whole digits; then each pair (or last digit)
// is the integer part of the fraction times 100 (or 10), which multiplies
// the error alike.  With j digits still to come, the exact fraction is a
// multiple of 10^-j and the error is below e 10^(Fraction - j), which
// 10^(Whole + 2 Fraction) <= 2^64 keeps below 10^-j: every integer part is
// exact.  One multiplication per pair, no division.
template <int Whole, int Fraction>
[[gnu::always_inline]] inline void put_decimal_text(std::uint64_t n, char* p) {
  static_assert(Whole == 1 || Whole == 2);
  static_assert(Fraction >= 1 && Whole + 2 * Fraction <= 19);
  constexpr std::uint64_t kMultiplier = ~std::uint64_t{0} / kPowersOfTen.p[Fraction] + 1;
  Wide y = multiply(n, kMultiplier);
  if constexpr (Whole == 1) {
    *p++ = static_cast<char>('0' + high_half(y));
  } else {
    std::memcpy(p, kDigitPairs.c + 2 * high_half(y), 2);
    p += 2;
  }
  *p++ = '.';
  for (int k = 0; k < Fraction / 2; ++k, p += 2) {
    y = multiply(low_half(y), 100);
    std::memcpy(p, kDigitPairs.c + 2 * high_half(y), 2);
  }
  if constexpr (Fraction % 2 == 1) {
    *p = static_cast<char>('0' + high_half(multiply(low_half(y), 10)));
  }
}

// Writes the `digits` decimals of n so that they end just before `end`,
// which is moved to their start; returns n / 10^digits.
[[gnu::always_inline]] inline std::uint64_t put_decimals(std::uint64_t n, int digits, char*& end) {
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

// A magnitude's significant digits as an integer of exactly the count asked
// for, and the decimal exponent of the first one (1234.5 -> 1235, 3).
struct Significand {
  std::uint64_t digits;
  int exponent;
};

// Rounds a magnitude 2^e <= magnitude < 2^(e+1), |e| <= 1100, to `count`
// (1..19) significant digits, where round(k) is the magnitude times 10^k
// rounded to an integer, or nothing; nothing when round declines.
template <typename Round>
[[gnu::always_inline]] inline std::optional<Significand> round_significand(int e, int count,
                                                                           Round round) {
  // x0 <= floor(log10(magnitude)) <= x0 + 1.
  const int x0 = decimal_exponent_of_power_of_two(e);
  const std::uint64_t top = kPowersOfTen.p[count];
  auto n = round(count - 1 - x0);
  int exponent = x0;
  if (n && *n >= top) {
    // x0 was one too small, or the digits carried into a new one (the
    // value is then within 1/2 of 10^count, and one power lower it rounds
    // to 10^(count - 1)): either way, round again one power lower.
    n = round(count - 2 - x0);
    exponent = x0 + 1;
    if (n && *n == top) {  // a carry into a new digit
      n = top / 10;
      exponent = x0 + 2;
    }
  }
  if (!n) return std::nullopt;
  return Significand{*n, exponent};
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
  if (width <= 0 || digits < 0 || digits > width - 2) return false;
  const auto rounded = scaled_round_fast(std::fabs(value), digits);
  if (!rounded) return false;
  const std::uint64_t n = *rounded;
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
    const double magnitude = std::fabs(value);
    // 2^e <= magnitude < 2^(e+1); subnormals take the exact path.
    const int biased = static_cast<int>(std::bit_cast<std::uint64_t>(magnitude) >> 52);
    if (biased == 0) return false;
    const auto s = round_significand(
        biased - 1023, digits, [magnitude](int k) { return scaled_round_fast(magnitude, k); });
    if (!s) return false;
    n = s->digits;
    exponent = s->exponent + 1;
  }
  blank_field(out, width);
  char* p = out + width;
  put_exponent_part(exponent, p);
  put_digits(static_cast<std::uint32_t>(n), digits, p);  // below 10^9
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

// Writes an exponent-form field through the generic fast path or, when that
// declines, the exact one: any value, width and digits.  Returns its end.
[[gnu::noinline]] char* exponent_field_general(char* out, double value, int width, int digits) {
  if (width <= 0) return out;
  const int room = width - (digits + 5) - (is_negative(value) ? 1 : 0);
  if (room < 0 || !std::isfinite(value)) {
    std::fill_n(out, width, '*');
  } else if (!exponent_field_fast(out, value, width, digits, room)) {
    put_exponent_field_exact(out, value, digits, room);
  }
  return out + width;
}

// ---------------------------------------------------------------------------
// The lean path of the data rows' layouts.
//
// Compiled for one digit count, it covers the values the rows hold in the
// fields they use: the text has a fixed length and sits at the field's end,
// and one store of eight blanks at the field's start covers the places in
// front of it.  Anything else it hands, untouched, to the general path.

// Writes a fixed-point field with `Digits` decimals of a value that rounds
// below 100 in magnitude, in a field of 8 or more places that is one to
// eight places wider than "dd.ddd"; else fixed_field_general does.  Returns
// out + width.
template <int Digits>
[[gnu::noinline]] char* fixed_field_of(char* out, double value, int width) {
  constexpr int kText = Digits + 3;  // "dd.ddd"
  constexpr std::uint64_t kTen = 10 * kPowersOfTen.p[Digits];
  // A rounded product below this double proves the exact one below it
  // (rounding to nearest is monotonic), and so rounding below 100 10^Digits:
  // two integer digits at most.
  constexpr double kLimit = 100.0 * kPowersOfTenDouble.p[Digits] - 0.5;
  // Rounding is symmetric about zero: the product of the magnitude is the
  // magnitude of the product.
  const double signed_scaled = value * kPowersOfTenDouble.p[Digits];
  const double scaled = std::fabs(signed_scaled);
  if (width < std::max(8, kText + 1) || width > kText + 8 || !(scaled < kLimit)) {
    return fixed_field_general(out, value, width, Digits);  // also NaN and infinities
  }
  std::uint64_t n = 0;
  if (!round_product(scaled, n)) return fixed_field_general(out, value, width, Digits);
  std::memcpy(out, kBlanks, 8);
  char* const text = out + width - kText;
  put_decimal_text<2, Digits>(n, text);
  // With one integer digit the sign (a minus or a blank) takes the place of
  // its leading zero; with two it goes in front of them.  A value that
  // rounds to zero (a product of 1/2 or less, 1/2 itself being declined)
  // takes no minus.
  char* const sign = n < kTen ? text : text - 1;
  *sign = signed_scaled < -0.5 ? '-' : ' ';
  return out + width;
}

// Writes an exponent-form field with `Digits` significant digits of a value
// of magnitude 2^-40 to 2^60, in a field that is zero to eight places wider
// than a sign place and "0.ddddE+dd"; else exponent_field_general does.
// Returns out + width.
template <int Digits>
[[gnu::noinline]] char* exponent_field_of(char* out, double value, int width) {
  // For these magnitudes and digit counts the powers of ten stay within
  // kMaxScale, the products below 2^52 and the exponents below 100.
  static_assert(Digits >= 1 && Digits <= 9);
  constexpr int kText = Digits + 7;  // sign place, "0.", digits, exponent part
  const double magnitude = std::fabs(value);
  const int e = static_cast<int>(std::bit_cast<std::uint64_t>(magnitude) >> 52) - 1023;
  if (width < kText || width > kText + 8 || e < -40 || e >= 60) {
    return exponent_field_general(out, value, width, Digits);  // also zero, NaN, infinities
  }
  const auto s = round_significand(e, Digits, [magnitude](int k) -> std::optional<std::uint64_t> {
    std::uint64_t n = 0;
    if (!round_product(scaled_product(magnitude, k), n)) return std::nullopt;
    return n;
  });
  if (!s) return exponent_field_general(out, value, width, Digits);
  std::memcpy(out, kBlanks, 8);
  char* const end = out + width;
  const int exponent = s->exponent + 1;  // of 0.D1..Dd, below 100 in magnitude
  std::memcpy(end - 4, kExponentParts.c + 4 * (exponent + 99), 4);
  put_decimal_text<1, Digits>(s->digits, end - kText + 1);  // "0.ddd": below 10^Digits
  end[-kText] = is_negative(value) ? '-' : ' ';
  return end;
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

// The data rows' layouts, F8.4, F15.7 and E12.4, take the lean path
// compiled for their digit counts; other layouts, and the values that path
// declines, take the general one.

char* put_fixed_field(char* out, double value, int width, int digits) {
  if (digits == 7) return fixed_field_of<7>(out, value, width);
  if (digits == 4) return fixed_field_of<4>(out, value, width);
  return fixed_field_general(out, value, width, digits);
}

char* put_exponent_field(char* out, double value, int width, int digits) {
  if (digits == 4) return exponent_field_of<4>(out, value, width);
  return exponent_field_general(out, value, width, digits);
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
