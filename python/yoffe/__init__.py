"""The regularized Yoffe source time function, as numpy ufuncs.

The Yoffe function of rise time taur is the slip rate

    (2 / (pi taur)) sqrt((taur - t) / t)    for 0 < t < taur,

infinite at the onset.  Smoothing it with the unit-area triangle of
half-width taus (a triangle 2 taus wide) keeps the unit final slip and gives
a finite peak: the regularized Yoffe function, a slip rate compatible with
dynamic rupture models.  Its support is the open interval (0, T_eff) seconds
from the onset, T_eff = taur + 2 taus being the effective duration; its peak
time T_acc lies between taus and 2 taus.  taus = 0 gives the Yoffe function
itself.

Every function is for unit final slip: multiply by the slip of your fault
patch.  Times are in s from the onset, frequencies in Hz.  The source's
parameters are keyword-only, and every argument broadcasts as in numpy's own
ufuncs, so that one call evaluates many subfaults:

    >>> import numpy as np, yoffe
    >>> t = np.linspace(0.0, 4.0, 5)
    >>> yoffe.slip(t[:, None], taus=[0.02, 0.1], taur=[3.1, 2.0]).round(3)
    array([[0.   , 0.   ],
           [0.676, 0.785],
           [0.895, 0.995],
           [0.997, 1.   ],
           [1.   , 1.   ]])

A source needs taur from 1e-100 to 1e100 s and taus = 0 or from
taur * 1e-50 to taur * 1e50; anything else raises ValueError, naming the
rule and the index of the first bad element.  Inputs that are not real
numbers (strings, None, objects, dates) raise TypeError.  float32 arrays
give float32 results (computed in double), anything else float64; `out=`,
masked arrays, subclasses and dask arrays (lazily) are taken as numpy's
ufuncs take them.  The values are those of the C library libyoffe, compiled
into the package, to the bit: within about 1e-15 of their scale and the
same on every machine.  The raw ufuncs, with positional parameters and NaN
for a bad source, are in yoffe.ufunc.
"""
import operator

import numpy as np

from . import _core

__version__ = _core.version
__all__ = ["slip_rate", "slip", "slip_acceleration", "amplitude_spectrum", "peak_time",
           "from_tacc_teff", "slip_rate_average", "complex_spectrum", "moment_rate",
           "moment_rate_spectrum", "moment_rate_centroid", "ufunc"]

_RATIO_RULE = "taus must be 0 or from taur * 1e-50 to taur * 1e50"
_TAUS_RULE = "taus must be finite and >= 0"
_TAUR_RULE = "taur must be finite and from 1e-100 to 1e100 s"


def _is_dask(x):
    return hasattr(x, "__dask_graph__")


def _real(name, value):
    """value as an array of real numbers, else TypeError; masked arrays keep their mask."""
    array = np.ma.asarray(value) if isinstance(value, np.ma.MaskedArray) else np.asarray(value)
    if array.dtype.kind not in "biuf":
        raise TypeError("%s must be a real number or an array of real numbers, not %s"
                        % (name, array.dtype))
    return array


def _rule(taus, taur, positive):
    if not (np.isfinite(taus) and taus >= 0.0):
        return _TAUS_RULE
    if not (np.isfinite(taur) and 1e-100 <= taur <= 1e100):
        return _TAUR_RULE
    if positive and taus == 0.0:
        return "taus must be > 0: with taus = 0 the slip rate is infinite at the onset"
    return _RATIO_RULE


def _first_bad(valid, mask):
    """The index of the first False of valid outside the mask, or None."""
    bad = ~valid if mask is None else ~valid & ~mask
    if not bad.any():
        return None
    return np.unravel_index(np.argmax(bad), bad.shape)


def _refusal(function, rule, names, values, index):
    where = "" if index is None or len(index) == 0 else " at index %s" % (tuple(map(int, index)),)
    got = ", ".join("%s=%r" % (n, float(v)) for n, v in zip(names, values))
    return ValueError("yoffe.%s: %s; got %s%s" % (function, rule, got, where))


def _valid(taus, taur, positive, limit):
    """Whether the library takes each source (and, for the peak time, taus > 0; with limit,
    taur = 0 as the source without a rise)."""
    valid = np.asarray(_core.valid_source(taus, _rise_or_limit(taus, taur) if limit else taur))
    return valid & (np.asarray(taus) > 0.0) if positive else valid


def _refuse_source_at(function, positive, taus, taur, index, shown):
    """The refusal of the source at index of the broadcast taus and taur, shown at index shown."""
    s, r = np.broadcast_arrays(taus, taur)
    return _refusal(function, _rule(float(s[index]), float(r[index]), positive),
                    ("taus", "taur"), (s[index], r[index]), shown)


def _check_block(function, positive, limit, taus, taur, block_info=None):
    """Raises the refusal of the first bad source of a dask block, at its index in the array."""
    index = _first_bad(_valid(taus, taur, positive, limit), None)
    if index is not None:
        offset = [start for start, _ in block_info[0]["array-location"]] if block_info else []
        whole = tuple(o + i for o, i in zip(offset, index)) if offset else index
        raise _refuse_source_at(function, positive, taus, taur, index, whole)
    return taus


def _rise_or_limit(taus, taur):
    """taur with taur = 0 (no rise) as the library takes its limit: the least rise of the
    domain for that taus."""
    taus = np.asarray(taus, dtype=np.float64)
    taur = np.asarray(taur, dtype=np.float64)
    limit = (taur == 0.0) & np.isfinite(taus) & (taus >= 0.0)
    return np.where(limit, np.maximum(1e-100, taus * 1e-50), taur)


def _checked_source(function, taus, taur, positive=False, limit=False):
    """The source's parameters, checked: at once for numbers and numpy arrays, chunk by chunk
    when computed for dask arrays (which then stay lazy).  With limit, taur = 0 stands for
    the source without a rise."""
    if _is_dask(taus) or _is_dask(taur):
        import dask.array as da
        taus, taur = da.broadcast_arrays(da.asarray(taus), da.asarray(taur))
        _real("taus", np.empty(0, taus.dtype))
        _real("taur", np.empty(0, taur.dtype))
        checked = da.map_blocks(lambda s, r, block_info=None:
                                _check_block(function, positive, limit, s, r, block_info),
                                taus, taur, dtype=taus.dtype)
        return checked, taur
    s = _real("taus", taus)
    r = _real("taur", taur)
    valid = _valid(np.ma.getdata(s), np.ma.getdata(r), positive, limit)
    mask = None
    if np.ma.isMaskedArray(s) or np.ma.isMaskedArray(r):
        mask = np.broadcast_to(np.ma.getmaskarray(s) | np.ma.getmaskarray(r), valid.shape)
    index = _first_bad(valid, mask)
    if index is not None:
        raise _refuse_source_at(function, positive, np.ma.getdata(s), np.ma.getdata(r), index,
                                index if valid.ndim else None)
    return taus, taur


def slip_rate(t, /, *, taus, taur, out=None, **kwargs):
    """Slip rate of the regularized Yoffe function, for unit final slip.

    Parameters
    ----------
    t : array_like
        Times, in s from the onset.
    taus : array_like
        Half-width of the smoothing triangle, in s: 0, or from taur * 1e-50
        to taur * 1e50.
    taur : array_like
        Rise time of the Yoffe function, in s, from 1e-100 to 1e100.
    out : ndarray, optional
        Where to put the result, as for numpy's ufuncs; the other keywords
        of a ufunc call (where, dtype, casting, ...) are taken too.

    Returns
    -------
    ndarray or scalar
        The slip rate, in 1/s, of the broadcast shape of t, taus and taur.
        0 outside the support (0, taur + 2 taus), infinite times included;
        NaN for a NaN time.  With taus = 0, the Yoffe function, infinite as
        t -> 0.

    Raises
    ------
    ValueError
        For a source outside the domain, naming the rule and the index.
    TypeError
        For inputs that are not real numbers, or parameters given by
        position.

    Examples
    --------
    >>> slip_rate([0.0, 0.03, 5.0], taus=0.02, taur=3.1).round(4)
    array([0.    , 3.8469, 0.    ])
    """
    taus, taur = _checked_source("slip_rate", taus, taur)
    return _core.slip_rate(t, taus, taur, out=out, **kwargs)


def slip(t, /, *, taus, taur, out=None, **kwargs):
    """Slip of the regularized Yoffe function, for unit final slip.

    Parameters
    ----------
    t : array_like
        Times, in s from the onset.
    taus, taur : array_like
        The source, in s, as for slip_rate.
    out : ndarray, optional
        As for slip_rate, with the other keywords of a ufunc call.

    Returns
    -------
    ndarray or scalar
        The slip, dimensionless: the integral of slip_rate, 0 before the
        support (0, taur + 2 taus) and 1 from its end on; NaN for a NaN
        time.

    Raises
    ------
    ValueError, TypeError
        As slip_rate does.

    Examples
    --------
    >>> slip([0.0, 1.55, 10.0], taus=0.02, taur=3.1).round(4)
    array([0.    , 0.8142, 1.    ])
    """
    taus, taur = _checked_source("slip", taus, taur)
    return _core.slip(t, taus, taur, out=out, **kwargs)


def slip_acceleration(t, /, *, taus, taur, out=None, **kwargs):
    """Slip acceleration of the regularized Yoffe function, for unit final slip.

    Parameters
    ----------
    t : array_like
        Times, in s from the onset.
    taus, taur : array_like
        The source, in s, as for slip_rate.
    out : ndarray, optional
        As for slip_rate, with the other keywords of a ufunc call.

    Returns
    -------
    ndarray or scalar
        The time derivative of slip_rate, in 1/s^2: 0 outside the support
        (0, taur + 2 taus), NaN for a NaN time; with taus = 0, infinite at
        both ends of the rise.

    Raises
    ------
    ValueError, TypeError
        As slip_rate does.

    Examples
    --------
    >>> tacc = peak_time(taus=0.02, taur=3.1)
    >>> bool(abs(slip_acceleration(tacc, taus=0.02, taur=3.1)) < 1e-9)
    True
    """
    taus, taur = _checked_source("slip_acceleration", taus, taur)
    return _core.slip_acceleration(t, taus, taur, out=out, **kwargs)


def amplitude_spectrum(f, /, *, taus, taur, out=None, **kwargs):
    """Amplitude of the slip rate's Fourier transform, for unit final slip.

    With X(f) = int x(t) exp(-2 pi i f t) dt, for this source

        |X(f)| = sqrt(J0^2(pi f taur) + J1^2(pi f taur)) (sin(pi f taus) / (pi f taus))^2.

    Parameters
    ----------
    f : array_like
        Frequencies, in Hz.
    taus, taur : array_like
        The source, in s, as for slip_rate.
    out : ndarray, optional
        As for slip_rate, with the other keywords of a ufunc call.

    Returns
    -------
    ndarray or scalar
        |X(f)|, in s times 1/s (dimensionless for unit slip): 1 at f = 0,
        even in f, 0 at infinite f, NaN for a NaN f.

    Raises
    ------
    ValueError, TypeError
        As slip_rate does.

    Examples
    --------
    >>> amplitude_spectrum([0.0, 1.0, -1.0], taus=0.02, taur=3.1).round(4)
    array([1.    , 0.2501, 0.2501])
    """
    taus, taur = _checked_source("amplitude_spectrum", taus, taur)
    return _core.amplitude_spectrum(f, taus, taur, out=out, **kwargs)


def peak_time(*, taus, taur, out=None, **kwargs):
    """Time T_acc of the slip rate's peak, the zero of the acceleration in (taus, 2 taus).

    Parameters
    ----------
    taus : array_like
        Half-width of the smoothing triangle, in s: > 0 (with taus = 0 the
        slip rate is infinite at the onset), from taur * 1e-50 to
        taur * 1e50.
    taur : array_like
        Rise time, in s, from 1e-100 to 1e100.
    out : ndarray, optional
        As for slip_rate, with the other keywords of a ufunc call.

    Returns
    -------
    ndarray or scalar
        T_acc, in s from the onset, of the broadcast shape of taus and taur.

    Raises
    ------
    ValueError, TypeError
        As slip_rate does, and for taus = 0.

    Examples
    --------
    >>> float(peak_time(taus=0.02, taur=3.1)).__round__(4)
    0.0266
    """
    taus, taur = _checked_source("peak_time", taus, taur, positive=True)
    return _core.peak_time(taus, taur, out=out, **kwargs)


def _tacc_teff_rule(tacc, teff):
    if not (np.isfinite(tacc) and np.isfinite(teff) and 0.0 < tacc < 0.5 * teff):
        return "tacc and teff must be finite, with 0 < tacc < teff / 2"
    return ("the source must lie in the domain: teff from 1e-100 to 4e100 s, tacc from "
            "teff * 1e-60, and taur / taus within 1e-50 to 1e50")


def _check_found(tacc, teff, taus, block_info=None):
    """Raises for the first source that from_tacc_teff could not find, at its index."""
    index = _first_bad(~np.isnan(np.asarray(taus)), None)
    if index is not None:
        offset = [start for start, _ in block_info[2]["array-location"]] if block_info else []
        whole = tuple(o + i for o, i in zip(offset, index)) if offset else index
        a, e = np.broadcast_arrays(tacc, teff)
        raise _refusal("from_tacc_teff", _tacc_teff_rule(float(a[index]), float(e[index])),
                       ("tacc", "teff"), (a[index], e[index]), whole if np.ndim(taus) else None)
    return taus


def from_tacc_teff(*, tacc, teff, out=None, **kwargs):
    """The source (taus, taur) with peak time tacc and effective duration teff.

    The inverse of peak_time with T_eff = taur + 2 taus.

    Parameters
    ----------
    tacc : array_like
        Peak time, in s from the onset.
    teff : array_like
        Effective duration taur + 2 taus, in s; 0 < tacc < teff / 2.
    out : tuple of two ndarrays, optional
        Where to put taus and taur, as for numpy's ufuncs with two outputs.

    Returns
    -------
    (taus, taur) : tuple of ndarrays or scalars
        In s, of the broadcast shape of tacc and teff.

    Raises
    ------
    ValueError
        Unless tacc and teff are finite with 0 < tacc < teff / 2 and the
        source found lies in the domain, naming the rule and the index.
    TypeError
        For inputs that are not real numbers, or given by position.

    Examples
    --------
    >>> [round(float(x), 4) for x in from_tacc_teff(tacc=0.03, teff=3.14)]
    [0.0225, 3.095]
    """
    if _is_dask(tacc) or _is_dask(teff):
        # dask takes no ufunc of two outputs but its own: ours block by block,
        # either output checked when computed.
        import dask.array as da
        tacc, teff = da.broadcast_arrays(da.asarray(tacc), da.asarray(teff))
        _real("tacc", np.empty(0, tacc.dtype))
        _real("teff", np.empty(0, teff.dtype))
        found = da.apply_gufunc(_core.from_tacc_teff, "(),()->(),()", tacc, teff, **kwargs)
        return tuple(da.map_blocks(_check_found, tacc, teff, x, dtype=x.dtype) for x in found)
    _real("tacc", tacc)
    _real("teff", teff)
    taus, taur = _core.from_tacc_teff(tacc, teff, out=(None, None) if out is None else out,
                                      **kwargs)
    # A masked element is no source: filled with a number, the check passes it.
    _check_found(np.ma.getdata(tacc), np.ma.getdata(teff), np.ma.filled(taus, 0.0))
    return taus, taur


def slip_rate_average(t, /, *, dt, taus, taur, out=None, **kwargs):
    """Slip rate averaged over each time step, for unit final slip: moment-exact sampling.

    Parameters
    ----------
    t : array_like
        Centres of the steps, in s from the onset.
    dt : array_like
        Widths of the steps, in s: finite and > 0.
    taus, taur : array_like
        The source, in s, as for slip_rate.
    out : ndarray, optional
        As for slip_rate, with the other keywords of a ufunc call.

    Returns
    -------
    ndarray or scalar
        The slip that falls in [t - dt/2, t + dt/2], over dt, in 1/s.  For
        centres t0 + k dt the values times dt add up to the slip that falls
        in the grid (1 where it covers the support) however coarse the grid,
        to the rounding of the centres (moment_rate's grid, computed in one
        call, keeps it to the last place).  Never negative; it tends to
        slip_rate as dt shrinks.  taur = 0, a source without a rise, is its
        limit: the triangle alone, or for taus = 0 a unit impulse at the
        onset.

    Raises
    ------
    ValueError
        For a bad source, or a dt that is not finite and > 0, naming the
        index.
    TypeError
        As slip_rate does.

    Examples
    --------
    >>> t = np.arange(0.0, 3.2, 0.1)
    >>> round(float(slip_rate_average(t, dt=0.1, taus=0.02, taur=3.1).sum() * 0.1), 12)
    1.0
    """
    taus, taur = _checked_source("slip_rate_average", taus, taur, limit=True)
    if not _is_dask(dt):
        step = _real("dt", dt)
        bad = ~(np.isfinite(np.ma.getdata(step)) & (np.ma.getdata(step) > 0.0))
        if bad.any():
            index = np.unravel_index(np.argmax(bad), bad.shape)
            where = " at index %s" % (tuple(map(int, index)),) if bad.ndim else ""
            raise ValueError("yoffe.slip_rate_average: dt must be finite and > 0; got dt=%r%s"
                             % (float(np.ma.getdata(step)[index]), where))
    return _core.slip_rate_average(t, dt, taus, taur, out=out, **kwargs)


def complex_spectrum(f, /, *, taus, taur, out=None, **kwargs):
    """The slip rate's Fourier transform X(f) = int x(t) exp(-2 pi i f t) dt, unit final slip.

    X(f) = exp(-i pi f (taur + 2 taus)) [J0 + i J1](pi f taur) (sin(pi f taus) / (pi f taus))^2.

    Parameters
    ----------
    f : array_like
        Frequencies, in Hz.
    taus, taur : array_like
        The source, in s, as for slip_rate.
    out : ndarray, optional
        As for slip_rate (complex64 or complex128).

    Returns
    -------
    ndarray or scalar
        complex128 (complex64 for float32 input): 1 at f = 0, X(-f) the
        conjugate of X(f), |X| = amplitude_spectrum; 0 where pi f max(taus,
        taur) passes 2^60, beyond which the phase is lost in f's rounding.

    Raises
    ------
    ValueError, TypeError
        As slip_rate does.

    Examples
    --------
    >>> x = complex_spectrum(1.0, taus=0.02, taur=3.1)
    >>> bool(abs(abs(x) - amplitude_spectrum(1.0, taus=0.02, taur=3.1)) < 1e-15)
    True
    """
    taus, taur = _checked_source("complex_spectrum", taus, taur, limit=True)
    return _core.complex_spectrum(f, taus, taur, out=out, **kwargs)


_SOURCE = np.dtype([("onset", "<f8"), ("taus", "<f8"), ("taur", "<f8"), ("weight", "<f8")])


def _sources(function, onset, taus, taur, weight):
    """The sources as the library's records, broadcast against each other, 1-d."""
    columns = [np.ravel(_real(name, value)).astype(np.float64) for name, value in
               (("onset", onset), ("taus", taus), ("taur", taur), ("weight", weight))]
    columns = np.broadcast_arrays(*columns)
    records = np.empty(columns[0].shape, dtype=_SOURCE)
    for name, column in zip(_SOURCE.names, columns):
        records[name] = column
    return records


def _refuse_source(function, records, index):
    r = records[index]
    if not (np.isfinite(r["onset"]) and np.isfinite(r["weight"])):
        rule = "onset and weight must be finite"
    elif r["taus"] == 0.0 and r["taur"] == 0.0:
        rule = "an impulse (taus = taur = 0) has no point samples"
    else:
        rule = _rule(float(r["taus"]), float(r["taur"]), False)
    return ValueError("yoffe.%s: %s; got onset=%r, taus=%r, taur=%r, weight=%r at index (%d,)"
                      % (function, rule, float(r["onset"]), float(r["taus"]), float(r["taur"]),
                         float(r["weight"]), index))


def moment_rate(*, onset, taus, taur, weight, t0, dt, n, sampling="average"):
    """A rupture's moment-rate function (or slip rate): sum of weight S(t - onset).

    Parameters
    ----------
    onset, taus, taur, weight : array_like
        The sources, broadcast against each other and flattened: onset
        (rupture time), taus and taur in s; weight mu A D for a moment rate
        in N m/s, D for a slip rate in m/s.
    t0, dt : float
        The grid t0 + k dt, k = 0..n-1, in s: finite, dt > 0.
    n : int
        Its number of steps.
    sampling : {"average", "point"}
        Bin averages over [t - dt/2, t + dt/2] (the default: the values times
        dt add up to the weighted slip in the grid) or point samples.

    Returns
    -------
    ndarray
        float64, of n elements; the same bits on any number of threads
        (yoffe_set_threads in C; OMP_NUM_THREADS where set).

    Raises
    ------
    ValueError
        For a bad source, naming its index, or a bad grid.

    Examples
    --------
    >>> m = moment_rate(onset=[0.0, 1.0], taus=0.1, taur=1.0, weight=[1.0, 2.0],
    ...                 t0=0.0, dt=0.05, n=100)
    >>> round(float(m.sum() * 0.05), 12)
    3.0
    """
    if sampling not in ("average", "point"):
        raise ValueError("yoffe.moment_rate: sampling must be 'average' or 'point'")
    records = _sources("moment_rate", onset, taus, taur, weight)
    out = np.empty(operator.index(n), dtype=np.float64)
    bad = _core._moment_rate(records.tobytes(), float(t0), float(dt), sampling == "average", out)
    if bad < records.size:
        raise _refuse_source("moment_rate", records, bad)
    return out


def moment_rate_spectrum(f, /, *, onset, taus, taur, weight):
    """The Fourier transform of moment_rate's sum at frequencies f (Hz), in closed form.

    Parameters
    ----------
    f : array_like
        Frequencies, in Hz.
    onset, taus, taur, weight : array_like
        The sources, as for moment_rate.

    Returns
    -------
    ndarray
        complex128, of f's shape: sum of weight exp(-2 pi i f onset) X(f),
        with X complex_spectrum's.

    Raises
    ------
    ValueError
        For a bad source, naming its index.

    Examples
    --------
    >>> complex(moment_rate_spectrum(0.0, onset=[0.0, 1.0], taus=0.1, taur=1.0, weight=2.0))
    (4+0j)
    """
    frequencies = np.ascontiguousarray(_real("f", f), dtype=np.float64)
    records = _sources("moment_rate_spectrum", onset, taus, taur, weight)
    out = np.empty(frequencies.shape, dtype=np.complex128)
    bad = _core._moment_rate_spectrum(records.tobytes(), frequencies.tobytes(), out.reshape(-1))
    if bad < records.size:
        raise _refuse_source("moment_rate_spectrum", records, bad)
    return out if out.ndim else out[()]


def moment_rate_centroid(*, onset, taus, taur, weight):
    """The moment-rate function's total, centroid time and duration, in closed form.

    Parameters
    ----------
    onset, taus, taur, weight : array_like
        The sources, as for moment_rate; the weights >= 0, of a positive sum.

    Returns
    -------
    (total, centroid, duration) : tuple of floats
        The sum of the weights; the centroid time (s), the weighted mean of
        onset + taur / 4 + taus; the duration (s), twice the standard
        deviation in time (each source's variance taur^2 / 16 + taus^2 / 6).

    Raises
    ------
    ValueError
        For a bad or negative-weight source, naming its index, or weights
        summing to 0.

    Examples
    --------
    >>> total, centroid, duration = moment_rate_centroid(onset=0.0, taus=0.1, taur=1.0,
    ...                                                  weight=2.0)
    >>> total, centroid, round(duration, 6)
    (2.0, 0.35, 0.506623)
    """
    records = _sources("moment_rate_centroid", onset, taus, taur, weight)
    bad, total, centroid, duration = _core._moment_rate_centroid(records.tobytes())
    if bad == records.size + 1:
        raise ValueError("yoffe.moment_rate_centroid: the weights sum to 0")
    if bad < records.size:
        if np.isfinite(records["weight"][bad]) and records["weight"][bad] < 0:
            raise ValueError("yoffe.moment_rate_centroid: weight must be >= 0; got weight=%r at "
                             "index (%d,)" % (float(records["weight"][bad]), bad))
        raise _refuse_source("moment_rate_centroid", records, bad)
    return total, centroid, duration


from . import srf, ufunc  # noqa: E402  (SRF files and the raw ufuncs, after the functions above)
