// The commands of yoffe-srf: write an SRF file from a subfault table,
// report on an SRF file, and write the moment-rate function of either.
#pragma once

#include <string>

namespace srf_tool {

/// What `write` is asked to do.
struct WriteRequest {
  std::string table;            // the subfault table (table.h)
  std::string output;           // the SRF file to write
  double dt = 0.0;              // the sample step (s), > 0
  bool point_samples = false;   // samples at k dt rather than bin averages
  std::string version = "2.0";  // "2.0" or "1.0"
};

/// Writes the table's subfaults as the points of one POINTS block, each
/// with its slip rate on the first axis: bin averages of the library's
/// unit slip rate centred on TINIT + k DT, or its samples at those times,
/// times the slip, TINIT the onset rounded to a multiple of dt (all points
/// on one grid); NT1 the fewest samples that cover the support, 0 for no
/// slip.  The points are formatted on several threads (OMP_NUM_THREADS
/// where it is a positive integer, else the machine's processors) into the
/// same bytes whatever their number.  Every row is checked first: throws
/// Failure(kBadInput, ...) naming the row and column for a bad table, a
/// source without point samples (taur_s = 0) when asked for them, or a row
/// whose numbers overflow in the file's units, and Failure(kIoFailure,
/// ...) when a file cannot be read or written; the output is then left as
/// it was (OutputFile).
void write_srf(const WriteRequest& request);

/// The report on an SRF file, one "name: value" line each: its version,
/// segments (of PLANE), POINTS blocks and points, the total moment (N m)
/// and Mw, the earliest and latest sample times (s), the largest slip
/// (cm), and the worst |sum(SR) DT - SLIP| / |SLIP| over the points' axes
/// with slip, and its point.  A point's rigidity is DEN VS^2 where it
/// gives both, else `rigidity` (Pa, 0 for none).  Throws
/// Failure(kBadInput, ...) for a bad file (the reader's message) or a point
/// without a rigidity, naming it, and Failure(kIoFailure, ...) when the
/// file cannot be opened or read.
std::string info_report(const std::string& path, double rigidity);

/// What `moment-rate` is asked to do.
struct MomentRateRequest {
  std::string input;      // an SRF file (first token 1.0 or 2.0) or a table
  std::string output;     // the CSV file to write
  double dt = 0.0;        // the step (s) of the output, 0 for the SRF's first DT
  double rigidity = 0.0;  // Pa, for subfaults without VS and DEN; 0 for none
};

/// Writes the moment-rate function (N m/s) on the grid t_j = j dt as
/// "time_s,moment_rate_N_m_s" rows, from the earliest step that the
/// moment reaches to the latest, each row the average over [t_j - dt/2,
/// t_j + dt/2].  Of an SRF file: its samples, the magnitude of the axes'
/// samples where several have some, as rates over their steps centred on
/// TINIT + k DT, times mu A, binned into the grid so that the moment is
/// kept.  Of a table: the library's closed form (yoffe_moment_rate), which
/// needs dt.  Throws Failure(kBadInput, ...) for a bad input, a missing dt
/// or rigidity, or a grid of more than 10^7 steps, and Failure(kIoFailure,
/// ...) when a file cannot be read or written; the output is then left as
/// it was (OutputFile).
void write_moment_rate(const MomentRateRequest& request);

}  // namespace srf_tool
