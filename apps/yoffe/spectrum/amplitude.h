// Amplitude spectra of slip velocity and slip acceleration.
#pragma once

#include <vector>

namespace spectrum {

struct SpectrumParameters {
  double dt;   // sampling interval, s
  int nt;      // number of samples
  double dom;  // angular-frequency step (pai + pai) / (nt dt), rad/s
  int nom;     // number of spectral lines, nt / 2
  int nfast;   // transform length, a power of two >= nt
};

/// One spectral line: frequency (Hz), amplitude of the slip-velocity
/// spectrum, and that amplitude times the angular frequency.
struct AmplitudeRow {
  double freq;
  double velocity;
  double acceleration;
};

/// The magnitude of (x, y) without squaring a component: never overflows or
/// underflows where the result is representable.
double magnitude(double x, double y);

/// Transforms the first nt samples of `yoffesv`, padded with zeros to
/// nfast, and returns the lines 2..nom (none when nom < 2), each scaled by
/// dt.  Throws std::invalid_argument when nfast is not a power of two or
/// is below nt.
std::vector<AmplitudeRow> amplitude_rows(const std::vector<double>& yoffesv,
                                             const SpectrumParameters& p);

/// Writes Yoffe_Amp.csv in the current directory: the header line and one
/// row per line.  Fails through the fatal report like every text statement.
void write_amp_file(const std::vector<AmplitudeRow>& rows);

}  // namespace spectrum
