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

// The twiddle factor of angle ((k - 1) ind) pai / kmax: exp(0 + i angle),
// and e^0 is exactly 1, so the factor is (cos, sin) of the angle.
void twiddle(int k, int kmax, int ind, double& wr, double& wi) {
  const double pai = 3.141592654;
  const double angle = static_cast<double>((k - 1) * ind) * pai / static_cast<double>(kmax);
  const double e = std::exp(0.0);
  wr = std::cos(angle) * e;
  wi = std::sin(angle) * e;
}

// Largest last stage whose twiddle factors are kept for the whole call, on
// the stack: kmax = 2048, the stages of n = 4096.
constexpr int kMaxTable = 2048;

// Butterfly stages of doubling span; the twiddle of position k in a group
// comes straight from its angle ((k - 1) ind) pai / kmax, no recurrence.
//
// Up to n = 2 kMaxTable the factors are computed once, for the last stage
// (kmax = n / 2), and the stage of half-span kmax takes those at positions
// (k - 1) s + 1, s = (n / 2) / kmax, a power of two.  Their angles are the
// same doubles: ((k - 1) s ind) converts to s times ((k - 1) ind) exactly;
// multiplying by pai and dividing by kmax s scale the exact product and the
// exact quotient by s and 1 / s, which rounding to nearest commutes with
// (no overflow, no subnormals); so the quotient rounds to the same double,
// and cos and sin give the same factors.
void stages(int n, std::complex<double>* a, int ind) {
  const int last = n / 2;
  if (last <= kMaxTable) {
    double wr[kMaxTable];
    double wi[kMaxTable];
    for (int k = 1; k <= last; ++k) twiddle(k, last, ind, wr[k - 1], wi[k - 1]);
    for (int kmax = 1; kmax < n; kmax = kmax + kmax) {
      const int istep = kmax + kmax;
      const int stride = last / kmax;
      for (int k = 1; k <= kmax; ++k) {
        const double r = wr[(k - 1) * stride];
        const double m = wi[(k - 1) * stride];
        for (int i = k; i <= n; i += istep) butterfly(a[i - 1], a[i - 1 + kmax], r, m);
      }
    }
    return;
  }
  for (int kmax = 1; kmax < n; kmax = kmax + kmax) {
    const int istep = kmax + kmax;
    for (int k = 1; k <= kmax; ++k) {
      double wr = 0.0;
      double wi = 0.0;
      twiddle(k, kmax, ind, wr, wi);
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
