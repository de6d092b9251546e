/* The regularized Yoffe source time function: the Yoffe function of rise
 * time taur smoothed by the unit-area triangle of half-width taus, for unit
 * final slip (multiply by the slip yourself).  Its support is the open
 * interval (0, taur + 2 taus) seconds from the onset.
 *
 * The domain: taur from 1e-100 to 1e100 s, and taus = 0 (the Yoffe
 * function itself) or taus from taur * 1e-50 to taur * 1e50 (products
 * rounded as C rounds them).  Every call checks its parameters first and,
 * for a source outside the domain (NaN and infinities included), returns
 * YOFFE_BAD_PARAMETER having written nothing.  An array may be null only
 * when its count n is 0; `out` may be the input array itself, but may not
 * overlap it otherwise.  No call allocates memory, none raises FE_INVALID,
 * FE_DIVBYZERO or FE_OVERFLOW for any argument (a NaN input gives a quiet
 * NaN at its place), and the results are the same on every machine with
 * IEEE double arithmetic.
 *
 * Accuracy, over the whole domain: the slip rate within 1e-14 of its peak
 * value, the slip within 1e-14, the acceleration within 1e-13 of its
 * largest magnitude (all three relative for taus = 0), the amplitude within
 * 1e-13 of its envelope while pi f max(taus, taur) <= 1000, and the peak
 * time within 1e-12 relative; measured errors are below 1e-15 of the same
 * scales. */
#ifndef YOFFE_STF_H
#define YOFFE_STF_H

#include <stddef.h>

#include "yoffe/export.h"

#ifdef __cplusplus
#define YOFFE_STF_NOEXCEPT noexcept
extern "C" {
#else
#define YOFFE_STF_NOEXCEPT
#endif

enum { YOFFE_OK = 0, YOFFE_BAD_PARAMETER = 1 };

/// Slip rate (1/s) at each of the n times t[i] (s from the onset), into
/// out[i].  A NaN time gives NaN; a time outside the support, finite or
/// infinite, gives 0.  With taus = 0 it is the Yoffe function
/// (2 / (pi taur)) sqrt((taur - t) / t) on (0, taur).  Returns YOFFE_OK, or
/// YOFFE_BAD_PARAMETER (nothing written) for a bad source or a null array
/// with n > 0.
YOFFE_API int yoffe_slip_rate(double taus, double taur, size_t n, const double* t,
                              double* out) YOFFE_STF_NOEXCEPT;

/// Slip at each time: 0 before the support, 1 from its end on, NaN for a
/// NaN time.  Fails as yoffe_slip_rate does.
YOFFE_API int yoffe_slip(double taus, double taur, size_t n, const double* t,
                         double* out) YOFFE_STF_NOEXCEPT;

/// Slip acceleration (1/s^2) at each time: 0 outside the support, NaN for a
/// NaN time.  With taus = 0 it is the derivative of the Yoffe function,
/// infinite at both ends of the rise: -inf where its magnitude exceeds the
/// largest double.  Fails as yoffe_slip_rate does.
YOFFE_API int yoffe_slip_acceleration(double taus, double taur, size_t n, const double* t,
                                      double* out) YOFFE_STF_NOEXCEPT;

/// Amplitude of the slip rate's Fourier transform, int x(t) e^(-i w t) dt,
/// at each of the n frequencies f[i] in Hz:
/// sqrt(J0^2(pi f taur) + J1^2(pi f taur)) (sin(pi f taus) / (pi f taus))^2.
/// It is 1 at f = 0, even in f, 0 at infinite frequencies and NaN for a
/// NaN one.  Fails as yoffe_slip_rate does.
YOFFE_API int yoffe_amplitude_spectrum(double taus, double taur, size_t n, const double* f,
                                       double* out) YOFFE_STF_NOEXCEPT;

/// The slip rate's Fourier transform X(f) = int x(t) e^(-2 pi i f t) dt at
/// each frequency f[i] (Hz), for unit final slip: e^(-i pi f (taur + 2 taus))
/// [J0 + i J1](pi f taur) (sin(pi f taus) / (pi f taus))^2, its real part
/// into out[2 i] and its imaginary part into out[2 i + 1] (the layout of C's
/// double complex and C++'s std::complex<double>).  Its modulus is
/// yoffe_amplitude_spectrum's; X(-f) is its conjugate; 1 at f = 0, NaN for
/// a NaN f, and 0 where pi f max(taus, taur) passes 2^60, beyond which the
/// phase is lost in the rounding of f.  out must not overlap f.  Fails as
/// yoffe_slip_rate does.
YOFFE_API int yoffe_complex_spectrum(double taus, double taur, size_t n, const double* f,
                                     double* out) YOFFE_STF_NOEXCEPT;

/// The slip rate (1/s, unit final slip) averaged over each time step of
/// the grid t_k = t0 + k dt, k = 0..n-1 (s): out[k] = [D(t_k + dt/2) -
/// D(t_k - dt/2)] / dt, D the slip, so that the sum of out[k] dt is the slip
/// that falls in the grid (1 where it covers the support) and no moment is
/// lost to sampling.  Never negative; as dt shrinks it tends to the sampled
/// rate and stays as accurate.  taur = 0, a source without a rise, is its
/// limit: the triangle alone, or for taus = 0 a unit impulse at the onset
/// (1 / dt in the bin that holds it).  Returns YOFFE_BAD_PARAMETER (nothing
/// written) for a bad source, t0 or dt not finite, dt <= 0, a grid whose
/// ends t0 - dt/2 or t0 + (n - 1/2) dt overflow, or a null out with n > 0.
YOFFE_API int yoffe_slip_rate_average(double taus, double taur, double t0, double dt, size_t n,
                                      double* out) YOFFE_STF_NOEXCEPT;

/// One source of a rupture: its onset (s, the rupture time), its taus and
/// taur (s) and its weight: mu A D for a moment rate in N m/s, D for a slip
/// rate, or any finite factor.
typedef struct {
  double onset;
  double taus;
  double taur;
  double weight;
} yoffe_source;

/// The sum over the n_sources sources of weight S(t - onset), S the unit
/// slip rate, on the grid t_k = t0 + k dt, k = 0..n-1, into out[k]: as bin
/// averages (averaged != 0; yoffe_slip_rate_average's bins, so that the
/// sum of out[k] dt is the weighted slip that falls in the grid) or as
/// samples (averaged = 0).  Uses the threads that yoffe_set_threads gives;
/// the result is the same to the bit whatever their number.  Returns
/// YOFFE_BAD_PARAMETER (nothing written to out) for a bad source (a
/// non-finite onset or weight, or taus and taur outside the domain), for a
/// grid that yoffe_slip_rate_average refuses (for samples: t0 + (n - 1) dt
/// not finite), or for null arrays with n > 0.  Where bad_source is not
/// null, it gets the index of the first bad source, or n_sources when all
/// are good.  Allocates nothing.
YOFFE_API int yoffe_moment_rate(const yoffe_source* sources, size_t n_sources, double t0,
                                double dt, size_t n, int averaged, double* out,
                                size_t* bad_source) YOFFE_STF_NOEXCEPT;

/// The Fourier transform of that sum, sum of weight e^(-2 pi i f onset) X(f)
/// (yoffe_complex_spectrum's X), at each frequency f[i] (Hz), into
/// out[2 i] (real part) and out[2 i + 1] (imaginary part): in closed form,
/// with no sampling.  Threads and failures as yoffe_moment_rate's; out must
/// not overlap f.
YOFFE_API int yoffe_moment_rate_spectrum(const yoffe_source* sources, size_t n_sources, size_t n,
                                         const double* f, double* out,
                                         size_t* bad_source) YOFFE_STF_NOEXCEPT;

/// The moment-rate function's total (the sum of the weights), its centroid
/// time (s), the weighted mean of onset + taur / 4 + taus, and its duration
/// (s), twice its standard deviation in time (each source's variance is
/// taur^2 / 16 + taus^2 / 6), into *total, *centroid and *duration; in
/// closed form, to a few units in the last place (the total is infinite
/// only where the weights add up beyond the largest double).  Needs
/// weights >= 0 of a positive sum: returns YOFFE_BAD_PARAMETER (nothing
/// written) for a bad or negative-weight source (its index into
/// *bad_source where not null, else n_sources), for weights summing to 0,
/// or for null outputs.
YOFFE_API int yoffe_moment_rate_centroid(const yoffe_source* sources, size_t n_sources,
                                         double* total, double* centroid, double* duration,
                                         size_t* bad_source) YOFFE_STF_NOEXCEPT;

/// The number of threads that the sums over sources use: threads > 0, or
/// 0 (the default) for OMP_NUM_THREADS where set, else the machine's
/// processors; small sums run on the calling thread alone.  Returns
/// YOFFE_BAD_PARAMETER for threads < 0 or > 256.
YOFFE_API int yoffe_set_threads(int threads) YOFFE_STF_NOEXCEPT;

/// The time (s) of the slip rate's peak, the zero of the acceleration in
/// (taus, 2 taus), into *tpeak.  Needs taus > 0: returns
/// YOFFE_BAD_PARAMETER (nothing written) for taus = 0, a bad source or a
/// null tpeak.
YOFFE_API int yoffe_peak_time(double taus, double taur, double* tpeak) YOFFE_STF_NOEXCEPT;

/// The source whose peak time is tacc and whose effective duration
/// taur + 2 taus is teff, into *taus and *taur.  taus comes within 2e-16
/// relative, taur = teff - 2 taus within 4e-16 relative from
/// taur / taus = 0.5 up and within 1e-15 taus / taur below (its condition
/// number is 3 taus / taur).  Needs finite 0 < tacc < teff / 2 and two
/// pointers, and the source found must lie in the domain with taus > 0:
/// returns YOFFE_BAD_PARAMETER (nothing written) otherwise, as for
/// taur / taus below about 1e-15, where teff no longer holds taur.
YOFFE_API int yoffe_from_tacc_teff(double tacc, double teff, double* taus,
                                   double* taur) YOFFE_STF_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* YOFFE_STF_H */
