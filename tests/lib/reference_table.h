// The 50-digit references of tests/data/stf_reference.txt (written by
// tests/data/make_stf_reference.py, whose opening comment gives the
// layout), read once for the tests that compare with them.
#pragma once

#include <string>
#include <vector>

namespace reference {

/// One line of the table.
struct Row {
  // source, rate, slip, acc, amp, peak, avg, xf (the complex transform); rupture, sumavg, sumxf
  std::string kind;
  double taus = 0.0;
  double taur = 0.0;
  double x = 0.0;         // time or frequency (unused by source and peak); avg: t0; rupture: onset
  double dt = 0.0;        // avg: the bin's width
  double value = 0.0;     // the reference; xf: its real part; rupture: the weight
  double imag = 0.0;      // xf: the imaginary part
  double envelope = 0.0;  // amp, xf: the envelope; source: the acceleration's peak;
                          // sumxf: the sum of |weight|
};

/// The table's rows in the file's order, comments left out; empty if the
/// file cannot be read.
const std::vector<Row>& table();

}  // namespace reference
