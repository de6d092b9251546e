// The C interface: parameter checks, then one plain loop over the arrays.
// Nothing here throws or allocates.
#include <cmath>

#include "source_time_function.h"
#include "yoffe/stf.h"

namespace {

using yoffe::detail::Shape;

// Applies `each` to the n inputs.
template <void (*each)(const Shape&, size_t, const double*, double*)>
int for_each_input(double taus, double taur, size_t n, const double* in, double* out) noexcept {
  if (!yoffe::detail::valid_parameters(taus, taur)) return YOFFE_BAD_PARAMETER;
  if (n > 0 && (in == nullptr || out == nullptr)) return YOFFE_BAD_PARAMETER;
  each(yoffe::detail::make_shape(taus, taur), n, in, out);
  return YOFFE_OK;
}

}  // namespace

extern "C" {

int yoffe_slip_rate(double taus, double taur, size_t n, const double* t, double* out) noexcept {
  return for_each_input<yoffe::detail::slip_rate_each>(taus, taur, n, t, out);
}

int yoffe_slip(double taus, double taur, size_t n, const double* t, double* out) noexcept {
  return for_each_input<yoffe::detail::slip_each>(taus, taur, n, t, out);
}

int yoffe_slip_acceleration(double taus, double taur, size_t n, const double* t,
                            double* out) noexcept {
  return for_each_input<yoffe::detail::slip_acceleration_each>(taus, taur, n, t, out);
}

int yoffe_amplitude_spectrum(double taus, double taur, size_t n, const double* f,
                             double* out) noexcept {
  return for_each_input<yoffe::detail::amplitude_each>(taus, taur, n, f, out);
}

int yoffe_complex_spectrum(double taus, double taur, size_t n, const double* f,
                           double* out) noexcept {
  return for_each_input<yoffe::detail::transform_each>(
      taus, yoffe::detail::rise_or_limit(taus, taur), n, f, out);
}

int yoffe_slip_rate_average(double taus, double taur, double t0, double dt, size_t n,
                            double* out) noexcept {
  taur = yoffe::detail::rise_or_limit(taus, taur);  // taur = 0: the limit, moment-exact
  if (!yoffe::detail::valid_parameters(taus, taur)) return YOFFE_BAD_PARAMETER;
  if (!(std::isfinite(t0) && std::isfinite(dt) && dt > 0.0)) return YOFFE_BAD_PARAMETER;
  if (n > 0 && out == nullptr) return YOFFE_BAD_PARAMETER;
  // Both ends of the grid finite: no bin is infinite.
  if (n > 0 && !(std::isfinite(t0 - 0.5 * dt) &&
                 std::isfinite(t0 + (static_cast<double>(n) - 0.5) * dt))) {
    return YOFFE_BAD_PARAMETER;
  }
  yoffe::detail::slip_rate_average_each(yoffe::detail::make_shape(taus, taur), {t0, 0.0}, dt, 0,
                                        n, out);
  return YOFFE_OK;
}

int yoffe_peak_time(double taus, double taur, double* tpeak) noexcept {
  if (!yoffe::detail::valid_parameters(taus, taur) || !(taus > 0.0) || tpeak == nullptr) {
    return YOFFE_BAD_PARAMETER;
  }
  *tpeak = yoffe::detail::peak_time_of(yoffe::detail::make_shape(taus, taur));
  return YOFFE_OK;
}

int yoffe_from_tacc_teff(double tacc, double teff, double* taus, double* taur) noexcept {
  // The search runs only where its steps stay well inside the doubles:
  // teff near the domain's rises and tacc not below teff 1e-60 (a source
  // of taur / taus up to about 1e60).  What it finds must be a source of
  // the domain with taus > 0, as yoffe_peak_time needs.
  if (!(std::isfinite(tacc) && std::isfinite(teff))) return YOFFE_BAD_PARAMETER;
  if (!(teff >= yoffe::detail::kShortestRise && teff <= 4.0 * yoffe::detail::kLongestRise)) {
    return YOFFE_BAD_PARAMETER;
  }
  if (!(tacc >= 1e-60 * teff && tacc < 0.5 * teff)) return YOFFE_BAD_PARAMETER;
  if (taus == nullptr || taur == nullptr) return YOFFE_BAD_PARAMETER;
  double s = 0.0;
  double r = 0.0;
  yoffe::detail::parameters_from_tacc_teff(tacc, teff, s, r);
  if (!(s > 0.0 && yoffe::detail::valid_parameters(s, r))) return YOFFE_BAD_PARAMETER;
  *taus = s;
  *taur = r;
  return YOFFE_OK;
}

}  // extern "C"
