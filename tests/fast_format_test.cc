// The fast path of the row fields against the exact conversion.
//
// append_fixed_field and append_exponent_field compute their digits from a
// scaled, rounded integer and only fall back to std::to_chars near rounding
// boundaries and outside their range.  Here they meet a reference that
// lays out std::to_chars text by the field rules, over more than a million
// doubles: every magnitude, both signs, and heavy weight on values within a
// few ulps of a rounding boundary, exact halfway cases included.  A second
// test checks that writing records allocates nothing once the record buffer
// has grown.
#include <gtest/gtest.h>

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "textio/connection.h"
#include "textio/number_text.h"
#include "textio/records.h"

// Counts every allocation of the process through the global operator new.
namespace {
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

using testing_support::ScopedChdir;
using testing_support::TempDir;

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

std::string show(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// ---------------------------------------------------------------------------
// Reference layouts: std::to_chars text of the magnitude, laid out by the
// rules of the two fields.

std::string reference_fixed(double value, int width, int digits) {
  const auto w = static_cast<std::size_t>(width);
  if (!std::isfinite(value)) return std::string(w, '*');
  char text[512];
  const char* end =
      std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::fixed, digits)
          .ptr;
  std::string body(static_cast<const char*>(text), end);
  if (digits == 0) body += '.';
  const bool minus = value < 0.0 && body.find_first_not_of("0.") != std::string::npos;
  std::size_t needed = body.size() + (minus ? 1 : 0);
  if (needed > w) {
    if (body[0] != '0' || needed - 1 != w) return std::string(w, '*');
    body.erase(0, 1);
    --needed;
  }
  return std::string(w - needed, ' ') + (minus ? "-" : "") + body;
}

std::string reference_exponent(double value, int width, int digits) {
  const bool minus = value < 0.0;
  const int room = width - (digits + 5) - (minus ? 1 : 0);
  if (room < 0 || !std::isfinite(value)) return std::string(static_cast<std::size_t>(width), '*');
  std::string mantissa(static_cast<std::size_t>(digits), '0');
  int exponent = 0;
  if (value != 0.0) {
    // "d.ddde+XX" (or "de+XX"): the digits and the power of the first one.
    char text[512];
    const char* end = std::to_chars(text, text + sizeof text, std::fabs(value),
                                    std::chars_format::scientific, digits - 1)
                          .ptr;
    const std::string s(static_cast<const char*>(text), end);
    const std::size_t e = s.find('e');
    mantissa = s.substr(0, 1) + (digits > 1 ? s.substr(2, e - 2) : "");
    exponent = std::atoi(s.c_str() + e + 1) + 1;
  }
  const int magnitude = std::abs(exponent);
  std::string part = magnitude < 100 ? "E" : "";
  part += exponent < 0 ? '-' : '+';
  part += (magnitude < 10 ? "0" : "") + std::to_string(magnitude);
  std::string out(static_cast<std::size_t>(room > 0 ? room - 1 : 0), ' ');
  if (minus) out += '-';
  if (room > 0) out += '0';
  return out + "." + mantissa + part;
}

TEST(FastFormatReference, AgreesWithTheFieldRules) {
  EXPECT_EQ(reference_fixed(1.25, 8, 4), "  1.2500");
  EXPECT_EQ(reference_fixed(-0.00001, 8, 4), "  0.0000");
  EXPECT_EQ(reference_fixed(-0.5, 6, 4), "-.5000");
  EXPECT_EQ(reference_fixed(999.99996, 8, 4), "********");
  EXPECT_EQ(reference_fixed(0.00390625, 15, 7), "      0.0039062");
  EXPECT_EQ(reference_fixed(7.0, 4, 0), "  7.");
  EXPECT_EQ(reference_exponent(0.0303, 12, 4), "  0.3030E-01");
  EXPECT_EQ(reference_exponent(9.99996, 12, 4), "  0.1000E+02");
  EXPECT_EQ(reference_exponent(3.2e-120, 12, 4), "  0.3200-119");
  EXPECT_EQ(reference_exponent(-0.0, 12, 4), "  0.0000E+00");
  EXPECT_EQ(reference_exponent(-2.5, 8, 1), "-0.2E+01");  // a tie: to the even digit
}

// ---------------------------------------------------------------------------
// Values

class Sampler {
 public:
  std::vector<double> values;

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
    const std::uint64_t bits = exponent << 52 | fraction;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
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

double power_of_ten(int x) {
  return std::pow(10.0, x);
}

// Boundaries of the fixed-point fields with `digits` decimals: (k + 1/2)
// 10^-digits for k of up to `integer_digits` + `digits` digits.
void fixed_boundaries(Sampler& s, int digits, int integer_digits, int count) {
  const double scale = 2.0 * power_of_ten(digits);
  for (int i = 0; i < count; ++i) {
    const auto k = s.digits_up_to(integer_digits + digits);
    s.around(static_cast<double>(2 * k + 1) / scale, 3);
  }
  // Exactly halfway: odd multiples of 2^-(digits + 1).
  const double unit = std::ldexp(1.0, -(digits + 1));
  for (int i = 0; i < count / 4; ++i) {
    s.values.push_back(static_cast<double>(2 * s.digits_up_to(integer_digits + digits) + 1) * unit);
  }
}

// Boundaries of four significant digits, (k + 1/2) 10^(x - 3) for k in
// 1000..9999, around every decimal exponent x from -40 to 40 and some
// beyond, and the carries into a new digit at 9999.5 10^(x - 3).
void significant_boundaries(Sampler& s, int count) {
  for (int i = 0; i < count; ++i) {
    const int x =
        i % 8 == 0 ? static_cast<int>(s.integer(-300, 300)) : static_cast<int>(s.integer(-40, 40));
    const auto k = s.integer(1000, 9999);
    s.around((static_cast<double>(k) + 0.5) * power_of_ten(x - 3), 4);
    if (i % 16 == 0) s.around(9999.5 * power_of_ten(x - 3), 4);
    if (i % 16 == 1) s.around(power_of_ten(x), 4);
  }
  // Exactly halfway at 4 significant digits: (2k + 1) 10^j / 2, an exact
  // double for j from 0 to 11, and q / 2^(j + 1) with 5^j q = 2k + 1.
  for (int i = 0; i < count / 8; ++i) {
    const auto odd = 2 * s.integer(1000, 9999) + 1;
    std::int64_t scaled = odd;
    for (int j = static_cast<int>(s.integer(0, 11)); j > 0; --j) scaled *= 10;
    s.values.push_back(static_cast<double>(scaled) / 2.0);
  }
  std::int64_t five = 1;
  for (int j = 1; j <= 6; ++j) {
    five *= 5;
    for (std::int64_t q = 1; five * q <= 19999; q += 2) {
      if (five * q >= 2001) s.values.push_back(std::ldexp(static_cast<double>(q), -(j + 1)));
    }
  }
}

// Where the fast path changes course: its product reaching 2^32 (digit
// arithmetic widens), 2^52 (the double estimate ends) and 2^64 (the exact
// integer ends), the fields' overflow into asterisks, the ends of the
// power-of-ten table and the extremes of the doubles.
void edges(Sampler& s) {
  for (int digits = 0; digits <= 9; ++digits) {
    for (double limit : {0x1p32, 0x1p52, 0x1p53, 0x1p64}) s.around(limit / power_of_ten(digits), 8);
  }
  for (double v : {999.99995, 99.99995, 9.99995, 9999999.99999995, 999999.99999995, 0.5, 0.05,
                   0.00005, 0.00000005, 1.0, 1000.0, 10000000.0}) {
    s.around(v, 8);
  }
  for (int x = -330; x <= 310; ++x) s.around(power_of_ten(x), 2);
  for (int x = -27; x <= 30; ++x) s.around(4.5 * power_of_ten(x), 2);
  s.around(std::numeric_limits<double>::denorm_min(), 4);
  s.around(std::numeric_limits<double>::min(), 4);
  s.around(std::numeric_limits<double>::max(), 4);
  s.values.push_back(0.0);
  s.values.push_back(kInfinity);
  s.values.push_back(std::numeric_limits<double>::quiet_NaN());
}

struct Samples {
  std::vector<double> values;  // magnitudes; each is tested with both signs
  std::size_t special = 0;     // values from here on see every layout
};

Samples sample_values() {
  Sampler s;
  // Every magnitude: every binade of the doubles, and log-uniform over the
  // range where the fields show digits.
  for (int i = 0; i < 120000 / kScale; ++i) s.values.push_back(s.any_finite());
  for (int i = 0; i < 120000 / kScale; ++i) {
    s.values.push_back(std::pow(10.0, s.uniform(-12.0, 17.0)));
  }
  // The row layouts' rounding boundaries, a few ulps either side.
  fixed_boundaries(s, 4, 3, 20000 / kScale);  // F8.4
  fixed_boundaries(s, 7, 7, 20000 / kScale);  // F15.7
  significant_boundaries(s, 20000 / kScale);  // E12.4
  const std::size_t special = s.values.size();
  // Other digit counts, for the general fast path, and the edges.
  for (int digits : {0, 1, 2, 3, 5, 6, 8, 9}) fixed_boundaries(s, digits, 4, 1500 / kScale);
  edges(s);
  return {std::move(s.values), special};
}

struct Layout {
  bool fixed;
  int width;
  int digits;
};

std::string field(const Layout& layout, double value) {
  std::string out;
  if (layout.fixed) {
    textio::append_fixed_field(out, value, layout.width, layout.digits);
  } else {
    textio::append_exponent_field(out, value, layout.width, layout.digits);
  }
  return out;
}

std::string reference(const Layout& layout, double value) {
  return layout.fixed ? reference_fixed(value, layout.width, layout.digits)
                      : reference_exponent(value, layout.width, layout.digits);
}

TEST(FastFormat, MatchesTheExactConversionAroundEveryRoundingBoundary) {
  const Samples samples = sample_values();
  const std::vector<double>& magnitudes = samples.values;
  ASSERT_GE(2 * magnitudes.size(), kScale == 1 ? 1000000u : 250000u);

  // The row layouts see every value; the others, in narrower and wider
  // fields (leading "0" dropped, asterisks, long texts), every eighth of
  // the bulk and all of the special values.
  const Layout rows[] = {{true, 8, 4}, {true, 15, 7}, {false, 12, 4}};
  const Layout others[] = {{true, 6, 4},   {true, 5, 4},   {true, 4, 0},   {true, 12, 1},
                           {true, 12, 2},  {true, 12, 3},  {true, 20, 5},  {true, 20, 6},
                           {true, 30, 8},  {true, 40, 9},  {true, 64, 12}, {true, 70, 7},
                           {false, 8, 1},  {false, 10, 2}, {false, 9, 4},  {false, 10, 4},
                           {false, 11, 4}, {false, 14, 6}, {false, 20, 9}, {false, 30, 17}};
  int failures = 0;
  long checked = 0;
  auto check = [&](const Layout& layout, double value) {
    ++checked;
    const std::string got = field(layout, value);
    const std::string want = reference(layout, value);
    if (got == want) return;
    ADD_FAILURE() << (layout.fixed ? "F" : "E") << layout.width << "." << layout.digits << " of "
                  << show(value) << ": got \"" << got << "\", want \"" << want << "\"";
    ++failures;
  };
  for (std::size_t i = 0; i < magnitudes.size(); ++i) {
    for (double value : {magnitudes[i], -magnitudes[i]}) {
      for (const Layout& layout : rows) check(layout, value);
      if (i >= samples.special || i % 8 == 0) {
        for (const Layout& layout : others) check(layout, value);
      }
    }
    if (failures >= 20) FAIL() << "stopping after 20 mismatches";
  }
  EXPECT_GE(checked, 3 * static_cast<long>(2 * magnitudes.size()));
}

// ---------------------------------------------------------------------------
// No allocation per record

TEST(FastFormat, RecordsAllocateNothingOnceTheRecordBufferHasGrown) {
  textio::init_text_io();
  TempDir dir;
  ScopedChdir in(dir.path());
  textio::open_unknown(textio::kSlipUnit, "rows.csv");
  textio::list_write(textio::kSlipUnit, {"time(s),velocity,displacement,acceleration"});
  const double slip[] = {1.25, 0.261739421, 0.301177262, -0.0123456789};
  const double spectrum[] = {0.048828125, 0.987654, 0.0303};
  const double wide[] = {1e300, -1e-300, 123456.789, 5e99};  // asterisks, exact path
  textio::formatted_write(textio::kSlipUnit, textio::slip_row, slip);

  const long before = allocations.load();
  for (int i = 0; i < 3000; ++i) {
    textio::formatted_write(textio::kSlipUnit, textio::slip_row, slip);
    textio::formatted_write(textio::kSlipUnit, textio::spectrum_row, spectrum);
    textio::formatted_write(textio::kSlipUnit, textio::slip_row, wide);
    textio::formatted_write(textio::kSlipUnit, textio::spectrum_row, wide);
    textio::list_write(textio::kSlipUnit, {" DUR,DOM,NOM,EOM=", 20.48, -1.5e-10, 2048, 628.3});
  }
  const long during = allocations.load() - before;
  textio::close_unit(textio::kSlipUnit);

  EXPECT_EQ(during, 0) << "allocations while writing 15000 records";
  const std::string text = testing_support::read_file(dir.file("rows.csv"));
  EXPECT_EQ(testing_support::split_lines(text).size(), 2u + 15000u);
}

}  // namespace
