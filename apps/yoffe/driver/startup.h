// Start-up of the process: standard streams, floating-point environment,
// signal handlers, text I/O, end-of-run closing.
#pragma once

namespace driver {

/// Prepares the process for a run, in this order: standard streams that
/// the process was started without connected to the null device; on
/// Windows, processor exceptions turned into signals; floating-point
/// environment reset (round to nearest, no traps); write failures reported
/// by the write rather than by SIGPIPE or SIGXFSZ; handlers for SIGFPE,
/// SIGABRT, SIGINT (unless ignored at start) and SIGTERM; the console
/// connections; the end-of-run closing registered with atexit.
void start_up();

}  // namespace driver
