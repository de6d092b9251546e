// Number text of list-directed items and of the fixed-point and
// exponent-form fields of data rows: golden strings, then a comparison with
// an exact reference over many values of every magnitude the tool prints.
#include "textio/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// Shortest text that identifies a double, for failure messages.
std::string show(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string list_double(double value) {
  std::string out;
  textio::append_list_double(out, value);
  return out;
}

std::string list_integer(std::int32_t value) {
  std::string out;
  textio::append_list_integer(out, value);
  return out;
}

std::string fixed_field(double value, int width, int digits) {
  std::string out;
  textio::append_fixed_field(out, value, width, digits);
  return out;
}

std::string exponent_field(double value, int width, int digits) {
  std::string out;
  textio::append_exponent_field(out, value, width, digits);
  return out;
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
// Reference layouts.  The decimal digits come from the C library's printf
// conversions, which round the exact binary value correctly (halfway cases
// to the even digit); the field rules are laid out here on their own.

std::string ref_fixed_field(double value, int width, int digits) {
  char text[512];
  std::snprintf(text, sizeof text, "%.*f", digits, std::fabs(value));
  std::string body = text;
  bool minus = value < 0.0 && body.find_first_of("123456789") != std::string::npos;
  std::size_t needed = body.size() + (minus ? 1 : 0);
  const auto w = static_cast<std::size_t>(width);
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
  if (room < 0) return std::string(static_cast<std::size_t>(width), '*');
  std::string mantissa(static_cast<std::size_t>(digits), '0');
  int exponent = 0;
  if (value != 0.0) {
    // "D.DDDe+XX": the significant digits and the power of the first one.
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", digits - 1, std::fabs(value));
    const std::string s = text;
    mantissa = s.substr(0, 1) + s.substr(2, static_cast<std::size_t>(digits - 1));
    exponent = std::atoi(s.c_str() + s.find('e') + 1) + 1;
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
  EXPECT_EQ(ref_exponent_field(3.2e-120, 12, 4), "  0.3200-119");
  EXPECT_EQ(ref_exponent_field(9.99996, 12, 4), "  0.1000E+02");
  EXPECT_EQ(ref_exponent_field(-0.0, 12, 4), "  0.0000E+00");
}

// ---------------------------------------------------------------------------
// Property test

// Appends `center` and the doubles up to `ulps` steps on either side of it.
void add_neighbours(std::vector<double>& values, double center, int ulps) {
  values.push_back(center);
  double up = center, down = center;
  for (int i = 0; i < ulps; ++i) {
    up = std::nextafter(up, std::numeric_limits<double>::infinity());
    down = std::nextafter(down, -std::numeric_limits<double>::infinity());
    values.push_back(up);
    values.push_back(down);
  }
}

std::vector<double> sample_values() {
  std::mt19937_64 rng(0x59cfe5u);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> sign(0, 1);
  std::vector<double> values;

  // Every magnitude from 1e-130 to 1e10, log-uniform.
  std::uniform_int_distribution<int> decade(-130, 10);
  for (int i = 0; i < 60000; ++i) {
    values.push_back(mantissa(rng) * std::pow(10.0, decade(rng)));
  }

  // A few ulps around the decimal halfway points at 4 and 7 decimals.
  std::uniform_int_distribution<std::int64_t> ten4(0, 9999999);      // up to 1000
  std::uniform_int_distribution<std::int64_t> ten7(0, 99999999999);  // up to 10000
  for (int i = 0; i < 2500; ++i) {
    add_neighbours(values, (2.0 * static_cast<double>(ten4(rng)) + 1.0) / 2e4, 3);
    add_neighbours(values, (2.0 * static_cast<double>(ten7(rng)) + 1.0) / 2e7, 3);
  }

  // ... and at 9 and at 4 significant digits, over every decade.
  std::uniform_int_distribution<std::int64_t> nine(100000000, 999999999);
  std::uniform_int_distribution<std::int64_t> four(1000, 9999);
  std::uniform_int_distribution<int> small_decade(-14, 1);
  for (int i = 0; i < 1500; ++i) {
    const double d9 = static_cast<double>(nine(rng)) + 0.5;
    add_neighbours(values, d9 * std::pow(10.0, small_decade(rng)), 3);
    const double d4 = static_cast<double>(four(rng)) + 0.5;
    add_neighbours(values, d4 * std::pow(10.0, decade(rng) - 3), 3);
  }

  // Exactly halfway values: odd multiples of 2^-5 (ties at 4 decimals),
  // of 2^-8 (ties at 7 decimals), of 2^-4 between 1 and 10 (ties at 4
  // significant digits) and n + 1/2 (ties at 9 and at 4 significant digits).
  std::uniform_int_distribution<std::int64_t> odd32(0, 32 * 1000 / 2);
  std::uniform_int_distribution<std::int64_t> odd256(0, 256 * 1000 / 2);
  for (int i = 0; i < 3000; ++i) {
    values.push_back(static_cast<double>(2 * odd32(rng) + 1) / 32.0);
    values.push_back(static_cast<double>(2 * odd256(rng) + 1) / 256.0);
    values.push_back(static_cast<double>(nine(rng)) + 0.5);
    values.push_back(static_cast<double>(four(rng)) + 0.5);
  }
  for (int j = 17; j < 160; j += 2) values.push_back(j / 16.0);

  for (double& v : values) {
    if (sign(rng) != 0) v = -v;
  }
  return values;
}

TEST(NumberText, MatchesExactReferenceOverEveryMagnitude) {
  const std::vector<double> values = sample_values();
  ASSERT_GE(values.size(), 100000u);
  int failures = 0;
  auto check = [&](const char* layout, double value, const std::string& got,
                   const std::string& want) {
    if (got == want) return;
    ADD_FAILURE() << layout << " of " << show(value) << ": got \"" << got << "\", want \"" << want
                  << "\"";
    ++failures;
  };
  for (double v : values) {
    check("F8.4", v, fixed_field(v, 8, 4), ref_fixed_field(v, 8, 4));
    check("F15.7", v, fixed_field(v, 15, 7), ref_fixed_field(v, 15, 7));
    check("E12.4", v, exponent_field(v, 12, 4), ref_exponent_field(v, 12, 4));
    check("list double", v, list_double(v), ref_list_double(v));
    if (failures >= 20) FAIL() << "stopping after 20 mismatches";
  }
}

// The row layouts' digit counts in every width from 1 to 26: fields too
// narrow for the value, the leading "0" dropped, and the widths where the
// compiled path of a layout starts and stops covering it.
TEST(NumberText, MatchesExactReferenceInEveryWidth) {
  const std::vector<double> sampled = sample_values();
  std::vector<double> values;
  for (std::size_t i = 0; i < sampled.size(); i += 25) values.push_back(sampled[i]);
  // Carries into a new integer digit, the ends of the range of magnitudes
  // that the exponent form's compiled path covers, and beyond.
  for (double v : {0.0, 0.5, 9.99995, 99.99995, 99.999999951, 9.9999999501, 123.5, 0x1p-40, 0x1p60,
                   9.99996e17, 1e-30, 1e30}) {
    for (double w : {v, std::nextafter(v, 0.0), std::nextafter(v, 1e300)}) {
      values.push_back(w);
      values.push_back(-w);
    }
  }
  struct Layout {
    const char* name;
    std::string (*got)(double, int, int);
    std::string (*want)(double, int, int);
    int digits;
  };
  const Layout layouts[] = {{"F", fixed_field, ref_fixed_field, 4},
                            {"F", fixed_field, ref_fixed_field, 7},
                            {"E", exponent_field, ref_exponent_field, 4}};
  int failures = 0;
  for (const Layout& layout : layouts) {
    for (int width = 1; width <= 26; ++width) {
      for (double v : values) {
        const std::string got = layout.got(v, width, layout.digits);
        const std::string want = layout.want(v, width, layout.digits);
        if (got == want) continue;
        ADD_FAILURE() << layout.name << width << "." << layout.digits << " of " << show(v)
                      << ": got \"" << got << "\", want \"" << want << "\"";
        if (++failures >= 20) FAIL() << "stopping after 20 mismatches";
      }
    }
  }
}

}  // namespace
