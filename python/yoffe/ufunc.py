"""The package's raw numpy ufuncs, for xarray.apply_ufunc, dask or numba code.

Positional arguments, all broadcast: slip_rate(t, taus, taur), slip,
slip_acceleration, amplitude_spectrum(f, taus, taur), peak_time(taus, taur),
from_tacc_teff(tacc, teff) -> (taus, taur), and valid_source(taus, taur),
whether the library takes a source, slip_rate_average(t, dt, taus, taur)
and complex_spectrum(f, taus, taur).  Unlike the functions of yoffe itself
they never raise for a bad source: its elements are NaN.
"""
from ._core import (amplitude_spectrum, complex_spectrum, from_tacc_teff, peak_time, slip,
                    slip_acceleration, slip_rate, slip_rate_average, valid_source)

__all__ = ["slip_rate", "slip", "slip_acceleration", "amplitude_spectrum", "peak_time",
           "from_tacc_teff", "valid_source", "slip_rate_average", "complex_spectrum"]
