// The library's slip rate beside the plain closed form, at TauR/TauS from
// 0.01 to 10^4 (taur = 1 s, 10^5 times spread over the support), and over
// the tool's run beside the tool's own kernel.  items_per_second is samples
// per second; wall time on a shared machine varies, so compare the best of
// several runs, or count instructions, which repeat exactly:
// bench/stf_instructions.sh runs each benchmark of one iteration under
// callgrind, counting yoffe_slip_rate and closed_form alone, and prints the
// instructions per sample of both forms.  Build Release.
//
// The plain closed form is the second difference of G, the Yoffe
// function's second integral, over taus^2, in double with the C library's
// asin: what one writes from the formula.  It loses about (TauR/TauS)^2 of
// the peak to cancellation, and its last bits depend on the C library.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

#include "slip/kernel.h"
#include "yoffe/stf.h"

namespace {

constexpr double kRatios[] = {0.01, 0.1, 1.0, 2.0, 10.0, 155.0, 10000.0};
constexpr int kTimes = 100000;

// taur / taus of the benchmark's argument, with taur = 1 s.
struct Source {
  double taus;
  double taur;
};

Source source_of(const benchmark::State& state) {
  return {1.0 / kRatios[state.range(0)], 1.0};
}

// kTimes times at the middles of equal steps over the support.
std::vector<double> support_times(Source s) {
  std::vector<double> t(kTimes);
  const double end = s.taur + 2.0 * s.taus;
  for (int i = 0; i < kTimes; ++i) t[i] = end * ((i + 0.5) / kTimes);
  return t;
}

// The Yoffe function's second integral, for unit final slip.
double twice_integrated(double x, double taur) {
  if (x <= 0.0) return 0.0;
  if (x >= taur) return x - taur / 4.0;
  return ((4.0 * x - taur) * std::asin(std::sqrt(x / taur)) +
          (1.0 + 2.0 * x / taur) * std::sqrt(x * (taur - x))) /
         (2.0 * std::numbers::pi);
}

// The closed form at the n times t[i], into out[i], as yoffe_slip_rate does
// (a function of its own, so that callgrind counts it alone).
[[gnu::noinline]] int closed_form(double taus, double taur, size_t n, const double* t,
                                  double* out) {
  for (size_t i = 0; i < n; ++i) {
    const double x = t[i];
    out[i] = x <= 0.0 || x >= taur + 2.0 * taus
                 ? 0.0
                 : (twice_integrated(x, taur) - 2.0 * twice_integrated(x - taus, taur) +
                    twice_integrated(x - 2.0 * taus, taur)) /
                       (taus * taus);
  }
  return 0;
}

// One evaluation of the slip rate over the array, the library's or the
// closed form's.
template <int (*rate)(double, double, size_t, const double*, double*)>
void BM_Rate(benchmark::State& state) {
  const Source s = source_of(state);
  const std::vector<double> t = support_times(s);
  std::vector<double> out(t.size());
  for (auto _ : state) {
    rate(s.taus, s.taur, t.size(), t.data(), out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kTimes);
  state.SetLabel("TauR/TauS " + std::to_string(kRatios[state.range(0)]));
}

void BM_SlipRate(benchmark::State& state) {
  BM_Rate<yoffe_slip_rate>(state);
}
void BM_ClosedForm(benchmark::State& state) {
  BM_Rate<closed_form>(state);
}

// Side by side at each ratio; the runs of one iteration are for callgrind.
void ratios(benchmark::internal::Benchmark* b) {
  for (int i = 0; i < static_cast<int>(std::size(kRatios)); ++i) b->Arg(i);
}
BENCHMARK(BM_SlipRate)->Apply(ratios);
BENCHMARK(BM_ClosedForm)->Apply(ratios);
BENCHMARK(BM_SlipRate)->Apply(ratios)->Iterations(1);
BENCHMARK(BM_ClosedForm)->Apply(ratios)->Iterations(1);

// The tool's run: taus 0.02 s, taur 3.1 s, the 625 samples
// t = (i - 1) 0.005 s, i = 1..625, that cover the support (0, 3.14 s).  The
// library over the array against the tool's own kernel, which the run calls
// sample by sample from i = 2 on (the first sample is 0 without a call).
constexpr double kRunTaus = 0.02;
constexpr double kRunTaur = 3.1;
constexpr int kRunSamples = 625;

std::vector<double> run_times() {
  std::vector<double> t(kRunSamples);
  for (int i = 1; i <= kRunSamples; ++i) t[i - 1] = static_cast<double>(i - 1) * 0.005;
  return t;
}

void BM_LibraryOverTheRun(benchmark::State& state) {
  const std::vector<double> t = run_times();
  std::vector<double> out(t.size());
  for (auto _ : state) {
    yoffe_slip_rate(kRunTaus, kRunTaur, t.size(), t.data(), out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRunSamples);
}
BENCHMARK(BM_LibraryOverTheRun);
BENCHMARK(BM_LibraryOverTheRun)->Iterations(200);

void BM_ToolKernelOverTheRun(benchmark::State& state) {
  const std::vector<double> t = run_times();
  std::vector<double> out(t.size());
  const double ck = slip::ck(kRunTaus, kRunTaur);
  for (auto _ : state) {
    out[0] = 0.0;
    for (int i = 1; i < kRunSamples; ++i)
      out[i] = (slip::yoffe_kernel(t[i], kRunTaus, kRunTaur).raw * 1.0) * ck;
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRunSamples);
}
BENCHMARK(BM_ToolKernelOverTheRun);
BENCHMARK(BM_ToolKernelOverTheRun)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
