#include "driver/run.h"

#include <stdexcept>
#include <vector>

#include "spectrum/amplitude.h"
#include "textio/connection.h"
#include "textio/failure.h"
#include "textio/records.h"
#include "slip/kernel.h"

namespace driver {
namespace {

using textio::kConsoleOutput;
using textio::list_write;

// Capacity of the sample buffers as the dialogue states it; transform
// lengths above 16399 draw a warning, and the buffers grow to fit them.
constexpr int MOM = 16400;

}  // namespace

slip::SlipParameters fixed_parameters() {
  return {.dmax = 1.0, .dt = 0.005, .nt = 4096, .taus = 0.02, .taur = 3.1};
}

void run_sequence(const slip::SlipParameters& p) {
  const double dmax = p.dmax, dt = p.dt, taus = p.taus, taur = p.taur;
  const int nt = p.nt;
  if (nt < 1 || (nt & (nt - 1)) != 0) {
    throw std::invalid_argument("nt must be a power of two");
  }

  list_write(kConsoleOutput, {});
  list_write(kConsoleOutput, {"Regularized Yoffe Slip Velocity Function"});
  list_write(kConsoleOutput, {});
  list_write(kConsoleOutput, {" dt,nt=", dt, nt});
  list_write(kConsoleOutput, {" Dmax,TauS,TauR=", dmax, taus, taur});

  // The smoothed function needs taur >= 2 taus; a comparison with a
  // not-a-number passes.
  if (taus + taus > taur) {
    list_write(kConsoleOutput, {"2.d0*TauS < TauR, the STOP!"});
    list_write(kConsoleOutput, {"TauS,2.d0*TauS,TauR=", taus, taus + taus, taur});
    textio::silent_stop();
  }

  const double ck = slip::ck(taus, taur);
  list_write(kConsoleOutput, {});
  list_write(kConsoleOutput, {" Slip functions are stored in Yoffe_Slip.csv"});
  list_write(kConsoleOutput, {" Fourier spectrum of slip velocity is stored in Yoffe_Amp.csv"});

  const std::vector<slip::SlipRow> slip = slip::slip_history(p, ck);
  slip::write_slip_file(slip);
  std::vector<double> yoffesv;
  yoffesv.reserve(slip.size());
  for (const slip::SlipRow& r : slip) yoffesv.push_back(r.velocity);

  const double dur = static_cast<double>(nt) * dt;
  const double dom = (constants::pai + constants::pai) / dur;
  const int nom = nt / 2;
  const double eom = static_cast<double>(nom) * dom;
  list_write(kConsoleOutput, {});
  list_write(kConsoleOutput, {" DUR,DOM,NOM,EOM=", dur, dom, nom, eom});
  list_write(kConsoleOutput, {" Highest Frequency (hz)=", eom / 6.283185307});

  const int nfast = nt;
  if (nfast > MOM - 1) list_write(kConsoleOutput, {"from Yoffe: nfast > MOM !", nfast, MOM});

  spectrum::write_amp_file(spectrum::amplitude_rows(
      yoffesv, {.dt = dt, .nt = nt, .dom = dom, .nom = nom, .nfast = nfast}));

  list_write(kConsoleOutput, {});
  list_write(kConsoleOutput, {"Hit any key to stop"});
  textio::pause_read();
  textio::silent_stop();
}

}  // namespace driver
