// Microbenchmarks of the run's parts, on the run's own data: the kernel over
// the samples it is evaluated at, the slip history, the transform, the two
// field layouts, one row of each file, and the whole run writing both files
// to a temporary directory.  Wall time on a shared machine varies; for a
// repeatable figure of the whole tool see bench/instructions.sh.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <complex>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/run.h"
#include "spectrum/amplitude.h"
#include "spectrum/dwvfast.h"
#include "textio/connection.h"
#include "textio/number_text.h"
#include "textio/records.h"
#include "slip/kernel.h"
#include "slip/slip_history.h"

namespace {

// The run's data, computed once.
struct RunData {
  slip::SlipParameters p = driver::fixed_parameters();
  double ck = slip::ck(p.taus, p.taur);
  std::vector<slip::SlipRow> slip = slip::slip_history(p, ck);
  std::vector<double> yoffesv;
  spectrum::SpectrumParameters sp{};
  std::vector<spectrum::AmplitudeRow> amp;
  std::vector<double> kernel_times;  // the samples the kernel is evaluated at

  RunData() {
    for (const slip::SlipRow& r : slip) yoffesv.push_back(r.velocity);
    const double dur = static_cast<double>(p.nt) * p.dt;
    sp = {.dt = p.dt,
          .nt = p.nt,
          .dom = (constants::pai + constants::pai) / dur,
          .nom = p.nt / 2,
          .nfast = p.nt};
    amp = spectrum::amplitude_rows(yoffesv, sp);
    // Samples 2, 3, ... up to the first one found below the cut-off: those
    // with a velocity, and the one after them.
    for (std::size_t i = 1; i < slip.size(); ++i) {
      kernel_times.push_back(slip[i].t);
      if (slip[i].velocity == 0.0) break;
    }
  }
};

const RunData& run_data() {
  static const RunData data;
  return data;
}

void BM_KernelOverTheRunSamples(benchmark::State& state) {
  const RunData& d = run_data();
  for (auto _ : state) {
    for (double t : d.kernel_times) {
      benchmark::DoNotOptimize(slip::yoffe_kernel(t, d.p.taus, d.p.taur));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(d.kernel_times.size()));
  state.counters["samples"] = static_cast<double>(d.kernel_times.size());
}
BENCHMARK(BM_KernelOverTheRunSamples);

void BM_SlipHistory(benchmark::State& state) {
  const RunData& d = run_data();
  for (auto _ : state) benchmark::DoNotOptimize(slip::slip_history(d.p, d.ck));
}
BENCHMARK(BM_SlipHistory);

// Includes copying the 4096 samples into the work buffer.
void BM_Dwvfast4096(benchmark::State& state) {
  const RunData& d = run_data();
  std::vector<std::complex<double>> a(4096);
  for (auto _ : state) {
    for (std::size_t i = 0; i < a.size(); ++i) a[i] = {d.yoffesv[i], 0.0};
    if (!spectrum::dwvfast(4096, a.data(), 4096, -1)) state.SkipWithError("refused");
    benchmark::DoNotOptimize(a.data());
  }
}
BENCHMARK(BM_Dwvfast4096);

// One field per value of a column of the run, cycling through the column.
template <typename Put>
void fields(benchmark::State& state, const std::vector<double>& column, Put put) {
  char out[64];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(put(out, column[i]));
    benchmark::ClobberMemory();
    if (++i == column.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

std::vector<double> slip_column(double slip::SlipRow::*member) {
  std::vector<double> column;
  for (const slip::SlipRow& r : run_data().slip) column.push_back(r.*member);
  return column;
}

std::vector<double> amp_column(double spectrum::AmplitudeRow::*member) {
  std::vector<double> column;
  for (const spectrum::AmplitudeRow& r : run_data().amp) column.push_back(r.*member);
  return column;
}

void BM_FixedField_F8_4_Time(benchmark::State& state) {
  const std::vector<double> column = slip_column(&slip::SlipRow::t);
  fields(state, column, [](char* out, double v) { return textio::put_fixed_field(out, v, 8, 4); });
}
BENCHMARK(BM_FixedField_F8_4_Time);

void BM_FixedField_F15_7_Displacement(benchmark::State& state) {
  const std::vector<double> column = slip_column(&slip::SlipRow::displacement);
  fields(state, column, [](char* out, double v) { return textio::put_fixed_field(out, v, 15, 7); });
}
BENCHMARK(BM_FixedField_F15_7_Displacement);

void BM_ExponentField_E12_4_Velocity(benchmark::State& state) {
  const std::vector<double> column = amp_column(&spectrum::AmplitudeRow::velocity);
  fields(state, column,
         [](char* out, double v) { return textio::put_exponent_field(out, v, 12, 4); });
}
BENCHMARK(BM_ExponentField_E12_4_Velocity);

void BM_SlipRow(benchmark::State& state) {
  const RunData& d = run_data();
  char out[128];
  std::size_t i = 0;
  for (auto _ : state) {
    const slip::SlipRow& r = d.slip[i];
    const double values[] = {r.t, r.velocity, r.displacement, r.acceleration};
    benchmark::DoNotOptimize(textio::put_row(out, textio::slip_row, values));
    benchmark::ClobberMemory();
    if (++i == d.slip.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SlipRow);

void BM_SpectrumRow(benchmark::State& state) {
  const RunData& d = run_data();
  char out[128];
  std::size_t i = 0;
  for (auto _ : state) {
    const spectrum::AmplitudeRow& r = d.amp[i];
    const double values[] = {r.freq, r.velocity, r.acceleration};
    benchmark::DoNotOptimize(textio::put_row(out, textio::spectrum_row, values));
    benchmark::ClobberMemory();
    if (++i == d.amp.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpectrumRow);

// The run's two phases as the run sequence performs them, both files
// written to a temporary directory; the console dialogue and the closing
// pause are left out (the run sequence ends the process).
void BM_WholeRunInProcess(benchmark::State& state) {
  const RunData& d = run_data();
  textio::init_text_io();
  char pattern[] = "/tmp/yoffe-bench-XXXXXX";
  const char* dir = mkdtemp(pattern);
  if (dir == nullptr) {
    state.SkipWithError("no temporary directory");
    return;
  }
  char saved[4096];
  if (getcwd(saved, sizeof saved) == nullptr || chdir(dir) != 0) {
    state.SkipWithError("cannot enter the temporary directory");
    return;
  }
  for (auto _ : state) {
    const std::vector<slip::SlipRow> slip = slip::slip_history(d.p, d.ck);
    slip::write_slip_file(slip);
    std::vector<double> yoffesv;
    yoffesv.reserve(slip.size());
    for (const slip::SlipRow& r : slip) yoffesv.push_back(r.velocity);
    spectrum::write_amp_file(spectrum::amplitude_rows(yoffesv, d.sp));
  }
  std::remove("Yoffe_Slip.csv");
  std::remove("Yoffe_Amp.csv");
  if (chdir(saved) != 0) state.SkipWithError("cannot leave the temporary directory");
  rmdir(dir);
}
BENCHMARK(BM_WholeRunInProcess)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
