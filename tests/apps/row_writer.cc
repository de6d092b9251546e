// Test helper for the termination tests: a process that starts up as the
// tool does, opens Yoffe_Slip.csv in the current directory, writes its
// header and the first N rows of the fixed run through the real text
// statements, and then raises a signal at itself while the file is still
// open, so that the end-of-run closing has to cut it.
//
//   row_writer N SIGNAL     SIGNAL: TERM, INT, FPE or ABRT
//
// Exit status 3 when the signal came back (it must not), 2 on bad usage.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "driver/run.h"
#include "driver/startup.h"
#include "textio/connection.h"
#include "textio/records.h"
#include "slip/kernel.h"
#include "slip/slip_history.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const int n = std::atoi(argv[1]);
  int signal_number = 0;
  if (std::strcmp(argv[2], "TERM") == 0) signal_number = SIGTERM;
  if (std::strcmp(argv[2], "INT") == 0) signal_number = SIGINT;
  if (std::strcmp(argv[2], "FPE") == 0) signal_number = SIGFPE;
  if (std::strcmp(argv[2], "ABRT") == 0) signal_number = SIGABRT;
  if (signal_number == 0 || n < 0) return 2;

  driver::start_up();
  const slip::SlipParameters p = driver::fixed_parameters();
  const std::vector<slip::SlipRow> rows = slip::slip_history(p, slip::ck(p.taus, p.taur));
  if (static_cast<std::size_t>(n) > rows.size()) return 2;

  textio::open_unknown(textio::kSlipUnit, "Yoffe_Slip.csv");
  textio::list_write(textio::kSlipUnit, {"time(s),velocity,displacement,acceleration"});
  for (int i = 0; i < n; ++i) {
    const slip::SlipRow& r = rows[static_cast<std::size_t>(i)];
    const double values[] = {r.t, r.velocity, r.displacement, r.acceleration};
    textio::formatted_write(textio::kSlipUnit, textio::slip_row, values);
  }
  std::raise(signal_number);
  return 3;
}
