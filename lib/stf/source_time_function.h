// The regularized Yoffe source time function of one source, evaluated one
// time or one frequency at a time.  The C and C++ interfaces validate the
// parameters and loop over their arrays; everything here assumes a source
// of the domain below.
#pragma once

#include <cstddef>

#include "numeric/double_double.h"

namespace yoffe::detail {

// The domain: taur from 1e-100 to 1e100 s, and taus = 0 or from taur 1e-50
// to taur 1e50.  Within it no intermediate value overflows or loses its
// precision to underflow (times in units stay within 2^-170 and 2^170 of
// the rise, their squares far inside the doubles), every result is a
// finite double but the Yoffe function's infinite acceleration at its
// ends, and the results are as accurate as at taur / taus = 1.
inline constexpr double kShortestRise = 1e-100;
inline constexpr double kLongestRise = 1e100;
inline constexpr double kLeastSmoothing = 1e-50;  // taus / taur at the least, but for 0
inline constexpr double kMostSmoothing = 1e50;    // taus / taur at the most

// The grid theta_j = j pi / 16, j = 0..kCells, x = taur sin^2(theta), cuts
// the rise into cells short enough for the arcs' series (time_history.cc).
inline constexpr int kCells = 8;

/// The power of two that brings x > 0 (finite) into [1, 2): a time scale
/// by which every scaling is exact.  Never fails.
double unit_of(double x);

/// The source's smoothing half-width taus and rise time taur, and what every
/// evaluation at one time needs of them.  Times are kept in units of `unit`,
/// the power of two that brings taur into [1, 2): scaling by it is exact, and
/// no square of a time can then overflow or underflow, whatever the source's
/// time scale.
struct Shape {
  double unit;              // seconds per internal unit of time
  double inv_unit;          // 1 / unit
  double far;               // 4 max(taus, taur) in seconds, beyond the support
  double tiny;              // taur 2^-600 in seconds
  double taus;              // in units
  double taur;              // in units
  double inv_taur;          // 1 / taur
  double taur_over_2pi;     // taur / (2 pi)
  double taur2;             // taur^2
  double taur2_over_4pi;    // taur^2 / (4 pi)
  double inv_taus;          // 1 / taus, 0 when taus = 0
  double yoffe_scale;       // 2 / (pi taur), the Yoffe function's factor
  double node_x[kCells + 1];     // taur sin^2(j pi / 16), j = 0..8: 0 .. taur
  double node_rest[kCells + 1];  // taur cos^2(j pi / 16): taur .. 0
  double cell_middle_x[kCells];  // taur sin^2((j + 1/2) pi / 16), j = 0..7
};

/// The rise time that stands for taur = 0, a source without a rise, where
/// the limit is taken (bin averages, spectra, the sums over sources): the
/// least of the domain for this taus, max(kShortestRise, taus
/// kLeastSmoothing), whose results are the triangle's (for taus = 0, a unit
/// impulse at the onset's) to 1e-50 of them.  Any other taur as it is.
double rise_or_limit(double taus, double taur);

/// True for a source of the domain.  Never raises a floating-point
/// exception, NaN included.
bool valid_parameters(double taus, double taur);

/// The shape of valid parameters.
Shape make_shape(double taus, double taur);

/// Slip rate, slip and slip acceleration at t seconds from the onset, for
/// unit final slip.  NaN for a NaN t; outside the support (0, taur + 2 taus)
/// 0, except the slip, which is 1 from the end of the support on.
double slip_rate_at(const Shape& p, double t);
double slip_at(const Shape& p, double t);
double slip_acceleration_at(const Shape& p, double t);

/// The same at each of n times (or, for the amplitude, frequencies) in[i],
/// into out[i]; out may be in itself.  The loops sit beside the evaluations
/// so that the compiler can inline them: a third fewer instructions.
void slip_rate_each(const Shape& p, std::size_t n, const double* in, double* out);
void slip_each(const Shape& p, std::size_t n, const double* in, double* out);
void slip_acceleration_each(const Shape& p, std::size_t n, const double* in, double* out);
void amplitude_each(const Shape& p, std::size_t n, const double* in, double* out);

/// The slip rate averaged over the bins k = first .. first + n - 1 of width
/// dt > 0 centred on t0 + k dt (seconds, t0 a double-double), into
/// out[k - first]: the slip that falls in the bin over dt.  A bin's ends
/// depend on k alone, so that the grid may be taken in parts.  The grid's
/// ends must be finite.
void slip_rate_average_each(const Shape& p, numeric::dd::DD t0, double dt, std::size_t first,
                            std::size_t n, double* out);

/// The slip acceleration times taus^2 at 0 < t < taur + 2 taus, t in the
/// shape's units, for taus > 0: its sign decides the peak.
double acceleration_balance(const Shape& p, double t);

/// Amplitude of the slip rate's Fourier transform at f Hz: 1 at f = 0,
/// even in f, 0 at infinite frequencies, NaN for a NaN f.
double amplitude_at(const Shape& p, double f);

/// The slip rate's Fourier transform at each of n frequencies in[i] (Hz),
/// its real and imaginary parts into out[2 i] and out[2 i + 1].
void transform_each(const Shape& p, std::size_t n, const double* in, double* out);

/// The time of the slip rate's peak, the zero of the acceleration in
/// (taus, 2 taus).  Needs taus > 0.
double peak_time_of(const Shape& p);

/// The parameters whose peak time is tacc and whose taur + 2 taus is teff.
/// Needs finite 0 < tacc < teff / 2.
void parameters_from_tacc_teff(double tacc, double teff, double& taus, double& taur);

}  // namespace yoffe::detail
