// The sources of a few subfaults of a kinematic rupture model, each given
// by its peak time T_acc and effective duration T_eff, through the C++
// interface: their (taus, taur), and where each slip rate peaks and how
// high.
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "yoffe/stf.hpp"

int main() {
  struct Subfault {
    double tacc;  // s
    double teff;  // s
  };
  const std::vector<Subfault> subfaults = {{0.1, 1.0}, {0.2, 3.2}, {0.5, 2.0}, {0.9, 2.0}};
  std::printf("  T_acc   T_eff      taus      taur  T_acc/taus  peak rate (1/s)\n");
  try {
    for (const Subfault& s : subfaults) {
      const yoffe::Source source = yoffe::Source::from_tacc_teff(s.tacc, s.teff);
      const double tpeak = yoffe::peak_time(source);
      std::printf("%7.2f %7.2f %9.6f %9.6f %11.6f %16.6f\n", s.tacc, s.teff, source.taus(),
                  source.taur(), tpeak / source.taus(), yoffe::slip_rate(source, tpeak));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "source_table: %s\n", e.what());
    return 1;
  }
  return 0;
}
