// The correctly rounded asin, atan, sin and cos that the Windows build uses
// in place of its C runtime's: exact nearest doubles at hard arguments, the
// run's own hardest ones among them, and agreement with the host library.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "mathlib/correctly_rounded.h"

namespace {

using mathlib::cr_asin;
using mathlib::cr_atan;
using mathlib::cr_cos;
using mathlib::cr_sin;

double by_name(const std::string& name, double x) {
  if (name == "asin") return cr_asin(x);
  if (name == "atan") return cr_atan(x);
  if (name == "sin") return cr_sin(x);
  return cr_cos(x);
}

// Distance in units in the last place between two finite doubles of the
// same sign.
std::int64_t ulps_apart(double a, double b) {
  const auto ia = std::bit_cast<std::int64_t>(a);
  const auto ib = std::bit_cast<std::int64_t>(b);
  return ia > ib ? ia - ib : ib - ia;
}

struct Golden {
  const char* function;
  double x;
  double nearest;  // the double nearest to the exact value
};

// Nearest doubles from a 300-bit evaluation.  The first twelve arguments
// are those closest to a rounding boundary: the run's twiddle angles and
// kernel terms (glibc itself misses the nearest double at the three sines
// and cosines marked *), then random ones within 1e-5 units of a midpoint.
constexpr Golden kGolden[] = {
    {"cos", -0x1.0ec419ae6e56cp+1, -0x1.093d2117f589ep-1},
    {"atan", 0x1.109ab807b2a13p+1, 0x1.21be2f48f9cbdp+0},
    {"sin", -0x1.a494a9d710bfep+0, -0x1.feab7df1a4053p-1},
    {"sin", -0x1.ecd65c697d473p+0, -0x1.e030cee0838e6p-1},  // *
    {"sin", -0x1.35d6ee6b863e8p+0, -0x1.df1770052ce7dp-1},
    {"sin", -0x1.5d808f0c9813ep-1, -0x1.42fc0c7dd2f0fp-1},  // *
    {"cos", -0x1.31851739081a9p+0, 0x1.794f5e5ec0d9dp-2},   // *
    {"atan", -0x1.70ae004cb4e4fp+5, -0x1.8c91dcb26895fp+0},
    {"atan", 0x1.d54a7bf2f29e8p+3, 0x1.80b1d8ffdee8bp+0},
    {"cos", -0x1.0abd7676e58b8p+11, -0x1.6c3d6f99630afp-1},
    {"atan", -0x1.3092eb1cad000p+4, -0x1.84b01b2142a7ep+0},
    {"asin", -0x1.827b0ef5db8f7p-1, -0x1.b5f957290b6c1p-1},
    {"asin", 0x1p-1, 0x1.0c152382d7366p-1},
    {"asin", 0x1.fffffffffffffp-1, 0x1.921fb50442d18p+0},
    {"asin", 0x1.56e1fc2f8f359p-997, 0x1.56e1fc2f8f359p-997},
    {"asin", 0x1.6a09e667f3bcdp-1, 0x1.921fb54442d19p-1},
    {"asin", 0x1.6a09e65dc27dfp-1, 0x1.921fb535d8c9cp-1},
    {"asin", 1.0, 0x1.921fb54442d18p+0},
    {"atan", 1.0, 0x1.921fb54442d18p-1},
    {"atan", 0x1.7e43c8800759cp+996, 0x1.921fb54442d18p+0},
    {"atan", 0x1p52, 0x1.921fb54442d17p+0},
    {"atan", 0x1p53, 0x1.921fb54442d18p+0},
    {"atan", 3.1, 0x1.423db7312cebcp+0},
    {"atan", 0x1.5798ee2308c3ap-27, 0x1.5798ee2308c3ap-27},
    // The program's pi, 4.1e-10 above pi: the sine is tiny and negative.
    {"sin", 3.141592654, -0x1.c306f72cece67p-32},
    {"cos", 3.141592654, -1.0},
    {"sin", -0x1.921fb54442d18p+0, -1.0},
    {"cos", -0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54},
    {"sin", 0x1.12e0be826d695p-30, 0x1.12e0be826d695p-30},
    {"cos", 0x1.921fb54442d18p-1, 0x1.6a09e667f3bcdp-1},
    {"sin", 1000.0, 0x1.a75cc150a206bp-1},
    {"cos", -123456.789, 0x1.a74d27c41b22ap-5},
};

TEST(CorrectlyRounded, GivesTheNearestDoubleAtHardArguments) {
  for (const Golden& g : kGolden) {
    EXPECT_EQ(by_name(g.function, g.x), g.nearest) << g.function << "(" << g.x << ")";
  }
}

TEST(CorrectlyRounded, HandlesZerosInfinitiesAndArgumentsOutsideTheDomain) {
  EXPECT_TRUE(std::signbit(cr_asin(-0.0)));
  EXPECT_TRUE(std::signbit(cr_atan(-0.0)));
  EXPECT_TRUE(std::signbit(cr_sin(-0.0)));
  EXPECT_EQ(cr_cos(-0.0), 1.0);
  EXPECT_EQ(cr_asin(-1.0), -0x1.921fb54442d18p+0);
  EXPECT_TRUE(std::isnan(cr_asin(1.0000000000000002)));
  EXPECT_TRUE(std::isnan(cr_asin(std::numeric_limits<double>::quiet_NaN())));
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(cr_atan(inf), 0x1.921fb54442d18p+0);
  EXPECT_EQ(cr_atan(-inf), -0x1.921fb54442d18p+0);
  EXPECT_TRUE(std::isnan(cr_sin(inf)));
  EXPECT_TRUE(std::isnan(cr_cos(-inf)));
}

// Symmetries hold exactly, sincos agrees with sin and cos, and the host
// library (within one unit of the exact value) is never more than one unit
// away; the asin and atan of glibc, nearest at the run's arguments, agree
// in nearly every case.
TEST(CorrectlyRounded, AgreesWithTheHostLibraryWithinOneUnit) {
  std::mt19937_64 random(20240601);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_real_distribution<double> wide(-40.0, 40.0);
  int asin_atan_differences = 0;
  constexpr int kCount = 20000;
  for (int i = 0; i < kCount; ++i) {
    const double u = unit(random);
    const double w = wide(random);
    const double s = cr_sin(w);
    const double c = cr_cos(w);
    double s2 = 0.0;
    double c2 = 0.0;
    mathlib::cr_sincos(w, s2, c2);
    ASSERT_EQ(s, s2) << w;
    ASSERT_EQ(c, c2) << w;
    ASSERT_EQ(cr_sin(-w), -s) << w;
    ASSERT_EQ(cr_cos(-w), c) << w;
    ASSERT_EQ(cr_asin(-u), -cr_asin(u)) << u;
    ASSERT_EQ(cr_atan(-w), -cr_atan(w)) << w;
    ASSERT_LE(ulps_apart(cr_asin(u), std::asin(u)), 1) << u;
    ASSERT_LE(ulps_apart(cr_atan(w), std::atan(w)), 1) << w;
    ASSERT_EQ(std::signbit(s), std::signbit(std::sin(w))) << w;
    ASSERT_EQ(std::signbit(c), std::signbit(std::cos(w))) << w;
    ASSERT_LE(ulps_apart(s, std::sin(w)), 1) << w;
    ASSERT_LE(ulps_apart(c, std::cos(w)), 1) << w;
    asin_atan_differences += (cr_asin(u) != std::asin(u)) + (cr_atan(w) != std::atan(w));
  }
  EXPECT_LT(asin_atan_differences, kCount / 100);
}

}  // namespace
