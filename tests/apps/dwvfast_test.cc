// The in-place radix-2 transform.
#include "spectrum/dwvfast.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using cd = std::complex<double>;
using spectrum::dwvfast;

// The platform's cos and sin evaluated at run time, as the transform
// evaluates them: a constant argument could otherwise be folded by the
// compiler, correctly rounded, and differ from the library in the last bit.
cd unit(double angle) {
  volatile double a = angle;
  return {std::cos(a), std::sin(a)};
}

constexpr double kPai = 3.141592654;
constexpr int kMom = 16400;
constexpr double kEps = std::numeric_limits<double>::epsilon();
// pai - pi, the angle error of the program's pi (about 4.1e-10).
const long double kPaiExcess = static_cast<long double>(kPai) - std::numbers::pi_v<long double>;

int log2_of(int n) {
  int l = 0;
  while ((1 << l) < n) ++l;
  return l;
}

std::vector<int> powers_of_two() {
  std::vector<int> out;
  for (int n = 1; n <= 4096; n *= 2) out.push_back(n);
  return out;
}

std::vector<cd> random_vector(int n, std::uint64_t seed) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<cd> a(static_cast<std::size_t>(n));
  for (cd& x : a) x = {u(gen), u(gen)};
  return a;
}

double max_modulus(const std::vector<cd>& a) {
  double m = 0.0;
  for (const cd& x : a) m = std::max(m, std::abs(x));
  return m;
}

// Copy of a, transformed; fails the test when dwvfast refuses.
std::vector<cd> transformed(std::vector<cd> a, int ind) {
  EXPECT_TRUE(dwvfast(static_cast<int>(a.size()), a.data(), kMom, ind));
  return a;
}

// ---------------------------------------------------------------------------
// Reference: a direct DFT in long double with the transform's own angles.
//
// The exact DFT angle is 2 pi f t / n = (2 pi / n) sum over bits b of t and
// c of f of t_b f_c 2^(b+c), n = 2^L.  Terms with b + c >= L are whole turns
// and drop out.  The radix-2 stages realise the terms with b + c = L - 1 as
// half turns, the exact sign change of a butterfly's subtraction, and those
// with b + c <= L - 2 through twiddle angles ((k - 1) ind) pai / kmax, which
// use pai.  So the transform computes, in exact
// arithmetic,
//     X(f) = sum over t of a(t) (-1)^Q exp(i ind 2 pai P / n),
//     P = sum over b + c <= L - 2 of t_b f_c 2^(b+c),
//     Q = sum over b + c  = L - 1 of t_b f_c.
// With pi in place of pai this is exactly the DFT.  The naive choice
// 2 pai ((f t) mod n) / n differs from it by a multiple of pai - pi of up to
// about L * 4.1e-10 per term, far above rounding, and does not reproduce the
// reference n = 4 ramp below (it gives -1.999999997949 where the
// transform gives -1.99999999959).  This reference is symmetric in f and t,
// which also makes the inverse undo the forward transform exactly (up to
// rounding) despite pai: see RoundTripReturnsNTimesTheInput.
class Reference {
 public:
  Reference(int n, int ind) : n_(n), l_(log2_of(n)) {
    // exp(i ind 2 pai P / n) for every P that occurs: P < L n / 2 + 1.
    const int pmax = l_ * n / 2 + 1;
    for (int p = 0; p < pmax; ++p) {
      const long double angle = ind * 2.0L * static_cast<long double>(kPai) * p / n;
      table_.emplace_back(std::cos(angle), std::sin(angle));
    }
  }

  // exp(i ind angle(f, t)), positions counted from 0.
  std::complex<long double> phasor(int f, int t) const {
    int p = 0, q = 0;
    for (int b = 0; b < l_; ++b) {
      if (!((t >> b) & 1)) continue;
      p += (f & ((1 << (l_ - 1 - b)) - 1)) << b;  // the bits c of f with b + c <= L - 2
      q ^= (f >> (l_ - 1 - b)) & 1;               // the bit c = L - 1 - b
    }
    const std::complex<long double> w = table_[static_cast<std::size_t>(p)];
    return q ? -w : w;
  }

  // X(f) of the input a.
  std::complex<long double> bin(const std::vector<cd>& a, int f) const {
    long double re = 0, im = 0;
    for (int t = 0; t < n_; ++t) {
      const std::complex<long double> w = phasor(f, t);
      const long double ar = a[static_cast<std::size_t>(t)].real();
      const long double ai = a[static_cast<std::size_t>(t)].imag();
      re += ar * w.real() - ai * w.imag();
      im += ai * w.real() + ar * w.imag();
    }
    return {re, im};
  }

 private:
  int n_, l_;
  std::vector<std::complex<long double>> table_;
};

// The output positions to compare: all of them up to 256, beyond that the
// first, middle and last 16 and 48 others spread at random (the sums are in
// long double, which some targets emulate in software).
std::vector<int> bins_to_check(int n) {
  std::vector<int> fs;
  if (n <= 256) {
    for (int f = 0; f < n; ++f) fs.push_back(f);
    return fs;
  }
  for (int f = 0; f < 16; ++f) fs.insert(fs.end(), {f, n / 2 - 8 + f, n - 16 + f});
  std::mt19937 gen(static_cast<unsigned>(n));
  std::uniform_int_distribution<int> pick(0, n - 1);
  for (int i = 0; i < 48; ++i) fs.push_back(pick(gen));
  return fs;
}

// Rounding bound of a radix-2 transform (Higham, Accuracy and Stability of
// Numerical Algorithms, Thm 24.2): ||computed - exact||_2 <= L eta ||exact||_2
// with eta = mu + gamma_4 (sqrt 2 + mu), mu the error of a twiddle factor.
// Here mu <= 2 sqrt 2 eps (angle rounded once, cos and sin within an ulp),
// so eta < 9 eps.  The transform is unitary up to the factor sqrt n for any
// twiddle angles, so ||exact||_2 = sqrt n ||a||_2 <= n max|a|, and every
// element is within 10 L n eps max|a|.
double rounding_bound(int n, double max_a) {
  return 10.0 * log2_of(n) * n * kEps * max_a;
}

double distance(const cd& x, const std::complex<long double>& y) {
  return static_cast<double>(std::hypot(static_cast<long double>(x.real()) - y.real(),
                                        static_cast<long double>(x.imag()) - y.imag()));
}

// ---------------------------------------------------------------------------
// Edge cases.

TEST(DwvfastEdge, LengthOneIsUnchanged) {
  for (int ind : {-1, 1}) {
    cd a[3] = {{1.5, -2.25}, {7, 7}, {8, 8}};
    ASSERT_TRUE(dwvfast(1, a, kMom, ind));
    EXPECT_EQ(a[0], cd(1.5, -2.25));
    EXPECT_EQ(a[1], cd(7, 7));
    EXPECT_EQ(a[2], cd(8, 8));
  }
}

TEST(DwvfastEdge, ZeroAndNegativeLengthsTouchNothing) {
  for (int n : {0, -1, -2, -4096, std::numeric_limits<int>::min()}) {
    SCOPED_TRACE("n = " + std::to_string(n));
    // No element is read: a null array is fine.
    EXPECT_TRUE(dwvfast(n, nullptr, kMom, -1));
    cd a[2] = {{1, 2}, {3, 4}};
    EXPECT_TRUE(dwvfast(n, a, kMom, -1));
    EXPECT_EQ(a[0], cd(1, 2));
    EXPECT_EQ(a[1], cd(3, 4));
  }
}

TEST(DwvfastEdge, LengthTwoIsSumAndDifferenceExactly) {
  for (int ind : {-1, 1}) {
    cd a[2] = {{0.1, 0.7}, {0.2, -0.3}};
    ASSERT_TRUE(dwvfast(2, a, kMom, ind));
    EXPECT_EQ(a[0], cd(0.1 + 0.2, 0.7 + -0.3));
    EXPECT_EQ(a[1], cd(0.1 - 0.2, 0.7 - -0.3));
  }
}

TEST(DwvfastEdge, ImpulseGivesOnesExactly) {
  for (int n : powers_of_two()) {
    for (int ind : {-1, 1}) {
      SCOPED_TRACE("n = " + std::to_string(n) + ", ind = " + std::to_string(ind));
      std::vector<cd> a(static_cast<std::size_t>(n));
      a[0] = {1, 0};
      a = transformed(a, ind);
      for (int f = 0; f < n; ++f)
        ASSERT_EQ(a[static_cast<std::size_t>(f)], cd(1, 0)) << "f = " << f;
    }
  }
}

TEST(DwvfastEdge, ConstantGivesNAtTheFirstPositionExactly) {
  for (int n : powers_of_two()) {
    for (int ind : {-1, 1}) {
      SCOPED_TRACE("n = " + std::to_string(n) + ", ind = " + std::to_string(ind));
      std::vector<cd> a(static_cast<std::size_t>(n), cd(1, 0));
      a = transformed(a, ind);
      EXPECT_EQ(a[0], cd(n, 0));
      for (int f = 1; f < n; ++f)
        ASSERT_EQ(a[static_cast<std::size_t>(f)], cd(0, 0)) << "f = " << f;
    }
  }
}

TEST(DwvfastEdge, LengthFourQuarterTurnCarriesTheErrorOfPai) {
  cd a[4] = {{0, 0}, {1, 0}, {0, 0}, {0, 0}};
  ASSERT_TRUE(dwvfast(4, a, kMom, -1));
  const cd w = unit(-kPai / 2);
  const double c = w.real(), s = w.imag();
  EXPECT_EQ(a[0], cd(1, 0));
  EXPECT_EQ(a[1], cd(c, s));
  EXPECT_EQ(a[2], cd(-1, 0));
  EXPECT_EQ(a[3], cd(-c, -s));
  // cos(-pai/2) = -sin((pai - pi)/2): about -2.051e-10, not 0 as with pi.
  EXPECT_NEAR(a[1].real(), -static_cast<double>(kPaiExcess / 2), 1e-17);
  EXPECT_NEAR(a[1].real(), -2.051e-10, 1e-13);
  EXPECT_NEAR(a[3].real(), 2.051e-10, 1e-13);
  EXPECT_EQ(a[1].imag(), -1.0);
  EXPECT_EQ(a[3].imag(), 1.0);
}

TEST(DwvfastEdge, LengthFourRamp) {
  cd a[4] = {{1, 0}, {2, 0}, {3, 0}, {4, 0}};
  ASSERT_TRUE(dwvfast(4, a, kMom, -1));
  const double c = unit(-kPai / 2).real();
  EXPECT_EQ(a[0], cd(10, 0));
  EXPECT_EQ(a[1], cd(-2.0 + -2.0 * c, 2));
  EXPECT_EQ(a[2], cd(-2, 0));
  EXPECT_EQ(a[3], cd(-2.0 - -2.0 * c, -2));
  EXPECT_NEAR(a[1].real(), -1.99999999959, 5e-12);
  EXPECT_NEAR(a[3].real(), -2.00000000041, 5e-12);
}

TEST(DwvfastEdge, TwiddlesComeStraightFromTheirAngles) {
  // A unit input at position 2^b + 1 shows the twiddle factors of one stage
  // exactly.  After the permutation it sits at position 2^(L-1-b) + 1; the
  // stages of half-span below kmax = 2^(L-1-b) copy it, exactly, into the
  // upper half of the first block of 2 kmax elements; stage kmax then writes
  // its factors themselves there, (cos angle, sin angle) at positions k and
  // their negatives at k + kmax, angle = ((k - 1) ind) pai / kmax formed in
  // that order; the later stages only copy that block, exactly, all along
  // the output.  So output f is +-w(f mod kmax + 1).  A factor that differs
  // in its last bit from cos and sin of its own angle (a recurrence, or a
  // table built otherwise) shows here.
  for (int n : powers_of_two()) {
    const int l = log2_of(n);
    for (int b = 0; b < l; ++b) {
      for (int ind : {-1, 1}) {
        const int kmax = 1 << (l - 1 - b);
        SCOPED_TRACE("n = " + std::to_string(n) + ", kmax = " + std::to_string(kmax) +
                     ", ind = " + std::to_string(ind));
        std::vector<cd> a(static_cast<std::size_t>(n));
        a[static_cast<std::size_t>(1 << b)] = {1, 0};
        a = transformed(a, ind);
        for (int f = 0; f < n; ++f) {
          const int k = f % kmax + 1;
          const double angle =
              static_cast<double>((k - 1) * ind) * kPai / static_cast<double>(kmax);
          const cd w = unit(angle);
          ASSERT_EQ(a[static_cast<std::size_t>(f)], (f % (2 * kmax) < kmax) ? w : -w)
              << "f = " << f;
        }
      }
    }
  }
}

TEST(DwvfastEdge, PositionsAboveNAreNotTouched) {
  for (int n : {1, 2, 8, 64}) {
    SCOPED_TRACE("n = " + std::to_string(n));
    std::vector<cd> a = random_vector(n + 5, 7);
    const std::vector<cd> before = a;
    ASSERT_TRUE(dwvfast(n, a.data(), kMom, -1));
    for (int p = n; p < n + 5; ++p)
      EXPECT_EQ(a[static_cast<std::size_t>(p)], before[static_cast<std::size_t>(p)]);
  }
}

TEST(DwvfastEdge, LengthsOutsideTheContractAreRefusedUntouched) {
  std::vector<cd> a = random_vector(kMom, 11);
  const std::vector<cd> before = a;
  for (int n : {3, 5, 6, 7, 12, 100, 1000, 4095, 4097, 12288, 16399, 16400}) {
    SCOPED_TRACE("n = " + std::to_string(n));
    EXPECT_FALSE(dwvfast(n, a.data(), kMom, -1));
    EXPECT_TRUE(a == before);
  }
  // Powers of two above the capacity.
  for (auto [n, mom] :
       {std::pair{8, 7}, std::pair{4096, 4095}, std::pair{16384, 16383}, std::pair{32768, kMom}}) {
    SCOPED_TRACE("n = " + std::to_string(n) + ", mom = " + std::to_string(mom));
    EXPECT_FALSE(dwvfast(n, a.data(), mom, -1));
    EXPECT_TRUE(a == before);
  }
  // A length equal to the capacity is fine.
  std::vector<cd> b = random_vector(8, 3);
  EXPECT_TRUE(dwvfast(8, b.data(), 8, -1));
}

// ---------------------------------------------------------------------------
// The permutation.  It is internal, so it shows through the transform of
// basis vectors: the element that starts at position p + 1 must go through
// the stages from position rev(p) + 1 (for 4096 elements, 2016 exchanges
// move 4032 of them), and its output is the row p of the reference,
// exp(i ind angle(f, p)).  These rows differ by at least 2 pi / n in their
// phase at f = 1, so a basis vector routed through any other position fails.
// Every basis vector up to n = 1024; for 2048 and 4096 the ones with one bit
// set or one bit clear and 200 others at random; a misrouted element would
// also spoil nearly every bin that AgreesWithTheDirectDft compares.

TEST(DwvfastPermutation, BasisVectorsComeOutAsTheirRows) {
  for (int n : powers_of_two()) {
    SCOPED_TRACE("n = " + std::to_string(n));
    const int l = log2_of(n);
    const Reference ref(n, -1);
    std::vector<int> ps;
    if (n <= 1024) {
      for (int p = 0; p < n; ++p) ps.push_back(p);
    } else {
      for (int b = 0; b < l; ++b) ps.insert(ps.end(), {1 << b, (n - 1) ^ (1 << b)});
      std::mt19937 gen(static_cast<unsigned>(n));
      std::uniform_int_distribution<int> pick(0, n - 1);
      for (int i = 0; i < 200; ++i) ps.push_back(pick(gen));
    }
    std::vector<int> fs;
    for (int f :
         {0, 1, 2, 3, 5, n / 4, n / 2 - 1, n / 2, n / 2 + 1, (3 * n) / 4 + 1, n - 2, n - 1}) {
      if (f >= 0 && f < n) fs.push_back(f);
    }
    // For a single unit input the rounding bound is L eta sqrt n ||a||_2
    // itself (see rounding_bound): at most 1.5e-12, against a separation of
    // the rows of 2 pi / n.
    const double bound = 10.0 * l * std::sqrt(static_cast<double>(n)) * kEps;
    std::vector<cd> a(static_cast<std::size_t>(n));
    for (int p : ps) {
      std::fill(a.begin(), a.end(), cd(0, 0));
      a[static_cast<std::size_t>(p)] = {1, 0};
      ASSERT_TRUE(dwvfast(n, a.data(), kMom, -1));
      for (int f : fs) {
        ASSERT_LE(distance(a[static_cast<std::size_t>(f)], ref.phasor(f, p)), bound)
            << "basis vector p = " << p << ", f = " << f;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Properties, for every power of two from 1 to 4096.

TEST(DwvfastProperty, AgreesWithTheDirectDft) {
  for (int n : powers_of_two()) {
    for (int ind : {-1, 1}) {
      SCOPED_TRACE("n = " + std::to_string(n) + ", ind = " + std::to_string(ind));
      const std::vector<cd> a = random_vector(n, 1000 + static_cast<std::uint64_t>(n));
      const std::vector<cd> x = transformed(a, ind);
      const Reference ref(n, ind);
      const double bound = rounding_bound(n, max_modulus(a));
      for (int f : bins_to_check(n)) {
        ASSERT_LE(distance(x[static_cast<std::size_t>(f)], ref.bin(a, f)), bound) << "f = " << f;
      }
    }
  }
}

// The transform written out plainly: the permutation by reversing each
// position's bits, then the butterflies one double at a time, with every
// stage's twiddle factors straight from their angles.
std::vector<cd> plain_transform(std::vector<cd> a, int ind) {
  const int n = static_cast<int>(a.size());
  const int l = log2_of(n);
  for (int p = 0; p < n; ++p) {
    int r = 0;
    for (int b = 0; b < l; ++b) r |= ((p >> b) & 1) << (l - 1 - b);
    if (p < r) std::swap(a[static_cast<std::size_t>(p)], a[static_cast<std::size_t>(r)]);
  }
  for (int kmax = 1; kmax < n; kmax *= 2) {
    for (int k = 1; k <= kmax; ++k) {
      const double angle = static_cast<double>((k - 1) * ind) * kPai / static_cast<double>(kmax);
      const cd w = unit(angle);
      const double wr = w.real(), wi = w.imag();
      for (int i = k - 1; i < n; i += 2 * kmax) {
        cd& ai = a[static_cast<std::size_t>(i)];
        cd& aj = a[static_cast<std::size_t>(i + kmax)];
        const double tr = aj.real() * wr - aj.imag() * wi;
        const double ti = aj.imag() * wr + aj.real() * wi;
        aj = {ai.real() - tr, ai.imag() - ti};
        ai = {ai.real() + tr, ai.imag() + ti};
      }
    }
  }
  return a;
}

bool same_bits(const cd& x, const cd& y) {
  return std::bit_cast<std::uint64_t>(x.real()) == std::bit_cast<std::uint64_t>(y.real()) &&
         std::bit_cast<std::uint64_t>(x.imag()) == std::bit_cast<std::uint64_t>(y.imag());
}

TEST(DwvfastProperty, RoundsExactlyAsThePlainButterflies) {
  // Every product and sum of the butterflies rounds as written: no fused
  // multiply-add, no reassociation, no shortcut for the factor 1 at the
  // first position of a group.  The imaginary part of output 0 of a real
  // signal comes from those butterflies alone, an exact zero whose sign
  // shows a shortcut: aji 1 + ajr 0 is +0 for aji = -0 and ajr > 0, not
  // aji.  Up to 16384, past the lengths whose twiddle factors are tabulated.
  struct Case {
    const char* name;
    bool real;  // imaginary parts -0
  };
  for (const Case& c : {Case{"complex", false}, Case{"real, imaginary parts -0", true}}) {
    for (int n = 1; n <= 16384; n *= 2) {
      for (int ind : {-1, 1}) {
        SCOPED_TRACE(std::string(c.name) + ", n = " + std::to_string(n) +
                     ", ind = " + std::to_string(ind));
        std::vector<cd> a = random_vector(n, 4000 + static_cast<std::uint64_t>(n));
        if (c.real) {
          for (cd& z : a) z.imag(-0.0);
        }
        const std::vector<cd> x = transformed(a, ind);
        const std::vector<cd> y = plain_transform(a, ind);
        for (int f = 0; f < n; ++f) {
          ASSERT_TRUE(same_bits(x[static_cast<std::size_t>(f)], y[static_cast<std::size_t>(f)]))
              << "f = " << f << ": " << x[static_cast<std::size_t>(f)] << " against "
              << y[static_cast<std::size_t>(f)];
        }
      }
    }
  }
}

TEST(DwvfastProperty, ReferenceReproducesTheRampOfLengthFour) {
  // The reference itself gives the n = 4 ramp of LengthFourRamp, and with
  // the sign reversed its complex conjugate.
  const std::vector<cd> ramp = {{1, 0}, {2, 0}, {3, 0}, {4, 0}};
  EXPECT_NEAR(static_cast<double>(Reference(4, -1).bin(ramp, 1).real()), -1.99999999959, 5e-12);
  EXPECT_NEAR(static_cast<double>(Reference(4, -1).bin(ramp, 3).real()), -2.00000000041, 5e-12);
  EXPECT_NEAR(static_cast<double>(Reference(4, 1).bin(ramp, 1).imag()), -2.0, 1e-15);
}

TEST(DwvfastProperty, RoundTripReturnsNTimesTheInput) {
  // The transform's matrix F (angles above) is symmetric, and F / sqrt n is
  // unitary for any twiddle angles; the inverse (ind = +1) is conj(F) =
  // F^H, so inverse(forward(a)) = n a exactly in exact arithmetic, pai or
  // not.  What remains is rounding: twice the bound of one transform, the
  // forward error amplified by the inverse's norm sqrt n: 2 * 10 L n^1.5 eps
  // max|a| per element.
  for (int n : powers_of_two()) {
    SCOPED_TRACE("n = " + std::to_string(n));
    const std::vector<cd> a = random_vector(n, 2000 + static_cast<std::uint64_t>(n));
    const std::vector<cd> b = transformed(transformed(a, -1), 1);
    const double bound =
        2.0 * rounding_bound(n, max_modulus(a)) * std::sqrt(static_cast<double>(n));
    double worst = 0.0;
    for (int t = 0; t < n; ++t) {
      worst = std::max(worst, std::abs(b[static_cast<std::size_t>(t)] -
                                       static_cast<double>(n) * a[static_cast<std::size_t>(t)]));
    }
    EXPECT_LE(worst, bound);
  }
}

TEST(DwvfastProperty, EnergyIsNTimesTheInputEnergy) {
  // Parseval holds for the pai transform as well (it is unitary times sqrt n).
  for (int n : powers_of_two()) {
    SCOPED_TRACE("n = " + std::to_string(n));
    const std::vector<cd> a = random_vector(n, 3000 + static_cast<std::uint64_t>(n));
    const std::vector<cd> x = transformed(a, -1);
    long double ea = 0, ex = 0;
    for (const cd& v : a) ea += std::norm(std::complex<long double>(v));
    for (const cd& v : x) ex += std::norm(std::complex<long double>(v));
    EXPECT_NEAR(static_cast<double>(ex / (n * ea)), 1.0, 4.0 * rounding_bound(n, 1.0) / n + 1e-15);
  }
}

TEST(DwvfastProperty, PureToneLandsInItsBin) {
  // a(t) = exp(+i 2 pi k t / n) (exact pi): the forward transform puts n in
  // bin k.  Elsewhere only the angle error of pai (at most L (pai - pi) per
  // term) and rounding leave anything: below n (L (pai - pi) + 10 L eps).
  for (int n : powers_of_two()) {
    const int l = log2_of(n);
    const double leak = n * (l * static_cast<double>(kPaiExcess) + (10.0 * l + 2.0) * kEps);
    for (int k : {0, 1, n / 2, n - 1, n / 3, (5 * n) / 7}) {
      if (k < 0 || k >= n) continue;
      SCOPED_TRACE("n = " + std::to_string(n) + ", k = " + std::to_string(k));
      std::vector<cd> a(static_cast<std::size_t>(n));
      for (int t = 0; t < n; ++t) {
        const long double angle =
            2.0L * std::numbers::pi_v<long double> * ((static_cast<long>(k) * t) % n) / n;
        a[static_cast<std::size_t>(t)] = {static_cast<double>(std::cos(angle)),
                                          static_cast<double>(std::sin(angle))};
      }
      const std::vector<cd> x = transformed(a, -1);
      EXPECT_LE(std::abs(x[static_cast<std::size_t>(k)] - cd(n, 0)), leak);
      for (int f = 0; f < n; ++f) {
        if (f != k) {
          ASSERT_LE(std::abs(x[static_cast<std::size_t>(f)]), leak) << "f = " << f;
        }
      }
    }
  }
}

TEST(DwvfastProperty, RealCosineSplitsIntoTwoBins) {
  for (int n : {8, 64, 512, 4096}) {
    const int l = log2_of(n);
    const double leak = n * (l * static_cast<double>(kPaiExcess) + (10.0 * l + 2.0) * kEps);
    const int k = n / 8 + 1;
    SCOPED_TRACE("n = " + std::to_string(n) + ", k = " + std::to_string(k));
    std::vector<cd> a(static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) {
      const long double angle =
          2.0L * std::numbers::pi_v<long double> * ((static_cast<long>(k) * t) % n) / n;
      a[static_cast<std::size_t>(t)] = {static_cast<double>(std::cos(angle)), 0.0};
    }
    const std::vector<cd> x = transformed(a, -1);
    for (int f = 0; f < n; ++f) {
      const double expected = (f == k || f == n - k) ? n / 2.0 : 0.0;
      ASSERT_LE(std::abs(x[static_cast<std::size_t>(f)] - cd(expected, 0)), leak) << "f = " << f;
    }
  }
}

}  // namespace
