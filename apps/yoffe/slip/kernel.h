// The regularized Yoffe slip-velocity function: the Yoffe function of rise
// time taur smoothed by a triangle of half-width taus, in closed form.
#pragma once

#include "constants/pai.h"

namespace slip {

/// Which of the six time windows an instant falls in, and the un-normalised
/// value of the function there.
struct KernelValue {
  int window;
  double raw;
};

/// The raw value at `t` > 0 for taur >= 2 taus.  Windows: 1 t <= taus,
/// 2 t <= 2 taus, 3 t <= taur, 4 t < taur + taus, 5 t <= taur + 2 taus,
/// 6 beyond (raw value exactly 0).  Undefined for t <= 0.
KernelValue yoffe_kernel(double t, double taus, double taur);

/// Normalisation constant: raw value times dmax times ck is a slip velocity
/// that integrates to dmax.
double ck(double taus, double taur);

}  // namespace slip
