#include "slip/slip_history.h"

#include "textio/connection.h"
#include "textio/records.h"
#include "slip/kernel.h"

namespace slip {
namespace {

// The cut-off threshold is a single-precision constant compared as a
// double: 0.0005000000237487257, not 0.0005.
constexpr double kCutOff = static_cast<double>(5.0e-4f);

}  // namespace

std::vector<SlipRow> slip_history(const SlipParameters& p, double ck) {
  std::vector<SlipRow> rows;
  if (p.nt < 1) return rows;
  rows.reserve(static_cast<std::size_t>(p.nt));
  rows.push_back({0.0, 0.0, 0.0, 0.0});  // the kernel is not evaluated at 0
  double yoffes = 0.0;
  bool izero = false;
  for (int i = 2; i <= p.nt; ++i) {
    // One multiplication: several samples fall exactly on window bounds.
    const double t = static_cast<double>(i - 1) * p.dt;
    const double previous = rows.back().velocity;
    double v = 0.0;
    double yoffea = 0.0;
    if (!izero) {
      const KernelValue k = yoffe_kernel(t, p.taus, p.taur);
      v = k.raw;
      if (k.window == 5 && k.raw < kCutOff) {
        izero = true;
        v = 0.0;
      }
      v = (v * p.dmax) * ck;
      yoffes = yoffes + ((v + previous) * p.dt) / 2.0;
      yoffea = (v - previous) / p.dt;
    }
    rows.push_back({t, v, yoffes, yoffea});
  }
  return rows;
}

void write_slip_file(const std::vector<SlipRow>& rows) {
  textio::open_unknown(textio::kSlipUnit, "Yoffe_Slip.csv");
  textio::list_write(textio::kSlipUnit, {"time(s),velocity,displacement,acceleration"});
  for (const SlipRow& r : rows) {
    const double values[] = {r.t, r.velocity, r.displacement, r.acceleration};
    textio::formatted_write(textio::kSlipUnit, textio::slip_row, values);
  }
  textio::close_unit(textio::kSlipUnit);
}

}  // namespace slip
