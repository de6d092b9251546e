// Slip rates per second over the tool's run: taus 0.02 s, taur 3.1 s, the
// 625 samples t = (i - 1) 0.005 s, i = 1..625, that cover the support
// (0, 3.14 s).  The library (yoffe_slip_rate over the array) against the
// tool's own kernel, which the run calls sample by sample from i = 2 on
// (the first sample is 0 without a call, as in the run).  items_per_second
// is samples per second; wall time on a shared machine varies, so compare
// the best of several runs.  Build Release.
//
// For a repeatable figure, each benchmark also runs exactly 200 iterations
// (125000 samples) under the name .../iterations:200; count its
// instructions with callgrind and divide by 125000:
//
//   valgrind --tool=callgrind --collect-atstart=no
//     --toggle-collect='(anonymous namespace)::BM_LibrarySlipRate(benchmark::State&)'
//     stf_bench --benchmark_filter='BM_LibrarySlipRate/iterations'
//
// (one command; "Collected" in valgrind's report; BM_ToolKernel likewise).
#include <benchmark/benchmark.h>

#include <vector>

#include "yoffe/kernel.h"
#include "yoffe/stf.h"

namespace {

constexpr double kTaus = 0.02;
constexpr double kTaur = 3.1;
constexpr int kSamples = 625;

std::vector<double> run_times() {
  std::vector<double> t(kSamples);
  for (int i = 1; i <= kSamples; ++i) t[i - 1] = static_cast<double>(i - 1) * 0.005;
  return t;
}

void BM_LibrarySlipRate(benchmark::State& state) {
  const std::vector<double> t = run_times();
  std::vector<double> out(t.size());
  for (auto _ : state) {
    yoffe_slip_rate(kTaus, kTaur, t.size(), t.data(), out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK(BM_LibrarySlipRate);
BENCHMARK(BM_LibrarySlipRate)->Iterations(200);

void BM_ToolKernel(benchmark::State& state) {
  const std::vector<double> t = run_times();
  std::vector<double> out(t.size());
  const double ck = yoffe::ck(kTaus, kTaur);
  for (auto _ : state) {
    out[0] = 0.0;
    for (int i = 1; i < kSamples; ++i)
      out[i] = (yoffe::yoffe_kernel(t[i], kTaus, kTaur).raw * 1.0) * ck;
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK(BM_ToolKernel);
BENCHMARK(BM_ToolKernel)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
