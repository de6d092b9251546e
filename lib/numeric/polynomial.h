// Polynomials of the library's series.
#pragma once

namespace numeric {

/// c[0] + c[1] z + ... + c[N - 1] z^(N - 1), the first N of the M
/// coefficients, by Horner's rule, each step rounded as written.
template <int N, int M>
double horner(const double (&c)[M], double z) {
  static_assert(N >= 1 && N <= M);
  double r = c[N - 1];
  for (int j = N - 2; j >= 0; --j) r = r * z + c[j];
  return r;
}

}  // namespace numeric
