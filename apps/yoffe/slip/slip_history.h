// The sampled slip time history: slip velocity, slip and slip acceleration.
#pragma once

#include <vector>

namespace slip {

struct SlipParameters {
  double dmax;  // final slip
  double dt;    // sampling interval, s
  int nt;       // number of samples
  double taus;  // smoothing time, s
  double taur;  // rise time, s
};

/// One sample: time, slip velocity, slip (trapezoid rule) and acceleration
/// (backward difference).
struct SlipRow {
  double t;
  double velocity;
  double displacement;
  double acceleration;
};

/// Samples the regularized Yoffe slip velocity at (i - 1) dt, i = 1..nt,
/// normalised with `ck`.  Kernel evaluation stops at the first sample of
/// window 5 whose raw value is below the single-precision 5.0e-4; that
/// sample and all later ones have zero velocity.  Returns nt rows (none for
/// nt < 1).
std::vector<SlipRow> slip_history(const SlipParameters& p, double ck);

/// Writes Yoffe_Slip.csv in the current directory: the header line and
/// one row per sample.  Fails through the fatal report like every text
/// statement.
void write_slip_file(const std::vector<SlipRow>& rows);

}  // namespace slip
