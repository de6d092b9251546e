#include "spectrum/dwvfast.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace spectrum {
namespace {

// Puts the element at position p (counted from 1) at the position whose
// bits are those of p - 1 reversed.  Positions counted from 0 here: for
// each even i below h = n / 2 its reversal j is even and below h too, and
// i + 1, i + h and i + h + 1 reverse to j + h, j + 1 and j + h + 1; so
// walking i and the reversed counter j over these quarters visits every
// exchange once, the pair (i + 1, j + h) unconditionally (for n = 2 the
// element 1 with itself).
void bit_reverse(int n, std::complex<double>* a) {
  const int h = n / 2;
  int j = 0;
  for (int i = 0; i < h; i += 2) {
    if (i < j) {
      std::swap(a[i], a[j]);
      std::swap(a[i + h + 1], a[j + h + 1]);
    }
    std::swap(a[i + 1], a[j + h]);
    // Adding 2 to i carries upwards from its bit of value 2, so j's carry
    // runs downwards from its bit of value n / 4.
    int m = h / 2;
    while (j & m) {
      j = j ^ m;
      m = m / 2;
    }
    j = j | m;
  }
}

// A complex number as the pair (real, imaginary) in one vector register:
// SSE2 on x86, NEON on aarch64.  Each lane rounds as the scalar operation.
// std::complex<double> is laid out as double[2], read and written as such.
typedef double Pair __attribute__((vector_size(16)));

Pair load(const std::complex<double>& z) {
  Pair p;
  std::memcpy(&p, reinterpret_cast<const double*>(&z), sizeof p);
  return p;
}

void store(std::complex<double>& z, const Pair& p) {
  std::memcpy(reinterpret_cast<double*>(&z), &p, sizeof p);
}

// A twiddle factor (wr, wi) as the butterfly multiplies by it.
struct Twiddle {
  Pair ww;  // (wr, wr)
  Pair sw;  // (-wi, wi)
};

// One butterfly: temp = w a(j); a(j) = a(i) - temp, then a(i) = a(i) + temp.
// temp = (ajr wr - aji wi, aji wr + ajr wi) is formed as
// (ajr, aji) ww + (aji, ajr) sw, the same doubles: x - y is x + (-y) by
// definition, and aji (-wi) is exactly -(aji wi), rounding to nearest being
// symmetric in sign; -ffp-contract=off keeps the vector products unfused.
void butterfly(std::complex<double>& ai, std::complex<double>& aj, const Twiddle& w) {
  const Pair x = load(aj);
  const Pair swapped = {x[1], x[0]};
  const Pair temp = x * w.ww + swapped * w.sw;
  const Pair y = load(ai);
  store(aj, y - temp);
  store(ai, y + temp);
}

// The twiddle factor of angle ((k - 1) ind) pai / kmax: exp(0 + i angle),
// and e^0 is exactly 1, so the factor is (cos, sin) of the angle.
Twiddle twiddle(int k, int kmax, int ind) {
  const double pai = 3.141592654;
  const double angle = static_cast<double>((k - 1) * ind) * pai / static_cast<double>(kmax);
  const double e = std::exp(0.0);
  const double wr = std::cos(angle) * e;
  const double wi = std::sin(angle) * e;
  return {Pair{wr, wr}, Pair{-wi, wi}};
}

// Largest last stage whose twiddle factors are kept for the whole call, on
// the stack (64 KiB): kmax = 2048, the stages of n = 4096.
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
//
// The butterflies of a stage touch disjoint elements, so their order does
// not change any result: the outer loop runs over the fewer of the positions
// k and the groups of 2 kmax elements, the inner one over the more.
void stages(int n, std::complex<double>* a, int ind) {
  const int last = n / 2;
  if (last <= kMaxTable) {
    Twiddle w[kMaxTable];
    for (int k = 1; k <= last; ++k) w[k - 1] = twiddle(k, last, ind);
    for (int kmax = 1; kmax < n; kmax = kmax + kmax) {
      const int istep = kmax + kmax;
      const int stride = last / kmax;
      if (kmax <= n / istep) {
        for (int k = 1; k <= kmax; ++k) {
          const Twiddle& t = w[(k - 1) * stride];
          for (int i = k; i <= n; i += istep) butterfly(a[i - 1], a[i - 1 + kmax], t);
        }
      } else {
        for (int g = 0; g < n; g += istep) {
          for (int k = 1; k <= kmax; ++k) {
            butterfly(a[g + k - 1], a[g + k - 1 + kmax], w[(k - 1) * stride]);
          }
        }
      }
    }
    return;
  }
  for (int kmax = 1; kmax < n; kmax = kmax + kmax) {
    const int istep = kmax + kmax;
    for (int k = 1; k <= kmax; ++k) {
      const Twiddle t = twiddle(k, kmax, ind);
      for (int i = k; i <= n; i += istep) butterfly(a[i - 1], a[i - 1 + kmax], t);
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
