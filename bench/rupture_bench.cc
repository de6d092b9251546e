// A rupture of 10^5 subfaults: its moment-rate function on 4,096 steps of
// 0.05 s as bin averages and as point samples, on 1 and 2 threads, and its
// spectrum at 2,048 frequencies in closed form beside the FFT of the
// sampled function (whose error against the closed form, relative to the
// total weight, is reported as the counter fft_error).  items_per_second is
// source-steps (or source-frequencies) per second.  Build Release; on a
// shared machine compare the best of several runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdlib>
#include <numbers>
#include <random>
#include <vector>

#include "yoffe/stf.h"

namespace {

constexpr std::size_t kSteps = 4096;
constexpr double kStep = 0.05;
constexpr std::size_t kFrequencies = kSteps / 2;

// Onsets over 150 s, taus 0.05 to 0.2 s, taur 0.5 to 3 s, unit weights:
// 10^5 of them, or YOFFE_BENCH_SUBFAULTS's number (the instruction counts
// of bench/rupture_instructions.sh take 10^4).
const std::vector<yoffe_source>& rupture() {
  static const std::vector<yoffe_source> sources = [] {
    const char* given = std::getenv("YOFFE_BENCH_SUBFAULTS");
    const long n = given != nullptr ? std::atol(given) : 100000;
    std::mt19937_64 random(1);
    std::uniform_real_distribution<double> onset(0.0, 150.0), taus(0.05, 0.2), taur(0.5, 3.0);
    std::vector<yoffe_source> s(static_cast<std::size_t>(n > 0 ? n : 100000));
    for (yoffe_source& x : s) x = {onset(random), taus(random), taur(random), 1.0};
    return s;
  }();
  return sources;
}

void BM_MomentRate(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  const int averaged = static_cast<int>(state.range(1));
  yoffe_set_threads(threads);
  std::vector<double> out(kSteps);
  for (auto _ : state) {
    yoffe_moment_rate(rupture().data(), rupture().size(), 0.0, kStep, kSteps, averaged, out.data(),
                      nullptr);
    benchmark::DoNotOptimize(out.data());
  }
  yoffe_set_threads(0);
  state.SetItemsProcessed(state.iterations() * static_cast<long>(rupture().size() * kSteps));
  state.SetLabel(averaged ? "averages" : "point samples");
}
BENCHMARK(BM_MomentRate)
    ->ArgsProduct({{1, 2}, {1, 0}})
    ->ArgNames({"threads", "averaged"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The baseline of the averages: point samples of the same grid by the
// per-time calls, as a caller's own loop would take them, each source on
// the steps of its support.
void BM_MomentRateByPerTimeCalls(benchmark::State& state) {
  std::vector<double> out(kSteps);
  std::vector<double> t(kSteps);
  std::vector<double> rate(kSteps);
  for (auto _ : state) {
    std::fill(out.begin(), out.end(), 0.0);
    for (const yoffe_source& s : rupture()) {
      const double end = s.onset + s.taur + 2.0 * s.taus;
      const auto first = static_cast<std::size_t>(std::max(0.0, std::floor(s.onset / kStep)));
      const auto last = std::min(kSteps, static_cast<std::size_t>(std::ceil(end / kStep)) + 1);
      if (first >= last) continue;
      for (std::size_t k = first; k < last; ++k) {
        t[k - first] = static_cast<double>(k) * kStep - s.onset;
      }
      yoffe_slip_rate(s.taus, s.taur, last - first, t.data(), rate.data());
      for (std::size_t k = first; k < last; ++k) out[k] += s.weight * rate[k - first];
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(rupture().size() * kSteps));
  state.SetLabel("point samples by yoffe_slip_rate");
}
BENCHMARK(BM_MomentRateByPerTimeCalls)->Unit(benchmark::kMillisecond)->Iterations(3);

std::vector<double> frequencies() {
  std::vector<double> f(kFrequencies);
  for (std::size_t k = 0; k < kFrequencies; ++k) f[k] = static_cast<double>(k) / (kSteps * kStep);
  return f;
}

void BM_SpectrumClosedForm(benchmark::State& state) {
  yoffe_set_threads(static_cast<int>(state.range(0)));
  const std::vector<double> f = frequencies();
  std::vector<double> out(2 * f.size());
  for (auto _ : state) {
    yoffe_moment_rate_spectrum(rupture().data(), rupture().size(), f.size(), f.data(), out.data(),
                               nullptr);
    benchmark::DoNotOptimize(out.data());
  }
  yoffe_set_threads(0);
  state.SetItemsProcessed(state.iterations() * static_cast<long>(rupture().size() * kFrequencies));
}
BENCHMARK(BM_SpectrumClosedForm)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);

// An in-place radix-2 FFT, X_k = sum_j x_j e^(-2 pi i j k / n).
void fft(std::vector<std::complex<double>>& x) {
  const std::size_t n = x.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
    for (std::size_t i = 0; i < n; i += len) {
      for (std::size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> w = std::polar(1.0, angle * static_cast<double>(k));
        const std::complex<double> u = x[i + k];
        const std::complex<double> v = x[i + k + len / 2] * w;
        x[i + k] = u + v;
        x[i + k + len / 2] = u - v;
      }
    }
  }
}

// The route through samples: the moment-rate function as bin averages on
// the grid, its FFT times dt; its error against the closed form.
void BM_SpectrumByFft(benchmark::State& state) {
  const std::vector<double> f = frequencies();
  std::vector<double> exact(2 * f.size());
  yoffe_moment_rate_spectrum(rupture().data(), rupture().size(), f.size(), f.data(), exact.data(),
                             nullptr);
  std::vector<double> m(kSteps);
  std::vector<std::complex<double>> x(kSteps);
  for (auto _ : state) {
    yoffe_moment_rate(rupture().data(), rupture().size(), 0.0, kStep, kSteps, 1, m.data(), nullptr);
    for (std::size_t j = 0; j < kSteps; ++j) x[j] = m[j] * kStep;
    fft(x);
    benchmark::DoNotOptimize(x.data());
  }
  double error = 0.0;
  for (std::size_t k = 0; k < kFrequencies; ++k) {
    error = std::fmax(error, std::abs(x[k] - std::complex<double>(exact[2 * k], exact[2 * k + 1])));
  }
  state.counters["fft_error"] = error / static_cast<double>(rupture().size());
  state.SetItemsProcessed(state.iterations() * static_cast<long>(rupture().size() * kFrequencies));
}
BENCHMARK(BM_SpectrumByFft)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
