#include "spectrum/amplitude.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <stdexcept>

#include "spectrum/dwvfast.h"
#include "textio/connection.h"
#include "textio/records.h"
#include "constants/pai.h"

namespace spectrum {

double magnitude(double x, double y) {
  const double big = std::max(std::fabs(x), std::fabs(y));
  const double small = std::min(std::fabs(x), std::fabs(y));
  if (big + small == big) return big;
  const double ratio = small / big;
  return big * std::sqrt(1.0 + ratio * ratio);
}

std::vector<AmplitudeRow> amplitude_rows(const std::vector<double>& yoffesv,
                                             const SpectrumParameters& p) {
  if (p.nfast < p.nt || static_cast<std::size_t>(p.nt) > yoffesv.size()) {
    throw std::invalid_argument("transform length below the number of samples");
  }
  std::vector<std::complex<double>> yoffeamp(static_cast<std::size_t>(std::max(p.nfast, 0)));
  for (int i = 0; i < p.nt; ++i) yoffeamp[static_cast<std::size_t>(i)] = {yoffesv[i], 0.0};
  if (!dwvfast(p.nfast, yoffeamp.data(), p.nfast, -1)) {
    throw std::invalid_argument("transform length is not a power of two");
  }
  std::vector<AmplitudeRow> rows;
  for (int io = 2; io <= p.nom; ++io) {
    const double om = static_cast<double>(io - 1) * p.dom;
    const double freq = om / (constants::pai + constants::pai);
    std::complex<double>& x = yoffeamp[static_cast<std::size_t>(io - 1)];
    x = {x.real() * p.dt, -x.imag() * p.dt};  // dt times the conjugate
    const double amplitude = magnitude(x.real(), x.imag());
    rows.push_back({freq, amplitude, amplitude * om});
  }
  return rows;
}

void write_amp_file(const std::vector<AmplitudeRow>& rows) {
  textio::open_unknown(textio::kAmpUnit, "Yoffe_Amp.csv");
  textio::list_write(textio::kAmpUnit, {"freq(Hz),abs(vel),abs(acc)"});
  for (const AmplitudeRow& r : rows) {
    const double values[] = {r.freq, r.velocity, r.acceleration};
    textio::formatted_write(textio::kAmpUnit, textio::spectrum_row, values);
  }
  textio::close_unit(textio::kAmpUnit);
}

}  // namespace spectrum
