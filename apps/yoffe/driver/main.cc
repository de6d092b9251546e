// yoffe: the regularized Yoffe slip-velocity function, its slip and
// acceleration histories and their amplitude spectra.  Command-line
// arguments are accepted and ignored.
#include "driver/run.h"
#include "driver/startup.h"

int main() {
  driver::start_up();
  driver::run_sequence(driver::fixed_parameters());
}
