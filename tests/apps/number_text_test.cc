// Number text of list-directed items and of the fixed-point and
// exponent-form fields of data rows: golden strings for ties, carries and
// exponent widths, then a comparison with an exact reference over more than
// a million doubles: every magnitude, both signs, and heavy weight on
// values within a few ulps of a rounding boundary, exact halfway cases
// included, in the rows' layouts (which have a lean path of their own) and
// in every other width.
#include "textio/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Shortest text that identifies a double, for failure messages.
std::string show(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string list_double(double value) {
  char text[textio::kListDoubleRoom];
  return std::string(text, textio::put_list_double(text, value));
}

std::string list_integer(std::int32_t value) {
  char text[textio::kListIntegerRoom];
  return std::string(text, textio::put_list_integer(text, value));
}

// The field in a buffer with guards on both sides: a writer that strays
// beyond its `width` characters fails the test.
template <char* (*Put)(char*, double, int, int)>
std::string field_text(double value, int width, int digits) {
  constexpr char kGuard = '\x7f';
  constexpr int kMargin = 16;
  char buffer[2 * kMargin + 128];
  const int w = std::clamp(width, 0, 128);
  std::fill(std::begin(buffer), std::end(buffer), kGuard);
  char* const out = buffer + kMargin;
  const char* const end = Put(out, value, width, digits);
  const bool inside = std::all_of(buffer, out, [](char c) { return c == kGuard; }) &&
                      std::all_of(out + w, std::end(buffer), [](char c) { return c == kGuard; });
  if (end != out + w || !inside) {
    ADD_FAILURE() << "value " << value << " width " << width << ": written outside the field";
  }
  return std::string(static_cast<const char*>(out), end);
}

std::string fixed_field(double value, int width, int digits) {
  return field_text<textio::put_fixed_field>(value, width, digits);
}

std::string exponent_field(double value, int width, int digits) {
  return field_text<textio::put_exponent_field>(value, width, digits);
}

// ---------------------------------------------------------------------------
// Golden strings

struct DoubleCase {
  double value;
  const char* text;
};

TEST(ListDouble, GoldenText) {
  const DoubleCase cases[] = {
      // Values of the console dialogue.
      {0.005, "  0.005"},
      {0.02, "  0.02"},
      {3.1, "  3.1"},
      {20.48, "  20.48"},
      {0.3067961576171875, "  0.306796158"},
      {628.3185308, "  628.318531"},
      {123456789.0, "  123456789."},
      {1.0, "  1."},
      {100.00000001591549, "  100."},
      {0.04, "  0.04"},
      // Zeros and signs.
      {0.0, "  0."},
      {-0.0, "  0."},
      {-2.5, " -2.5"},
      {-1.0, " -1."},
      {-0.005, " -0.005"},
      // Positional notation from 1e-4 up to below 1e9, nine digits at most.
      {1e-4, "  0.0001"},
      {1.23456789e-4, "  0.000123456789"},
      {9.9999999996e-5, "  0.0001"},  // rounds up into the positional range
      {0.1, "  0.1"},
      {1e8, "  100000000."},
      {999999999.4, "  999999999."},
      {12345.678901, "  12345.6789"},
      {9.9999999996, "  10."},  // carry into a new digit
      // Exponent notation outside that range.
      {999999999.6, "  1.E+9"},  // rounds up out of the positional range
      {1e9, "  1.E+9"},
      {1.5e10, "  1.5E+10"},
      {1.5e-5, "  1.5E-5"},
      {-1.5e-5, " -1.5E-5"},
      {9.99999999e-5, "  9.99999999E-5"},
      {1.2345678912e-100, "  1.23456789E-100"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(list_double(c.value), c.text) << "value " << show(c.value);
  }
}

TEST(ListInteger, GoldenText) {
  const struct {
    std::int32_t value;
    const char* text;
  } cases[] = {
      {0, " 0"},
      {7, " 7"},
      {-7, " -7"},
      {4096, " 4096"},
      {2048, " 2048"},
      {-100, " -100"},
      {std::numeric_limits<std::int32_t>::max(), " 2147483647"},
      {std::numeric_limits<std::int32_t>::min(), " -2147483648"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(list_integer(c.value), c.text) << "value " << c.value;
  }
}

struct FieldCase {
  double value;
  int width;
  int digits;
  const char* text;
};

TEST(FixedField, GoldenText) {
  const FieldCase cases[] = {
      // Time column: width 8, 4 decimals.
      {1.25, 8, 4, "  1.2500"},
      {-0.5, 8, 4, " -0.5000"},
      {-0.00001, 8, 4, "  0.0000"},  // rounds to zero: no minus
      {-0.00006, 8, 4, " -0.0001"},
      {20.475, 8, 4, " 20.4750"},
      {0.048828125, 8, 4, "  0.0488"},
      {0.0, 8, 4, "  0.0000"},
      {-0.0, 8, 4, "  0.0000"},
      {9.99996, 8, 4, " 10.0000"},  // carry into a new digit
      {2.34375, 8, 4, "  2.3438"},  // exactly halfway: to the even digit
      {2.40625, 8, 4, "  2.4062"},
      {999.99994, 8, 4, "999.9999"},
      {-99.99994, 8, 4, "-99.9999"},
      {999.99996, 8, 4, "********"},  // carry makes it one too long
      {-99.99996, 8, 4, "********"},
      {1000.0, 8, 4, "********"},
      {-1000.0, 8, 4, "********"},
      // One too long and starting with "0.": the "0" goes.
      {-0.5, 6, 4, "-.5000"},
      {0.5, 6, 4, "0.5000"},
      {-0.00001, 6, 4, "0.0000"},
      {-1.5, 6, 4, "******"},
      {0.5, 5, 4, ".5000"},
      {-0.5, 5, 4, "*****"},  // two too long
      // History columns: width 15, 7 decimals.
      {0.261739421, 15, 7, "      0.2617394"},
      {0.301177262, 15, 7, "      0.3011773"},
      {-0.0123456789, 15, 7, "     -0.0123457"},
      {-0.0, 15, 7, "      0.0000000"},
      {-0.00000004, 15, 7, "      0.0000000"},
      {85.2106213, 15, 7, "     85.2106213"},
      {0.00390625, 15, 7, "      0.0039062"},  // exactly halfway
      {1234567.5, 15, 7, "1234567.5000000"},
      {-1234567.5, 15, 7, "***************"},
      {12345678.9, 15, 7, "***************"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fixed_field(c.value, c.width, c.digits), c.text)
        << "value " << show(c.value) << " width " << c.width << " digits " << c.digits;
  }
}

TEST(ExponentField, GoldenText) {
  const FieldCase cases[] = {
      {0.987654, 12, 4, "  0.9877E+00"},
      {0.0303, 12, 4, "  0.3030E-01"},
      {1234.5678, 12, 4, "  0.1235E+04"},
      {-2.5e-7, 12, 4, " -0.2500E-06"},
      {1.0, 12, 4, "  0.1000E+01"},
      {1e10, 12, 4, "  0.1000E+11"},
      // Zero of either sign.
      {0.0, 12, 4, "  0.0000E+00"},
      {-0.0, 12, 4, "  0.0000E+00"},
      // Rounding that carries into a new digit moves the exponent.
      {9.99996, 12, 4, "  0.1000E+02"},
      {-9.99996, 12, 4, " -0.1000E+02"},
      {0.099996, 12, 4, "  0.1000E+00"},
      // Exactly halfway: to the even digit.
      {1234.5, 12, 4, "  0.1234E+04"},
      {1235.5, 12, 4, "  0.1236E+04"},
      // Three exponent digits take the place of the "E".
      {3.2e-120, 12, 4, "  0.3200-119"},
      {-3.2e-120, 12, 4, " -0.3200-119"},
      {5e98, 12, 4, "  0.5000E+99"},
      {5e99, 12, 4, "  0.5000+100"},
      {-5e99, 12, 4, " -0.5000+100"},
      {9.99996e98, 12, 4, "  0.1000+100"},  // carry from 99 to 100
      {5e-100, 12, 4, "  0.5000E-99"},
      {5e-101, 12, 4, "  0.5000-100"},
      {-5e-101, 12, 4, " -0.5000-100"},
      {9.99996e-101, 12, 4, "  0.1000E-99"},  // carry from -100 to -99
      // Narrower fields: the "0" before the point needs room of its own.
      {0.5, 11, 4, " 0.5000E+00"},
      {0.5, 10, 4, "0.5000E+00"},
      {-0.5, 10, 4, "-.5000E+00"},
      {0.5, 9, 4, ".5000E+00"},
      {-0.5, 9, 4, "*********"},
      {0.5, 8, 4, "********"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(exponent_field(c.value, c.width, c.digits), c.text)
        << "value " << show(c.value) << " width " << c.width << " digits " << c.digits;
  }
}

// ---------------------------------------------------------------------------
// The reference: the decimal digits of the C library's printf conversions,
// which round the exact binary value correctly (halfway cases to the even
// digit), laid out by the field rules on their own.  Values that are not
// finite fill a field with asterisks.

std::string ref_fixed_field(double value, int width, int digits) {
  const auto w = static_cast<std::size_t>(std::max(width, 0));
  if (!std::isfinite(value)) return std::string(w, '*');
  std::vector<char> text(512);
  std::snprintf(text.data(), text.size(), "%.*f", digits, std::fabs(value));
  std::string body = text.data();
  if (digits == 0) body += '.';
  const bool minus = value < 0.0 && body.find_first_of("123456789") != std::string::npos;
  std::size_t needed = body.size() + (minus ? 1 : 0);
  if (needed > w) {
    if (body[0] != '0' || needed - 1 != w) return std::string(w, '*');
    body.erase(0, 1);
    --needed;
  }
  return std::string(w - needed, ' ') + (minus ? "-" : "") + body;
}

std::string ref_exponent_field(double value, int width, int digits) {
  const bool minus = value < 0.0;
  const int room = width - (digits + 5) - (minus ? 1 : 0);
  if (room < 0 || !std::isfinite(value)) {
    return std::string(static_cast<std::size_t>(std::max(width, 0)), '*');
  }
  std::string mantissa(static_cast<std::size_t>(digits), '0');
  int exponent = 0;
  if (value != 0.0) {
    // "D.DDDe+XX": the significant digits and the power of the first one.
    char text[512];
    std::snprintf(text, sizeof text, "%.*e", digits - 1, std::fabs(value));
    const std::string t = text;
    mantissa =
        t.substr(0, 1) + (digits > 1 ? t.substr(2, static_cast<std::size_t>(digits - 1)) : "");
    exponent = std::atoi(t.c_str() + t.find('e') + 1) + 1;
  }
  char part[16];
  if (std::abs(exponent) < 100) {
    std::snprintf(part, sizeof part, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
  } else {
    std::snprintf(part, sizeof part, "%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
  }
  std::string out(static_cast<std::size_t>(room > 0 ? room - 1 : 0), ' ');
  if (minus) out += '-';
  if (room > 0) out += '0';
  return out + "." + mantissa + part;
}

std::string ref_list_double(double value) {
  std::string out = value < 0.0 ? " -" : "  ";
  if (value == 0.0) return out + "0.";
  const double magnitude = std::fabs(value);
  char text[512];
  std::snprintf(text, sizeof text, "%.8e", magnitude);
  std::string sci = text;
  const std::size_t e = sci.find('e');
  const int x = std::atoi(sci.c_str() + e + 1);
  if (x >= -4 && x <= 8) {
    // Rounding at 8 - x decimals is rounding to nine significant digits.
    std::snprintf(text, sizeof text, "%.*f", 8 - x, magnitude);
    std::string pos = text;
    if (pos.find('.') == std::string::npos) {
      pos += '.';
    } else {
      while (pos.back() == '0') pos.pop_back();
    }
    return out + pos;
  }
  std::string mant = sci.substr(0, e);
  while (mant.back() == '0') mant.pop_back();
  return out + mant + "E" + (x < 0 ? "-" : "+") + std::to_string(std::abs(x));
}

// The reference itself, against the golden strings of the tool's layout.
TEST(NumberTextReference, AgreesWithGoldenExamples) {
  EXPECT_EQ(ref_list_double(0.3067961576171875), "  0.306796158");
  EXPECT_EQ(ref_list_double(100.00000001591549), "  100.");
  EXPECT_EQ(ref_list_double(1.5e-5), "  1.5E-5");
  EXPECT_EQ(ref_fixed_field(-0.5, 6, 4), "-.5000");
  EXPECT_EQ(ref_fixed_field(-0.00001, 8, 4), "  0.0000");
  EXPECT_EQ(ref_fixed_field(999.99996, 8, 4), "********");
  EXPECT_EQ(ref_fixed_field(0.00390625, 15, 7), "      0.0039062");
  EXPECT_EQ(ref_fixed_field(7.0, 4, 0), "  7.");
  EXPECT_EQ(ref_exponent_field(3.2e-120, 12, 4), "  0.3200-119");
  EXPECT_EQ(ref_exponent_field(9.99996, 12, 4), "  0.1000E+02");
  EXPECT_EQ(ref_exponent_field(-0.0, 12, 4), "  0.0000E+00");
  EXPECT_EQ(ref_exponent_field(-2.5, 8, 1), "-0.2E+01");  // a tie: to the even digit
}

// ---------------------------------------------------------------------------
// Values

// Sanitizer builds, and cross builds whose tests run under an emulator, run
// the same kinds of values, a quarter as many of each.
#if defined(__SANITIZE_ADDRESS__) || defined(YOFFE_CROSS)
constexpr int kScale = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kScale = 4;
#else
constexpr int kScale = 1;
#endif
#else
constexpr int kScale = 1;
#endif

constexpr double kInfinity = std::numeric_limits<double>::infinity();

class Sampler {
 public:
  std::vector<double> values;  // magnitudes; each is tested with both signs

  // `center` and the doubles up to `ulps` steps on either side of it.
  void around(double center, int ulps) {
    values.push_back(center);
    double up = center, down = center;
    for (int i = 0; i < ulps; ++i) {
      up = std::nextafter(up, kInfinity);
      down = std::nextafter(down, -kInfinity);
      values.push_back(up);
      values.push_back(down);
    }
  }
  std::int64_t integer(std::int64_t low, std::int64_t high) {
    return std::uniform_int_distribution<std::int64_t>(low, high)(rng_);
  }
  double uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(rng_);
  }
  // Any finite non-negative double, every binade equally likely.
  double any_finite() {
    const auto exponent = static_cast<std::uint64_t>(integer(0, 2046));
    const std::uint64_t fraction = rng_() & ((std::uint64_t{1} << 52) - 1);
    return std::bit_cast<double>(exponent << 52 | fraction);
  }
  // An integer of `decimals` digits at most, each count of digits equally likely.
  std::int64_t digits_up_to(int decimals) {
    const int d = static_cast<int>(integer(1, decimals));
    std::int64_t low = 1;
    for (int i = 1; i < d; ++i) low *= 10;
    return integer(d == 1 ? 0 : low, low * 10 - 1);
  }

 private:
  std::mt19937_64 rng_{0x7e3a91c5u};
};

// Boundaries of the fixed-point fields with `digits` decimals: (k + 1/2)
// 10^-digits for k of up to `integer_digits` + `digits` digits, a few ulps
// either side, and exactly halfway values, odd multiples of 2^-(digits + 1).
void fixed_boundaries(Sampler& s, int digits, int integer_digits, int count) {
  const double scale = 2.0 * std::pow(10.0, digits);
  const double unit = std::ldexp(1.0, -(digits + 1));
  for (int i = 0; i < count; ++i) {
    s.around(static_cast<double>(2 * s.digits_up_to(integer_digits + digits) + 1) / scale, 3);
    if (i % 4 == 0) {
      s.values.push_back(static_cast<double>(2 * s.digits_up_to(integer_digits + digits) + 1) *
                         unit);
    }
  }
}

// Boundaries of four significant digits, (k + 1/2) 10^(x - 3) for k in
// 1000..9999, around every decimal exponent x from -40 to 40 and some
// beyond, the carries into a new digit at 9999.5 10^(x - 3), and exactly
// halfway values: (2k + 1) 10^j / 2, and q / 2^(j + 1) with 5^j q = 2k + 1.
void significant_boundaries(Sampler& s, int count) {
  for (int i = 0; i < count; ++i) {
    const int x =
        i % 8 == 0 ? static_cast<int>(s.integer(-300, 300)) : static_cast<int>(s.integer(-40, 40));
    s.around((static_cast<double>(s.integer(1000, 9999)) + 0.5) * std::pow(10.0, x - 3), 4);
    if (i % 16 == 0) s.around(9999.5 * std::pow(10.0, x - 3), 4);
    if (i % 16 == 1) s.around(std::pow(10.0, x), 4);
    if (i % 8 == 2) {
      std::int64_t scaled = 2 * s.integer(1000, 9999) + 1;
      for (int j = static_cast<int>(s.integer(0, 11)); j > 0; --j) scaled *= 10;
      s.values.push_back(static_cast<double>(scaled) / 2.0);
    }
  }
  std::int64_t five = 1;
  for (int j = 1; j <= 6; ++j) {
    five *= 5;
    for (std::int64_t q = 1; five * q <= 19999; q += 2) {
      if (five * q >= 2001) s.values.push_back(std::ldexp(static_cast<double>(q), -(j + 1)));
    }
  }
}

// Boundaries of nine significant digits, the list-directed doubles':
// (k + 1/2) 10^x for k of nine digits, and exactly halfway values k + 1/2.
void list_boundaries(Sampler& s, int count) {
  for (int i = 0; i < count; ++i) {
    const double k = static_cast<double>(s.integer(100000000, 999999999)) + 0.5;
    s.around(k * std::pow(10.0, static_cast<int>(s.integer(-14, 1))), 3);
    s.values.push_back(k);
  }
}

// Where the lean path of the rows stops covering a value (the fixed fields'
// 99.99995 and 999999.99999995, the exponent field's 2^-40 and 2^60), the
// fields' overflow into asterisks, carries, powers of ten and the extremes
// of the doubles.
void edges(Sampler& s) {
  for (double v : {99.99995, 999999.99999995, 0x1p-40, 0x1p60, 999.99995, 9.99995, 0.5, 0.05,
                   0.00005, 0.00000005, 1.0, 1000.0, 10000000.0, 9.9999999501, 123.5}) {
    s.around(v, 8);
  }
  for (int x = -330; x <= 310; ++x) s.around(std::pow(10.0, x), 2);
  for (int x = -27; x <= 30; ++x) s.around(4.5 * std::pow(10.0, x), 2);
  s.around(std::numeric_limits<double>::denorm_min(), 4);
  s.around(std::numeric_limits<double>::min(), 4);
  s.around(std::numeric_limits<double>::max(), 4);
  for (double v : {0.0, kInfinity, std::numeric_limits<double>::quiet_NaN()}) {
    s.values.push_back(v);
  }
}

struct Samples {
  std::vector<double> values;
  std::size_t special = 0;  // values from here on see every layout
};

const Samples& samples() {
  static const Samples all = [] {
    Sampler s;
    // Every binade of the doubles, and log-uniform over the magnitudes
    // where the fields show digits.
    for (int i = 0; i < 120000 / kScale; ++i) s.values.push_back(s.any_finite());
    for (int i = 0; i < 120000 / kScale; ++i)
      s.values.push_back(std::pow(10.0, s.uniform(-12, 17)));
    fixed_boundaries(s, 4, 3, 20000 / kScale);  // F8.4
    fixed_boundaries(s, 7, 7, 20000 / kScale);  // F15.7
    significant_boundaries(s, 20000 / kScale);  // E12.4
    list_boundaries(s, 1500 / kScale);
    const std::size_t special = s.values.size();
    for (int digits : {0, 1, 2, 3, 5, 6, 8, 9}) fixed_boundaries(s, digits, 4, 1500 / kScale);
    edges(s);
    return Samples{std::move(s.values), special};
  }();
  return all;
}

// ---------------------------------------------------------------------------
// Properties

struct Layout {
  const char* name;
  std::string (*got)(double, int, int);
  std::string (*want)(double, int, int);
  int width;
  int digits;
};

// Checks every value of `values` (with both signs) in `layouts`; stops the
// test after 20 mismatches.  Returns the number of fields checked.
long check_layouts(const std::vector<double>& values, const std::vector<Layout>& layouts) {
  int failures = 0;
  long checked = 0;
  for (double magnitude : values) {
    for (double v : {magnitude, -magnitude}) {
      for (const Layout& layout : layouts) {
        ++checked;
        const std::string got = layout.got(v, layout.width, layout.digits);
        const std::string want = layout.want(v, layout.width, layout.digits);
        if (got == want) continue;
        ADD_FAILURE() << layout.name << layout.width << "." << layout.digits << " of " << show(v)
                      << ": got \"" << got << "\", want \"" << want << "\"";
        if (++failures >= 20) {
          ADD_FAILURE() << "stopping after 20 mismatches";
          return checked;
        }
      }
    }
  }
  return checked;
}

TEST(NumberText, RowLayoutsMatchTheReferenceAroundEveryRoundingBoundary) {
  const std::vector<double>& values = samples().values;
  ASSERT_GE(2 * values.size(), kScale == 1 ? 1000000u : 250000u);
  const long checked = check_layouts(values, {{"F", fixed_field, ref_fixed_field, 8, 4},
                                              {"F", fixed_field, ref_fixed_field, 15, 7},
                                              {"E", exponent_field, ref_exponent_field, 12, 4}});
  EXPECT_EQ(checked, 3 * 2 * static_cast<long>(values.size()));
}

TEST(NumberText, ListDoublesMatchTheReference) {
  int failures = 0;
  for (double magnitude : samples().values) {
    for (double v : {magnitude, -magnitude}) {
      if (!std::isfinite(v) || list_double(v) == ref_list_double(v)) continue;
      ADD_FAILURE() << "list double of " << show(v) << ": got \"" << list_double(v) << "\", want \""
                    << ref_list_double(v) << "\"";
      if (++failures >= 20) FAIL() << "stopping after 20 mismatches";
    }
  }
}

// Every width from 1 to 26 with the rows' digit counts: fields too narrow
// for the value, the leading "0" dropped, the widths where the lean path
// applies and those around them.
TEST(NumberText, EveryWidthOfTheRowsDigitCountsMatchesTheReference) {
  const Samples& all = samples();
  std::vector<double> values;
  for (std::size_t i = 0; i < all.values.size(); i += i < all.special ? 400 : 8) {
    values.push_back(all.values[i]);
  }
  std::vector<Layout> layouts;
  for (int width = 1; width <= 26; ++width) {
    layouts.push_back({"F", fixed_field, ref_fixed_field, width, 4});
    layouts.push_back({"F", fixed_field, ref_fixed_field, width, 7});
    layouts.push_back({"E", exponent_field, ref_exponent_field, width, 4});
  }
  check_layouts(values, layouts);
}

// Other digit counts, which only the exact path serves, on the boundaries
// of their own decimals and every 100th value of the bulk.
TEST(NumberText, OtherDigitCountsMatchTheReference) {
  const Samples& all = samples();
  std::vector<double> values;
  for (std::size_t i = 0; i < all.values.size(); i += i < all.special ? 100 : 1) {
    values.push_back(all.values[i]);
  }
  std::vector<Layout> layouts;
  for (const auto& [width, digits] : {std::pair{4, 0},
                                      {12, 1},
                                      {12, 2},
                                      {12, 3},
                                      {20, 5},
                                      {20, 6},
                                      {30, 8},
                                      {40, 9},
                                      {64, 12},
                                      {70, 7}}) {
    layouts.push_back({"F", fixed_field, ref_fixed_field, width, digits});
  }
  for (const auto& [width, digits] : {std::pair{8, 1}, {10, 2}, {14, 6}, {20, 9}, {30, 17}}) {
    layouts.push_back({"E", exponent_field, ref_exponent_field, width, digits});
  }
  check_layouts(values, layouts);
}

}  // namespace
