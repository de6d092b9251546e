#include "spectrum/dwvfast.h"

#include <cmath>
#include <utility>

namespace spectrum {
namespace {

// Puts the element at position p (counted from 1) at the position whose
// bits are those of p - 1 reversed, walking the reversed counter j.
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

// One butterfly: temp = w a(j); a(j) = a(i) - temp, then a(i) = a(i) + temp.
void butterfly(std::complex<double>& ai, std::complex<double>& aj, double wr, double wi) {
  const double tr = aj.real() * wr - aj.imag() * wi;
  const double ti = aj.imag() * wr + aj.real() * wi;
  aj = {ai.real() - tr, ai.imag() - ti};
  ai = {ai.real() + tr, ai.imag() + ti};
}

// Butterfly stages of doubling span; the twiddle of position k in a group
// comes straight from its angle ((k - 1) ind) pai / kmax, no recurrence.
void stages(int n, std::complex<double>* a, int ind) {
  const double pai = 3.141592654;
  for (int kmax = 1; kmax < n; kmax = kmax + kmax) {
    const int istep = kmax + kmax;
    for (int k = 1; k <= kmax; ++k) {
      const double angle = static_cast<double>((k - 1) * ind) * pai / static_cast<double>(kmax);
      // exp(0 + i angle): e^0 is exactly 1, so the factor is (cos, sin).
      const double e = std::exp(0.0);
      const double wr = std::cos(angle) * e;
      const double wi = std::sin(angle) * e;
      for (int i = k; i <= n; i += istep) butterfly(a[i - 1], a[i - 1 + kmax], wr, wi);
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
