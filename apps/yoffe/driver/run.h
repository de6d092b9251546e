// The run sequence: parameters, console dialogue, the two phases.
#pragma once

#include "slip/slip_history.h"

namespace driver {

/// The source parameters of the tool: dmax 1.0, dt 0.005 s, nt 4096,
/// taus 0.02 s, taur 3.1 s.
slip::SlipParameters fixed_parameters();

/// Runs the whole dialogue and writes both files, then waits for a line of
/// console input and ends the process with exit status 0.  A parameter set
/// with taur below 2 taus is refused on the console, also with status 0,
/// before any file is touched.  nt must be a power of two (the transform
/// length); otherwise std::invalid_argument is thrown before any output.
[[noreturn]] void run_sequence(const slip::SlipParameters& p);

}  // namespace driver
