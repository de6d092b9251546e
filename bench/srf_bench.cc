// Writing and reading an SRF file of 10^5 points with 300 samples each,
// beside a plain fprintf("%13.5e") writer and a strtod token reader of the
// same points in the same run.  bytes_per_second is the file's bytes,
// items_per_second its points.  The files go to TMPDIR (else /tmp) and are
// removed at the end.  Build Release; on a shared machine compare the best
// of several runs.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "yoffe/srf.hpp"

namespace {

constexpr std::size_t kPoints = 100000;
constexpr std::size_t kSamples = 300;

const std::vector<yoffe::srf::Point>& points() {
  static const std::vector<yoffe::srf::Point> all = [] {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<yoffe::srf::Point> v(kPoints);
    for (yoffe::srf::Point& p : v) {
      p.lon = 100.0 + u(random);
      p.lat = 30.0 + u(random);
      p.dep = 20.0 * u(random);
      p.stk = 360.0 * u(random);
      p.dip = 90.0 * u(random);
      p.area = 1e10;
      p.tinit = 30.0 * u(random);
      p.dt = 0.01;
      p.vs = 3.5e5;
      p.den = 2.7;
      p.rake = 90.0;
      p.slip1 = 100.0 * u(random);
      p.sr1.resize(kSamples);
      for (double& x : p.sr1) x = 100.0 * u(random);
    }
    return v;
  }();
  return all;
}

std::string path(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/" + name + "." + std::to_string(getpid());
}

// The plain writer: the same lines, every number by fprintf("%13.5e").
std::size_t write_fprintf(const std::string& file) {
  std::FILE* out = std::fopen(file.c_str(), "w");
  std::fprintf(out, "2.0\nPOINTS %zu\n", points().size());
  for (const yoffe::srf::Point& p : points()) {
    std::fprintf(out, "%13.5e %13.5e %13.5e %13.5e %13.5e %13.5e %13.5e %13.5e %13.5e %13.5e\n",
                 p.lon, p.lat, p.dep, p.stk, p.dip, p.area, p.tinit, p.dt, p.vs, p.den);
    std::fprintf(out, "%13.5e %13.5e %zu %13.5e 0 %13.5e 0\n", p.rake, p.slip1, p.sr1.size(), 0.0,
                 0.0);
    for (std::size_t k = 0; k < p.sr1.size(); ++k) {
      std::fprintf(out, (k % 6 == 5 || k + 1 == p.sr1.size()) ? "%13.5e\n" : "%13.5e ", p.sr1[k]);
    }
  }
  const long size = std::ftell(out);
  std::fclose(out);
  return static_cast<std::size_t>(size);
}

// The library's writer, the points formatted in chunks on `threads`
// threads (append_point) and written in order.
std::size_t write_library(const std::string& file, unsigned threads) {
  std::ofstream out(file, std::ios::binary);
  yoffe::srf::Header header;
  yoffe::srf::Writer writer(out, header);
  writer.begin_points(points().size());
  constexpr std::size_t kChunk = 256;
  std::vector<std::string> text(threads);
  std::vector<std::thread> workers;
  for (std::size_t first = 0; first < points().size(); first += kChunk * threads) {
    for (unsigned t = 0; t < threads; ++t) {
      workers.emplace_back([&, t] {
        text[t].clear();
        const std::size_t a = std::min(points().size(), first + t * kChunk);
        const std::size_t b = std::min(points().size(), a + kChunk);
        for (std::size_t i = a; i < b; ++i) yoffe::srf::append_point(text[t], points()[i], "2.0");
      });
    }
    for (std::thread& w : workers) w.join();
    workers.clear();
    for (unsigned t = 0; t < threads; ++t) {
      const std::size_t a = std::min(points().size(), first + t * kChunk);
      writer.write_formatted(text[t], std::min(points().size(), a + kChunk) - a);
    }
  }
  writer.finish();
  return static_cast<std::size_t>(out.tellp());
}

void BM_WriteFprintf(benchmark::State& state) {
  const std::string file = path("srf_bench_fprintf");
  std::size_t bytes = 0;
  for (auto _ : state) bytes = write_fprintf(file);
  state.SetBytesProcessed(static_cast<long>(state.iterations() * bytes));
  state.SetItemsProcessed(static_cast<long>(state.iterations() * kPoints));
  std::remove(file.c_str());
}
BENCHMARK(BM_WriteFprintf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_WriteLibrary(benchmark::State& state) {
  const std::string file = path("srf_bench_library");
  std::size_t bytes = 0;
  for (auto _ : state) bytes = write_library(file, static_cast<unsigned>(state.range(0)));
  state.SetBytesProcessed(static_cast<long>(state.iterations() * bytes));
  state.SetItemsProcessed(static_cast<long>(state.iterations() * kPoints));
  std::remove(file.c_str());
}
BENCHMARK(BM_WriteLibrary)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

// The plain reader: the library's file (the reader below reads the same)
// read whole, each number by strtod and each count by strtol, into the
// same points, without checks.
void BM_ReadStrtod(benchmark::State& state) {
  const std::string file = path("srf_bench_strtod_read");
  const std::size_t bytes = write_library(file, 2);
  for (auto _ : state) {
    std::FILE* in = std::fopen(file.c_str(), "r");
    std::vector<char> all(bytes + 1);
    const std::size_t got = std::fread(all.data(), 1, bytes, in);
    std::fclose(in);
    all[got] = '\0';
    char* at = all.data();
    const auto number = [&at] { return std::strtod(at, &at); };
    number();  // the version
    while (*at == ' ' || *at == '\n') ++at;
    at += 6;  // POINTS
    const long n = std::strtol(at, &at, 10);
    yoffe::srf::Point p;
    for (long i = 0; i < n; ++i) {
      double* first[] = {&p.lon,  &p.lat,   &p.dep, &p.stk, &p.dip,
                         &p.area, &p.tinit, &p.dt,  &p.vs,  &p.den};
      for (double* x : first) *x = number();
      p.rake = number();
      p.slip1 = number();
      const long nt1 = std::strtol(at, &at, 10);
      p.slip2 = number();
      std::strtol(at, &at, 10);
      p.slip3 = number();
      std::strtol(at, &at, 10);
      p.sr1.resize(static_cast<std::size_t>(nt1));
      for (double& x : p.sr1) x = number();
    }
    benchmark::DoNotOptimize(p.sr1.data());
  }
  state.SetBytesProcessed(static_cast<long>(state.iterations() * bytes));
  state.SetItemsProcessed(static_cast<long>(state.iterations() * kPoints));
  std::remove(file.c_str());
}
BENCHMARK(BM_ReadStrtod)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_ReadLibrary(benchmark::State& state) {
  const std::string file = path("srf_bench_library_read");
  const std::size_t bytes = write_library(file, 2);
  for (auto _ : state) {
    std::ifstream in(file, std::ios::binary);
    yoffe::srf::Reader reader(in, file);
    yoffe::srf::Point p;
    while (reader.next(p)) benchmark::DoNotOptimize(p.sr1.data());
  }
  state.SetBytesProcessed(static_cast<long>(state.iterations() * bytes));
  state.SetItemsProcessed(static_cast<long>(state.iterations() * kPoints));
  std::remove(file.c_str());
}
BENCHMARK(BM_ReadLibrary)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
