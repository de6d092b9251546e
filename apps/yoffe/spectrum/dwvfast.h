// In-place radix-2 fast Fourier transform.
#pragma once

#include <complex>

namespace spectrum {

/// Transforms a[0..n-1] in place: a(f) = sum over t of a(t) exp(ind i 2 pai
/// f t / n), unscaled, with the program's pai = 3.141592654 in every
/// twiddle angle.  ind = -1 is the forward transform, +1 the inverse times n.
/// n <= 1 leaves `a` as it is.  A length that is not a power of two, or
/// exceeds the capacity `mom` of `a`, is refused: the function returns false
/// without reading or writing any element; otherwise it returns true.
[[nodiscard]] bool dwvfast(int n, std::complex<double>* a, int mom, int ind);

}  // namespace spectrum
