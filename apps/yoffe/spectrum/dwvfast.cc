#include "spectrum/dwvfast.h"

#include <cmath>
#include <utility>

#include "constants/pai.h"

namespace spectrum {
namespace {

// Puts the element at position p (counted from 1) at the position whose
// bits are those of p - 1 reversed: j runs through the reversed positions,
// counting with its carry moving from the top bit down.
void bit_reverse(int n, std::complex<double>* a) {
  int j = 1;
  for (int i = 1; i <= n; ++i) {
    if (i < j) std::swap(a[i - 1], a[j - 1]);
    int m = n / 2;
    while (j > m) {
      j = j - m;
      m = m / 2;
      if (m <= 1) break;
    }
    j = j + m;
  }
}

// The twiddle factor of angle ((k - 1) ind) pai / kmax: exp(0 + i angle),
// and e^0 is exactly 1, so the factor is (cos, sin) of the angle.
std::complex<double> twiddle(int k, int kmax, int ind) {
  const double angle = static_cast<double>((k - 1) * ind) * constants::pai / static_cast<double>(kmax);
  const double e = std::exp(0.0);
  return {std::cos(angle) * e, std::sin(angle) * e};
}

// One butterfly: temp = w a(j); a(j) = a(i) - temp, then a(i) = a(i) + temp,
// each product and sum rounded as written.
void butterfly(std::complex<double>& ai, std::complex<double>& aj, std::complex<double> w) {
  const double tr = aj.real() * w.real() - aj.imag() * w.imag();
  const double ti = aj.imag() * w.real() + aj.real() * w.imag();
  aj = {ai.real() - tr, ai.imag() - ti};
  ai = {ai.real() + tr, ai.imag() + ti};
}

// Lengths up to twice this keep the twiddle factors of their last stage on
// the stack (32 KiB): n = 4096 and below.
constexpr int kMaxTable = 2048;

// Butterfly stages of doubling span.  The twiddle of position k in a group
// of half-span kmax comes straight from its angle ((k - 1) ind) pai / kmax,
// no recurrence.  Up to n = 2 kMaxTable the factors of the last stage
// (kmax = n / 2) are computed once, and a stage takes those at positions
// (k - 1) s + 1, s = (n / 2) / kmax, a power of two: their angles are the
// same doubles, since the integer (k - 1) s ind converts exactly, and
// scaling a product by s and a divisor by s commutes with rounding (no
// overflow, no subnormals here).
void stages(int n, std::complex<double>* a, int ind) {
  std::complex<double> table[kMaxTable];
  const int last = n / 2;
  const bool tabulated = last <= kMaxTable;
  if (tabulated) {
    for (int k = 1; k <= last; ++k) table[k - 1] = twiddle(k, last, ind);
  }
  for (int kmax = 1; kmax < n; kmax = kmax + kmax) {
    const int istep = kmax + kmax;
    for (int k = 1; k <= kmax; ++k) {
      const std::complex<double> w =
          tabulated ? table[(k - 1) * (last / kmax)] : twiddle(k, kmax, ind);
      for (int i = k; i <= n; i += istep) butterfly(a[i - 1], a[i - 1 + kmax], w);
    }
  }
}

bool is_power_of_two(int n) {
  return n > 0 && (n & (n - 1)) == 0;
}

}  // namespace

bool dwvfast(int n, std::complex<double>* a, int mom, int ind) {
  if (n <= 1) return true;
  if (!is_power_of_two(n) || n > mom) return false;
  bit_reverse(n, a);
  stages(n, a, ind);
  return true;
}

}  // namespace spectrum
