// The subfault table of yoffe-srf: a header row of column names, then one
// row per subfault, fields separated by commas (a field may stand in double
// quotes; a UTF-8 byte-order mark may come first).  Units are in the names
// (SI but for degrees and km); every row is checked when it is read.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace srf_tool {

/// The exit status of a bad command line or a bad input.
inline constexpr int kBadInput = 2;
/// The exit status of a file that cannot be opened, read or written.
inline constexpr int kIoFailure = 1;

/// What ends a command: its message (without the program's name) and the
/// exit status it ends with (kBadInput or kIoFailure).
class Failure : public std::runtime_error {
 public:
  /// The failure `what` of status `status`.  Never fails but for
  /// std::bad_alloc.
  Failure(int status, const std::string& what) : std::runtime_error(what), status_(status) {}

  /// The exit status.  Never fails.
  int status() const noexcept { return status_; }

 private:
  int status_;
};

/// One row of the table, in its own units: lon, lat, strike, dip and rake
/// in degrees, depth in km, area in m^2, slip in m, times in s, vs in m/s
/// and density in kg/m^3 (-1 where the table has no such column).  taus
/// and taur are the library's, given or found from tacc and teff.
struct Subfault {
  long line = 0;  // the row's line in the file, from 1
  double lon = 0.0, lat = 0.0, depth_km = 0.0, strike = 0.0, dip = 0.0, rake = 0.0;
  double area_m2 = 0.0, slip_m = 0.0, tinit_s = 0.0, taus_s = 0.0, taur_s = 0.0;
  double vs_m_s = -1.0, density_kg_m3 = -1.0;
};

/// The rigidity mu = density vs^2 (Pa) of a row that gives both, else
/// `rigidity` (Pa); 0 when neither is known.  Never fails.
double rigidity_of(const Subfault& s, double rigidity);

/// The column names a table may have, comma-separated, for messages.
/// Never fails but for std::bad_alloc.
std::string known_columns();

/// Reads the table `text`, named `name` in the messages.  Throws
/// Failure(kBadInput, "NAME:LINE: ...") for the first fault: no header
/// row, an unknown or repeated column (naming it and the known ones), a
/// column missing, both or neither of taus_s, taur_s and tacc_s, teff_s, a
/// row with too few or too many fields, a field that is not a finite
/// number or breaks its column's rule ("COLUMN: RULE"), a pair taus_s,
/// taur_s outside the library's domain or tacc_s, teff_s that the library
/// does not convert; and for a table without rows.
std::vector<Subfault> parse_table(const std::string& text, const std::string& name);

/// Reads the table file `path` whole and parses it.  Throws
/// Failure(kIoFailure, ...) naming the file when it cannot be opened or
/// read, and as parse_table for a bad table.
std::vector<Subfault> read_table(const std::string& path);

}  // namespace srf_tool
