// The regularized Yoffe source time function, C++ interface: the same
// compiled code as the C one (yoffe/stf.h), with the source's parameters
// validated, and what every evaluation needs of them prepared, once, on
// construction.
#pragma once

#include <complex>
#include <cstddef>
#include <span>
#include <stdexcept>

#include "yoffe/stf.h"

namespace yoffe {

class Source;

namespace detail {
struct Shape;
const Shape& shape_of(const Source& source) noexcept;
}  // namespace detail

/// A source: rise time taur from 1e-100 to 1e100 s and smoothing
/// half-width taus = 0 or from taur * 1e-50 to taur * 1e50 (the domain of
/// yoffe/stf.h).  Its slip rate has support (0, taur + 2 taus).
class Source {
 public:
  /// Throws std::invalid_argument for a source outside the domain.
  YOFFE_API Source(double taus, double taur);

  /// The source whose peak time is tacc and whose effective duration
  /// taur + 2 taus is teff.  Throws std::invalid_argument unless
  /// 0 < tacc < teff / 2, both finite, and the source found lies in the
  /// domain (yoffe_from_tacc_teff).
  YOFFE_API static Source from_tacc_teff(double tacc, double teff);

  double taus() const noexcept { return taus_; }
  double taur() const noexcept { return taur_; }

  /// taur + 2 taus.  Never fails.
  YOFFE_API double effective_duration() const noexcept;

 private:
  friend const detail::Shape& detail::shape_of(const Source& source) noexcept;

  double taus_;
  double taur_;
  // The library's own constants of the source, made by the constructor and
  // read by every evaluation (their layout is the library's; it checks
  // this size when it is built).
  alignas(double) unsigned char shape_[38 * sizeof(double)];
};

/// Slip rate (1/s, unit final slip) at each time t[i] (s from the onset),
/// into out[i]; out may be t itself.  A NaN time gives NaN, a time outside
/// the support 0.  Throws std::invalid_argument, writing nothing, when the
/// spans differ in size.
YOFFE_API void slip_rate(const Source& source, std::span<const double> t, std::span<double> out);

/// Slip at each time: 0 before the support, 1 from its end on.  Throws as
/// slip_rate does.
YOFFE_API void slip(const Source& source, std::span<const double> t, std::span<double> out);

/// Slip acceleration (1/s^2) at each time, 0 outside the support.  Throws
/// as slip_rate does.
YOFFE_API void slip_acceleration(const Source& source, std::span<const double> t,
                                 std::span<double> out);

/// Amplitude of the slip rate's Fourier transform at each frequency f[i]
/// (Hz): 1 at 0, even in f.  Throws as slip_rate does.
YOFFE_API void amplitude_spectrum(const Source& source, std::span<const double> f,
                                  std::span<double> out);

/// The same at one time or frequency.  Never fail (NaN in, NaN out).
YOFFE_API double slip_rate(const Source& source, double t) noexcept;
YOFFE_API double slip(const Source& source, double t) noexcept;
YOFFE_API double slip_acceleration(const Source& source, double t) noexcept;
YOFFE_API double amplitude_spectrum(const Source& source, double f) noexcept;

/// The slip rate averaged over each step of the grid t0 + k dt (s), k = 0..
/// out.size() - 1, as yoffe_slip_rate_average gives it: out[k] dt is the
/// slip that falls in the step.  Throws std::invalid_argument, writing
/// nothing, for t0 or dt not finite, dt <= 0 or a grid whose ends overflow.
YOFFE_API void slip_rate_average(const Source& source, double t0, double dt,
                                 std::span<double> out);

/// The slip rate's Fourier transform X(f) at each frequency f[i] (Hz), as
/// yoffe_complex_spectrum gives it.  Throws as slip_rate does.
YOFFE_API void complex_spectrum(const Source& source, std::span<const double> f,
                                std::span<std::complex<double>> out);

/// How a rupture's sum takes each step of its grid.
enum class Sampling { average, point };

/// The sum over the sources of weight S(t - onset) on the grid t0 + k dt,
/// k = 0..out.size() - 1, as bin averages or point samples
/// (yoffe_moment_rate).  Throws std::invalid_argument, writing nothing,
/// naming the first bad source by its index, or for a bad grid.
YOFFE_API void moment_rate(std::span<const yoffe_source> sources, double t0, double dt,
                           std::span<double> out, Sampling sampling = Sampling::average);

/// Its Fourier transform at each frequency f[i] (Hz), in closed form
/// (yoffe_moment_rate_spectrum).  Throws as moment_rate does, and when the
/// spans differ in size.
YOFFE_API void moment_rate_spectrum(std::span<const yoffe_source> sources,
                                    std::span<const double> f,
                                    std::span<std::complex<double>> out);

/// A moment-rate function's total, centroid time (s) and duration (s):
/// yoffe_moment_rate_centroid's definitions.
struct Centroid {
  double total;
  double time;
  double duration;
};

/// The centroid of the sources' sum.  Throws std::invalid_argument, naming
/// the first bad or negative-weight source, or for weights summing to 0.
YOFFE_API Centroid moment_rate_centroid(std::span<const yoffe_source> sources);

/// The time (s) of the slip rate's peak.  Throws std::domain_error for
/// taus = 0, where the slip rate is infinite at the onset.
YOFFE_API double peak_time(const Source& source);

}  // namespace yoffe
