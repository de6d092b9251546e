// The program's value of pi.
#pragma once

namespace constants {

/// The ten-digit decimal literal 3.141592654, about 4.1e-10 above pi.  It is
/// part of the stored results: kernel terms, normalisation, twiddle angles
/// and frequencies all use it, so it must not be replaced by pi.
inline constexpr double pai = 3.141592654;

}  // namespace constants
