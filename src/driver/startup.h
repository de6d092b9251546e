// Start-up of the process: floating-point environment, signal handlers,
// text I/O, end-of-run closing.
#pragma once

namespace driver {

/// Prepares the process for a run, in this order: on Windows, processor
/// exceptions turned into signals; floating-point environment reset (round
/// to nearest, no traps), handlers for SIGFPE,
/// SIGABRT, SIGINT (unless ignored at start) and SIGTERM, the console
/// connections, and the end-of-run closing registered with atexit.
void start_up();

}  // namespace driver
