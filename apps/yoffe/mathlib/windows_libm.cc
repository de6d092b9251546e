// On Windows the C runtime's asin, atan, sin, cos and sincos are replaced,
// at link time (ld --wrap, see CMakeLists.txt), by the correctly rounded
// ones: the MinGW-w64 runtime misses the nearest double often enough to
// change printed digits, and with these the Windows build prints the same
// bytes as the Linux one.  Arguments beyond the exact reduction of sin and
// cos (never met by the run) go to the runtime's own functions.
#include <cmath>

#include "mathlib/correctly_rounded.h"

extern "C" {

double __real_sin(double x);
double __real_cos(double x);
void __real_sincos(double x, double* sine, double* cosine);

double __wrap_asin(double x) {
  return mathlib::cr_asin(x);
}

double __wrap_atan(double x) {
  return mathlib::cr_atan(x);
}

double __wrap_sin(double x) {
  return std::fabs(x) < mathlib::kSinCosLimit ? mathlib::cr_sin(x) : __real_sin(x);
}

double __wrap_cos(double x) {
  return std::fabs(x) < mathlib::kSinCosLimit ? mathlib::cr_cos(x) : __real_cos(x);
}

void __wrap_sincos(double x, double* sine, double* cosine) {
  if (std::fabs(x) < mathlib::kSinCosLimit) {
    mathlib::cr_sincos(x, *sine, *cosine);
  } else {
    __real_sincos(x, sine, cosine);
  }
}

}  // extern "C"
