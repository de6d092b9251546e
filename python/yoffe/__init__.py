"""The regularized Yoffe source time function, with numpy.

The Yoffe function of rise time taur is the slip rate

    (2 / (pi taur)) sqrt((taur - t) / t)    for 0 < t < taur,

infinite at the onset.  Smoothing it with the unit-area triangle of
half-width taus (a triangle 2 taus wide) keeps the unit final slip and gives a
finite peak: the regularized Yoffe function, a slip rate compatible with
dynamic rupture models.  Its support is the open
interval (0, T_eff) seconds from the onset, T_eff = taur + 2 taus being the
effective duration; its peak time T_acc lies between taus and 2 taus.
taus = 0 gives the Yoffe function itself.

Every function here is for unit final slip: multiply the slip rate, slip,
acceleration by the slip of your fault patch.  Times are in s from the
onset, frequencies in Hz.  A source needs taur from 1e-100 to 1e100 s and
taus = 0 or from taur * 1e-50 to taur * 1e50; anything else raises
ValueError.  The values come from the C
library libyoffe, within about 1e-15 of their scale and the same on every
machine.

    >>> import yoffe
    >>> tacc = yoffe.peak_time(0.02, 3.1)           # s
    >>> rate = yoffe.slip_rate([0.01, tacc, 1.0], 0.02, 3.1)  # 1/s
    >>> taus, taur = yoffe.from_tacc_teff(0.03, 3.14)

The library is loaded on import: the file named by the environment
variable YOFFE_LIBRARY if set, else the one the build or installation
recorded in yoffe/_library.py (relative to this folder unless absolute).
"""
import ctypes
import os

import numpy as np

try:  # the project's version, recorded by the build with the library's path
    from ._library import VERSION as __version__
except ImportError:  # the package's sources alone, with YOFFE_LIBRARY
    __version__ = "unknown"
__all__ = ["slip_rate", "slip", "slip_acceleration", "amplitude_spectrum",
           "peak_time", "from_tacc_teff"]

_OK = 0  # YOFFE_OK; anything else is YOFFE_BAD_PARAMETER


def _library_path():
    path = os.environ.get("YOFFE_LIBRARY")
    if path:
        return path
    try:
        from ._library import LIBRARY
    except ImportError as error:
        raise ImportError(
            "yoffe: no yoffe/_library.py next to %s; use the package from a "
            "build (<build>/python) or an installation, or set YOFFE_LIBRARY "
            "to the path of libyoffe" % os.path.dirname(__file__)) from error
    if os.path.isabs(LIBRARY):
        return LIBRARY
    return os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), LIBRARY))


def _load(path):
    try:
        lib = ctypes.CDLL(path)
    except OSError as error:
        raise ImportError("yoffe: cannot load the library libyoffe from %r (%s); "
                          "set YOFFE_LIBRARY to its path" % (path, error)) from error
    d, p = ctypes.c_double, _DOUBLE_P
    signatures = {
        "yoffe_slip_rate": [d, d, ctypes.c_size_t, p, p],
        "yoffe_slip": [d, d, ctypes.c_size_t, p, p],
        "yoffe_slip_acceleration": [d, d, ctypes.c_size_t, p, p],
        "yoffe_amplitude_spectrum": [d, d, ctypes.c_size_t, p, p],
        "yoffe_peak_time": [d, d, p],
        "yoffe_from_tacc_teff": [d, d, p, p],
    }
    for name, arguments in signatures.items():
        getattr(lib, name).argtypes = arguments
        getattr(lib, name).restype = ctypes.c_int
    return lib


_DOUBLE_P = ctypes.POINTER(ctypes.c_double)
_LIBRARY_PATH = _library_path()
_lib = _load(_LIBRARY_PATH)


def _bad_source(taus, taur):
    return ValueError("the source needs taur from 1e-100 to 1e100 s and taus = 0 or from "
                      "taur * 1e-50 to taur * 1e50; got taus=%r, taur=%r" % (taus, taur))


def _sample(function, x, taus, taur):
    """One C call over all of x; a float for a 0-d x, else an array of its shape."""
    taus, taur = float(taus), float(taur)
    x = np.asarray(x, dtype=np.float64)
    flat = np.ascontiguousarray(x.reshape(-1))  # a copy unless already C-ordered doubles
    out = np.empty_like(flat)
    status = function(taus, taur, flat.size, flat.ctypes.data_as(_DOUBLE_P),
                      out.ctypes.data_as(_DOUBLE_P))
    if status != _OK:
        raise _bad_source(taus, taur)
    if x.ndim == 0:
        return float(out[0])
    return out.reshape(x.shape)


def slip_rate(t, taus, taur):
    """Slip rate (1/s) at the times t (s from the onset), for unit final slip.

    t is a number or an array-like of any shape; the result is a float or a
    float64 array of that shape.  taur (s) must be from 1e-100 to 1e100 and
    taus (s) 0 or from taur * 1e-50 to taur * 1e50, else ValueError.  Outside the support (0, taur + 2 taus),
    infinite times included, the rate is 0; a NaN time gives NaN.  With
    taus = 0 it is the Yoffe function, infinite at t -> 0.

    >>> slip_rate([0.0, 0.03, 5.0], 0.02, 3.1).round(4)
    array([0.    , 3.8469, 0.    ])
    """
    return _sample(_lib.yoffe_slip_rate, t, taus, taur)


def slip(t, taus, taur):
    """Slip at the times t (s from the onset), for unit final slip.

    The integral of slip_rate: 0 before the support (0, taur + 2 taus) and 1
    from its end on; a NaN time gives NaN.  Shapes and the rules for taus and
    taur (s) are those of slip_rate.

    >>> slip([0.0, 1.55, 10.0], 0.02, 3.1).round(4)
    array([0.    , 0.8142, 1.    ])
    """
    return _sample(_lib.yoffe_slip, t, taus, taur)


def slip_acceleration(t, taus, taur):
    """Slip acceleration (1/s^2) at the times t (s from the onset), unit slip.

    The time derivative of slip_rate: 0 outside the support
    (0, taur + 2 taus), NaN for a NaN time; with taus = 0 it is infinite at
    both ends of the rise.  Shapes and the rules for taus and taur (s) are
    those of slip_rate.

    >>> abs(slip_acceleration(peak_time(0.02, 3.1), 0.02, 3.1)) < 1e-9
    True
    """
    return _sample(_lib.yoffe_slip_acceleration, t, taus, taur)


def amplitude_spectrum(f, taus, taur):
    """Amplitude |X(f)| of the slip rate's Fourier transform at frequencies f (Hz).

    X(w) = int x(t) e^(-i w t) dt with w = 2 pi f, which for this source is

        sqrt(J0^2(pi f taur) + J1^2(pi f taur)) (sin(pi f taus) / (pi f taus))^2.

    It is 1 at f = 0 (unit final slip), even in f, 0 at infinite f and NaN
    for a NaN f; multiply by the slip for the spectrum of your source.
    Shapes and the rules for taus and taur (s) are those of slip_rate.

    >>> amplitude_spectrum([0.0, 1.0, -1.0], 0.02, 3.1).round(4)
    array([1.    , 0.2501, 0.2501])
    """
    return _sample(_lib.yoffe_amplitude_spectrum, f, taus, taur)


def peak_time(taus, taur):
    """Time T_acc (s from the onset) of the slip rate's peak, a float.

    It is the zero of the acceleration between taus and 2 taus.  Needs
    taus > 0 (with taus = 0 the rate is infinite at the onset) and a source
    of the domain, else ValueError.

    >>> round(peak_time(0.02, 3.1), 4)
    0.0266
    """
    taus, taur = float(taus), float(taur)
    tpeak = ctypes.c_double()
    if _lib.yoffe_peak_time(taus, taur, ctypes.byref(tpeak)) != _OK:
        raise ValueError("peak_time needs taus > 0 and a source of the domain (taur from "
                         "1e-100 to 1e100 s, taus from taur * 1e-50 to taur * 1e50); "
                         "got taus=%r, taur=%r" % (taus, taur))
    return tpeak.value


def from_tacc_teff(tacc, teff):
    """The source (taus, taur), in s, with peak time tacc and duration teff.

    The inverse of peak_time with T_eff = taur + 2 taus: the source whose
    slip rate peaks at tacc (s) and lasts teff (s).  Needs finite
    0 < tacc < teff / 2 and a source of the domain, else ValueError.

    >>> [round(x, 4) for x in from_tacc_teff(0.03, 3.14)]
    [0.0225, 3.095]
    """
    tacc, teff = float(tacc), float(teff)
    taus, taur = ctypes.c_double(), ctypes.c_double()
    if _lib.yoffe_from_tacc_teff(tacc, teff, ctypes.byref(taus), ctypes.byref(taur)) != _OK:
        raise ValueError("from_tacc_teff needs finite 0 < tacc < teff / 2 and a source of "
                         "the domain; got tacc=%r, teff=%r" % (tacc, teff))
    return taus.value, taur.value
