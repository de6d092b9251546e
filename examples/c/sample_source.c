/* Samples a regularized Yoffe source from C: its peak time, then slip rate,
 * slip and acceleration every 0.1 s and the amplitude spectrum at a few
 * frequencies.  Built with pkg-config against an installed libyoffe:
 *
 *   cc sample_source.c $(pkg-config --cflags --libs yoffe) -o sample_source
 *
 * (set PKG_CONFIG_PATH to <prefix>/lib/pkgconfig, and LD_LIBRARY_PATH to
 * <prefix>/lib, for a prefix outside the system's). */
#include <stdio.h>
#include <yoffe/stf.h>

int main(void) {
  const double taus = 0.02, taur = 3.1; /* seconds */
  enum { kTimes = 33, kFrequencies = 4 };
  double t[kTimes], rate[kTimes], slip[kTimes], acc[kTimes];
  const double f[kFrequencies] = {0.0, 0.5, 5.0, 50.0}; /* Hz */
  double amplitude[kFrequencies];
  double tpeak = 0.0;
  int i;

  for (i = 0; i < kTimes; ++i) t[i] = 0.1 * i;
  if (yoffe_peak_time(taus, taur, &tpeak) != YOFFE_OK ||
      yoffe_slip_rate(taus, taur, kTimes, t, rate) != YOFFE_OK ||
      yoffe_slip(taus, taur, kTimes, t, slip) != YOFFE_OK ||
      yoffe_slip_acceleration(taus, taur, kTimes, t, acc) != YOFFE_OK ||
      yoffe_amplitude_spectrum(taus, taur, kFrequencies, f, amplitude) != YOFFE_OK) {
    fprintf(stderr, "sample_source: bad source parameters\n");
    return 1;
  }
  printf("taus %g s, taur %g s: peak slip rate at %.12f s\n", taus, taur, tpeak);
  printf("time (s)  slip rate (1/s)  slip  acceleration (1/s^2)\n");
  for (i = 0; i < kTimes; ++i)
    printf("%7.2f %15.9f %9.6f %14.6f\n", t[i], rate[i], slip[i], acc[i]);
  printf("frequency (Hz)  amplitude\n");
  for (i = 0; i < kFrequencies; ++i) printf("%10.2f %15.9e\n", f[i], amplitude[i]);
  return 0;
}
