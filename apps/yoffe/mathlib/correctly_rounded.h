// asin, atan, sin and cos rounded correctly to the nearest double.
//
// The run's results are fixed by the values of these functions at a few
// thousand arguments.  C libraries round them differently in the last bit:
// glibc's asin and atan give the nearest double at every argument of the run
// (and its sin and cos at all but three twiddle angles, which change no
// printed digit), while the MinGW-w64 runtime misses the nearest double for
// about one asin or atan in twenty, enough to change a printed digit of the
// slip file.  Where the platform's library cannot be trusted to give the
// nearest double, these functions stand in for it: they evaluate in
// double-double arithmetic (about 104 significant bits, plain IEEE double
// operations only, so the same on every machine) and round once.
#pragma once

namespace mathlib {

/// Arcsine, nearest double.  NaN for |x| > 1.
double cr_asin(double x);

/// Arctangent, nearest double.
double cr_atan(double x);

/// Largest |x| that cr_sin, cr_cos and cr_sincos take: their reduction by
/// pi/2 is exact only below it.  The run's angles stay within [-pi, pi].
inline constexpr double kSinCosLimit = 0x1p20;

/// Sine and cosine, nearest double, for |x| < kSinCosLimit (NaN for
/// infinities and NaN).
double cr_sin(double x);
double cr_cos(double x);
void cr_sincos(double x, double& sine, double& cosine);

}  // namespace mathlib
