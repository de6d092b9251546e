// The library's analytic curves of the tool's source (taus 0.02 s, taur 3.1
// s, unit final slip), for the plot beside the tool's own samples:
//
//   Yoffe_Analytic_Slip.csv  time (s), slip rate, slip and acceleration,
//                            every 0.5 ms from 0 to 3.5 s;
//   Yoffe_Analytic_Amp.csv   for each spectral line of Yoffe_Amp.csv, its
//                            frequency, the amplitude |S(f)| of the slip
//                            rate, the aliased amplitude that a transform
//                            of samples every dt = 0.005 s approximates,
//                            that amplitude times 2 pi f, and the difference
//                            of the tool's printed amplitude from it.
//
// The aliased amplitude is dt |DFT| of the exact slip rate sampled at
// (i - 1) dt, i = 1..4096: by Poisson's summation that is the aliased sum
// over m of S(f + m / dt), the support (3.14 s) lying well within the
// record (20.48 s).  Reads Yoffe_Amp.csv and writes both files in the
// current directory; exits with status 1, saying why, when it cannot.
#include <cmath>
#include <complex>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "yoffe/stf.h"

namespace {

constexpr double kTaus = 0.02, kTaur = 3.1, kDt = 0.005;
constexpr int kSamples = 4096;
constexpr long double kPi = std::numbers::pi_v<long double>;

struct AmpRow {
  double freq, velocity;
};

// The tool's spectral lines: frequency and velocity amplitude.
bool read_tool_spectrum(std::vector<AmpRow>& rows) {
  std::ifstream in("Yoffe_Amp.csv");
  std::string line;
  if (!std::getline(in, line)) return false;  // the header
  while (std::getline(in, line)) {
    AmpRow r{};
    if (std::sscanf(line.c_str(), " %lf , %lf", &r.freq, &r.velocity) != 2) return false;
    rows.push_back(r);
  }
  return !rows.empty();
}

bool write_slip_curves() {
  constexpr int kPoints = 7001;
  std::vector<double> t(kPoints), rate(kPoints), slip(kPoints), acc(kPoints);
  for (int i = 0; i < kPoints; ++i) t[i] = 0.0005 * i;
  if (yoffe_slip_rate(kTaus, kTaur, kPoints, t.data(), rate.data()) != YOFFE_OK ||
      yoffe_slip(kTaus, kTaur, kPoints, t.data(), slip.data()) != YOFFE_OK ||
      yoffe_slip_acceleration(kTaus, kTaur, kPoints, t.data(), acc.data()) != YOFFE_OK) {
    return false;
  }
  FILE* out = std::fopen("Yoffe_Analytic_Slip.csv", "w");
  if (out == nullptr) return false;
  std::fprintf(out, "time(s),slip rate,slip,acceleration\n");
  for (int i = 0; i < kPoints; ++i) {
    std::fprintf(out, "%.4f,%.10e,%.10e,%.10e\n", t[i], rate[i], slip[i], acc[i]);
  }
  return std::fclose(out) == 0;
}

bool write_spectrum_curves(const std::vector<AmpRow>& tool) {
  std::vector<double> t(kSamples), rate(kSamples);
  for (int i = 0; i < kSamples; ++i) t[i] = static_cast<double>(i) * kDt;
  if (yoffe_slip_rate(kTaus, kTaur, kSamples, t.data(), rate.data()) != YOFFE_OK) return false;
  std::vector<double> freq, amplitude(tool.size());
  for (std::size_t k = 0; k < tool.size(); ++k) freq.push_back((k + 1) / (kSamples * kDt));
  if (yoffe_amplitude_spectrum(kTaus, kTaur, freq.size(), freq.data(), amplitude.data()) !=
      YOFFE_OK) {
    return false;
  }
  FILE* out = std::fopen("Yoffe_Analytic_Amp.csv", "w");
  if (out == nullptr) return false;
  // The N-th roots of unity: line k + 2 of the transform takes sample i
  // with the root of index (k + 1) i modulo N, an exact reduction.
  std::vector<std::complex<long double>> roots(kSamples);
  for (int j = 0; j < kSamples; ++j) roots[j] = std::polar(1.0L, -2.0L * kPi * j / kSamples);
  std::fprintf(out, "freq(Hz),|S(f)|,aliased,aliased acc,tool - aliased\n");
  for (std::size_t k = 0; k < tool.size(); ++k) {
    std::complex<long double> sum = 0.0L;
    for (std::size_t i = 0; i < kSamples; ++i) {
      sum += static_cast<long double>(rate[i]) * roots[((k + 1) * i) % kSamples];
    }
    const double aliased = kDt * static_cast<double>(std::abs(sum));
    const double w = static_cast<double>(2.0L * kPi) * freq[k];
    std::fprintf(out, "%.10f,%.10e,%.10e,%.10e,%.10e\n", freq[k], amplitude[k], aliased,
                 w * aliased, tool[k].velocity - aliased);
  }
  return std::fclose(out) == 0;
}

}  // namespace

int main() {
  std::vector<AmpRow> tool;
  if (!read_tool_spectrum(tool)) {
    std::fprintf(stderr, "yoffe-curves: cannot read Yoffe_Amp.csv here: run yoffe first\n");
    return 1;
  }
  if (!write_slip_curves() || !write_spectrum_curves(tool)) {
    std::fprintf(stderr, "yoffe-curves: cannot write the analytic curves here\n");
    return 1;
  }
  return 0;
}
