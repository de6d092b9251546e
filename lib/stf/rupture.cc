// A rupture's sums over its sources: the moment-rate function (or slip
// rate) sum_j weight_j S_j(t - onset_j) on a uniform grid, as bin averages
// or as samples, and its spectrum sum_j weight_j e^(-2 pi i f onset_j) X_j(f).
//
// The same bits whatever the number of threads: the grid is cut into parts
// of consecutive bins (or frequencies), each computed by one thread, and
// each output element adds the sources' terms in the sources' order,
// starting from 0.  No part depends on another, and no element on how the
// grid was cut.
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <thread>

#include "numeric/double_double.h"
#include "numeric/trigonometric.h"
#include "source_time_function.h"
#include "yoffe/stf.h"

namespace yoffe::detail {
namespace {

// Elements computed per call of a source's evaluation: a buffer on the
// stack, so that the sums allocate nothing.
constexpr std::size_t kBlock = 256;

// Work below this many source-elements is done by the calling thread alone:
// starting a thread costs about as much as a few thousand evaluations.
constexpr double kWorkPerThread = 2e5;

std::atomic<int> configured_threads{0};

using numeric::dd::DD;

// cos and sin of 2 pi f onset, from the double-double product; 0 and 0
// where the phase passes 2^60, beyond which f's own rounding moves it by
// more than a turn (the mean of the oscillation).
void onset_phase(double f, const numeric::dd::Multiplier& onset, double& cosine, double& sine) {
  const DD turns = numeric::dd::times(onset, f);
  if (!(std::fabs(turns.hi) < 0x1p57)) {
    cosine = sine = 0.0;
    return;
  }
  const DD phase = numeric::dd::mul(numeric::dd::kPi, DD{2.0 * turns.hi, 2.0 * turns.lo});
  const bool negative = phase.hi < 0.0;
  numeric::sin_cos(negative ? DD{-phase.hi, -phase.lo} : phase, sine, cosine);
  if (negative) sine = -sine;
}

unsigned processors() {
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? n : 1;
}

// Whether the source is one of the library's, with a finite onset and
// weight, taur = 0 standing for its limit; point samples of an impulse
// (taus = taur = 0) have no value.
bool valid_source(const yoffe_source& s, bool impulse) {
  if (!impulse && s.taus == 0.0 && s.taur == 0.0) return false;
  return std::isfinite(s.onset) && std::isfinite(s.weight) &&
         valid_parameters(s.taus, rise_or_limit(s.taus, s.taur));
}

// The index of the first bad source, or n if all are good.
std::size_t first_bad(const yoffe_source* sources, std::size_t n, bool impulse = true) {
  for (std::size_t j = 0; j < n; ++j) {
    if (!valid_source(sources[j], impulse)) return j;
  }
  return n;
}

// 1, or for times t from 2^500 on, a power of two above t: the scale that
// keeps their squares and sums finite.
double scale_of(double t) {
  return t < 0x1p500 ? 1.0 : 2.0 * unit_of(t);
}

// What one thread computes: the grid elements [first, first + count).
struct Part {
  const yoffe_source* sources;
  std::size_t n_sources;
  double t0;
  double dt;
  bool averaged;
  const double* f;  // frequencies, for the spectrum; null for the time grid
  std::size_t first;
  std::size_t count;
  double* out;
};

// The bins of the part that source s can reach: its support
// (onset, onset + taur + 2 taus) widened by a bin on each side, so that
// rounding in the bounds loses nothing (bins beyond give 0 exactly).
void reach(const Part& w, const yoffe_source& s, std::size_t& lo, std::size_t& hi) {
  const double start = (s.onset - w.t0) / w.dt - 1.5;
  const double stop = (s.onset + (s.taur + 2.0 * s.taus) - w.t0) / w.dt + 1.5;
  const double first = static_cast<double>(w.first);
  const double last = static_cast<double>(w.first + w.count);
  const double a = std::clamp(std::floor(start), first, last);
  const double b = std::clamp(std::ceil(stop), first, last);
  lo = static_cast<std::size_t>(a);
  hi = std::max(lo, static_cast<std::size_t>(b));
}

void time_part(const Part& w) {
  std::fill(w.out, w.out + w.count, 0.0);
  double value[kBlock];
  double time[kBlock];
  for (std::size_t j = 0; j < w.n_sources; ++j) {
    const yoffe_source& s = w.sources[j];
    std::size_t lo = 0;
    std::size_t hi = 0;
    reach(w, s, lo, hi);
    if (lo == hi) continue;
    const Shape shape = make_shape(s.taus, rise_or_limit(s.taus, s.taur));
    // The grid in the source's own time, t0 - onset + k dt, exact as a
    // double-double; a sample's time is it rounded once.
    const DD t0 = numeric::dd::two_sum(w.t0, -s.onset);
    const numeric::dd::Multiplier step = numeric::dd::multiplier(w.dt);
    for (std::size_t k = lo; k < hi; k += kBlock) {
      const std::size_t m = std::min(kBlock, hi - k);
      if (w.averaged) {
        slip_rate_average_each(shape, t0, w.dt, k, m, value);
      } else {
        for (std::size_t i = 0; i < m; ++i) {
          const double a = static_cast<double>(k + i);
          const DD offset = k + i < (std::size_t{1} << 26) ? numeric::dd::times_short(step, a)
                                                           : numeric::dd::times(step, a);
          time[i] = numeric::dd::rounded(numeric::dd::add(t0, offset));
        }
        slip_rate_each(shape, m, time, value);
      }
      double* out = w.out + (k - w.first);
      for (std::size_t i = 0; i < m; ++i) out[i] = out[i] + s.weight * value[i];
    }
  }
}

// sum_j weight_j e^(-2 pi i f onset_j) X_j(f): the onset's phase from the
// double-double product f onset, reduced as the spectrum's own phases are.
void spectrum_part(const Part& w) {
  std::fill(w.out, w.out + 2 * w.count, 0.0);
  double x[2 * kBlock];
  for (std::size_t j = 0; j < w.n_sources; ++j) {
    const yoffe_source& s = w.sources[j];
    const Shape shape = make_shape(s.taus, rise_or_limit(s.taus, s.taur));
    const numeric::dd::Multiplier onset = numeric::dd::multiplier(s.onset);
    for (std::size_t k = 0; k < w.count; k += kBlock) {
      const std::size_t m = std::min(kBlock, w.count - k);
      const double* f = w.f + w.first + k;
      transform_each(shape, m, f, x);
      double* out = w.out + 2 * k;
      for (std::size_t i = 0; i < m; ++i) {
        double c = 1.0;
        double sn = 0.0;
        if (s.onset != 0.0 && std::isfinite(f[i])) onset_phase(f[i], onset, c, sn);
        // e^(-i phase) X
        const double re = x[2 * i] * c + x[2 * i + 1] * sn;
        const double im = x[2 * i + 1] * c - x[2 * i] * sn;
        out[2 * i] = out[2 * i] + s.weight * re;
        out[2 * i + 1] = out[2 * i + 1] + s.weight * im;
      }
    }
  }
}

void* run_part(void* part) {
  const Part& w = *static_cast<const Part*>(part);
  if (w.f == nullptr) {
    time_part(w);
  } else {
    spectrum_part(w);
  }
  return nullptr;
}

// The threads to use: yoffe_set_threads's, else OMP_NUM_THREADS's, else
// the machine's processors; at most 256.
int threads_to_use() {
  int n = configured_threads.load(std::memory_order_relaxed);
  if (n <= 0) {
    const char* text = std::getenv("OMP_NUM_THREADS");
    n = text != nullptr ? std::atoi(text) : 0;
  }
  if (n <= 0) n = static_cast<int>(processors());
  return std::clamp(n, 1, 256);
}

// The grid cut into parts, eight a thread, which the threads take one
// after another as they finish (the sources' onsets crowd some parts of
// the grid more than others).
struct Parts {
  Part whole;
  std::size_t n;
  std::size_t count;  // parts
  std::atomic<std::size_t> next{0};
};

void* run_parts_of(void* shared) {
  Parts& parts = *static_cast<Parts*>(shared);
  const std::size_t stride = parts.whole.f == nullptr ? 1 : 2;
  for (;;) {
    const std::size_t i = parts.next.fetch_add(1, std::memory_order_relaxed);
    if (i >= parts.count) return nullptr;
    Part part = parts.whole;
    part.first = parts.n * i / parts.count;
    part.count = parts.n * (i + 1) / parts.count - part.first;
    part.out = parts.whole.out + stride * part.first;
    run_part(&part);
  }
}

// Runs the grid of n elements on the threads, the calling one among them.
// A thread that cannot be started leaves its share to the others.
void run_parts(const Part& whole, std::size_t n, double work) {
  int threads = threads_to_use();
  threads = static_cast<int>(std::min<double>(threads, std::max(1.0, work / kWorkPerThread)));
  threads = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(threads), n));
  Parts parts;
  parts.whole = whole;
  parts.n = n;
  parts.count = std::min<std::size_t>(n, 8 * static_cast<std::size_t>(threads));
  pthread_t ids[256];
  bool started[256] = {};
  for (int i = 1; i < threads; ++i) {
    started[i] = pthread_create(&ids[i], nullptr, run_parts_of, &parts) == 0;
  }
  run_parts_of(&parts);
  for (int i = 1; i < threads; ++i) {
    if (started[i]) pthread_join(ids[i], nullptr);
  }
}

}  // namespace
}  // namespace yoffe::detail

namespace {

using yoffe::detail::first_bad;
using yoffe::detail::Part;
using yoffe::detail::scale_of;

// A grid of n elements t0 + k dt whose first and last (or, for bins, their
// outer ends) are finite.
bool valid_grid(double t0, double dt, std::size_t n, bool averaged) {
  if (!(std::isfinite(t0) && std::isfinite(dt) && dt > 0.0)) return false;
  if (n == 0) return true;
  const double first = averaged ? t0 - 0.5 * dt : t0;
  const double last = t0 + (static_cast<double>(n) - (averaged ? 0.5 : 1.0)) * dt;
  return std::isfinite(first) && std::isfinite(last);
}

// The sources' check, reporting the first bad one's index (n_sources if
// none) where asked.
bool valid_sources(const yoffe_source* sources, size_t n_sources, size_t* bad_source,
                   bool impulse = true) {
  const size_t bad =
      n_sources > 0 && sources == nullptr ? 0 : first_bad(sources, n_sources, impulse);
  if (bad_source != nullptr) *bad_source = bad;
  return bad == n_sources;
}

}  // namespace

extern "C" {

int yoffe_moment_rate_centroid(const yoffe_source* sources, size_t n_sources, double* total,
                               double* centroid, double* duration, size_t* bad_source) noexcept {
  // Nonnegative weights, of a positive sum: the moment-rate function is
  // then a distribution in time, with a mean and a spread.
  size_t bad = n_sources > 0 && sources == nullptr ? 0 : first_bad(sources, n_sources);
  for (size_t j = 0; j < bad; ++j) {
    if (!(sources[j].weight >= 0.0)) bad = j;
  }
  if (bad_source != nullptr) *bad_source = bad;
  if (bad < n_sources || total == nullptr || centroid == nullptr || duration == nullptr) {
    return YOFFE_BAD_PARAMETER;
  }
  // Each source's mean time is onset + taur / 4 + taus (the Yoffe function's
  // mean and the triangle's add up), its variance taur^2 / 16 + taus^2 / 6.
  // Sums in double-double, the second pass about the centroid.  Weights,
  // and times from 2^500 on, are scaled by powers of two to below 1, so
  // that no product, square or sum overflows; the results are scaled back.
  using numeric::dd::DD;
  double most_weight = 0.0;
  double latest = 0.0;
  for (size_t j = 0; j < n_sources; ++j) {
    const yoffe_source& s = sources[j];
    most_weight = std::fmax(most_weight, s.weight);
    latest = std::fmax(latest, std::fabs((s.onset + 0.25 * s.taur) + s.taus));
  }
  const double weight_unit = 2.0 * yoffe::detail::unit_of(most_weight > 0.0 ? most_weight : 1.0);
  const double mean_unit = scale_of(latest);
  DD weight{0.0, 0.0};
  DD first{0.0, 0.0};
  for (size_t j = 0; j < n_sources; ++j) {
    const yoffe_source& s = sources[j];
    const double w = s.weight / weight_unit;
    weight = numeric::dd::add(weight, DD{w, 0.0});
    first = numeric::dd::add(
        first, numeric::dd::two_prod(w, ((s.onset + 0.25 * s.taur) + s.taus) / mean_unit));
  }
  if (!(weight.hi > 0.0)) {
    if (bad_source != nullptr) *bad_source = n_sources;
    return YOFFE_BAD_PARAMETER;
  }
  const double mean = numeric::dd::rounded(numeric::dd::div(first, weight)) * mean_unit;
  const auto offset = [mean](const yoffe_source& s) {
    return ((s.onset - mean) + 0.25 * s.taur) + s.taus;
  };
  double widest = 0.0;
  for (size_t j = 0; j < n_sources; ++j) {
    const yoffe_source& s = sources[j];
    widest = std::fmax(widest, std::fabs(offset(s)) + (s.taur + s.taus));
  }
  const double spread_unit = scale_of(widest);
  DD second{0.0, 0.0};
  for (size_t j = 0; j < n_sources; ++j) {
    const yoffe_source& s = sources[j];
    const double d = offset(s) / spread_unit;
    const double taur = s.taur / spread_unit;
    const double taus = s.taus / spread_unit;
    const double spread = d * d + (taur * taur / 16.0 + taus * taus / 6.0);
    second = numeric::dd::add(second, numeric::dd::two_prod(s.weight / weight_unit, spread));
  }
  *total = numeric::dd::rounded(weight) * weight_unit;
  *centroid = mean;
  *duration = 2.0 * std::sqrt(numeric::dd::rounded(numeric::dd::div(second, weight))) * spread_unit;
  return YOFFE_OK;
}

int yoffe_set_threads(int threads) noexcept {
  if (threads < 0 || threads > 256) return YOFFE_BAD_PARAMETER;
  yoffe::detail::configured_threads.store(threads, std::memory_order_relaxed);
  return YOFFE_OK;
}

int yoffe_moment_rate(const yoffe_source* sources, size_t n_sources, double t0, double dt,
                      size_t n, int averaged, double* out, size_t* bad_source) noexcept {
  if (!valid_sources(sources, n_sources, bad_source, averaged != 0)) return YOFFE_BAD_PARAMETER;
  if (!valid_grid(t0, dt, n, averaged != 0)) return YOFFE_BAD_PARAMETER;
  if (n > 0 && out == nullptr) return YOFFE_BAD_PARAMETER;
  if (n == 0) return YOFFE_OK;
  const Part whole{sources, n_sources, t0, dt, averaged != 0, nullptr, 0, n, out};
  yoffe::detail::run_parts(whole, n, static_cast<double>(n) * static_cast<double>(n_sources));
  return YOFFE_OK;
}

int yoffe_moment_rate_spectrum(const yoffe_source* sources, size_t n_sources, size_t n,
                               const double* f, double* out, size_t* bad_source) noexcept {
  if (!valid_sources(sources, n_sources, bad_source)) return YOFFE_BAD_PARAMETER;
  if (n > 0 && (f == nullptr || out == nullptr)) return YOFFE_BAD_PARAMETER;
  if (n == 0) return YOFFE_OK;
  const Part whole{sources, n_sources, 0.0, 1.0, false, f, 0, n, out};
  yoffe::detail::run_parts(whole, n, static_cast<double>(n) * static_cast<double>(n_sources));
  return YOFFE_OK;
}

}  // extern "C"
