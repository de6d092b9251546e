"""SRF files of rupture models, versions 1.0 and 2.0, read into numpy arrays
and written from them, by the package's C++ reader and writer.

A rupture is a dict: ``version`` ("1.0" or "2.0"), ``comments`` (a list of
str), ``segments`` (a dict of the PLANE fields, each an array of one entry a
segment; empty arrays without PLANE), ``blocks`` (each POINTS block's number
of points), then one float64 array a field, one entry a point, in the file's
units: ``lon``, ``lat`` (deg), ``dep`` (km), ``stk``, ``dip`` (deg), ``area``
(cm^2), ``tinit``, ``dt`` (s), ``vs`` (cm/s), ``den`` (g/cm^3; -1 where
unknown, and in 1.0 files), ``rake`` (deg), ``slip1``, ``slip2``, ``slip3``
(cm); and per axis a = 1, 2, 3 the samples ``sr<a>`` (cm/s) of all points as
one flat array, ``offsets<a>`` (points + 1 entries: point i's samples are
``sr<a>[offsets<a>[i]:offsets<a>[i + 1]]``) and ``nt<a>`` (their counts).
Sample k of a point is at tinit + k dt.
"""
import os

import numpy as np

from . import _srf

FIELDS = ("lon", "lat", "dep", "stk", "dip", "area", "tinit", "dt", "vs", "den", "rake",
          "slip1", "slip2", "slip3")
SEGMENT_FIELDS = ("elon", "elat", "nstk", "ndip", "len", "wid", "stk", "dip", "dtop", "shyp",
                  "dhyp")

__all__ = ["read", "write", "moment_rate", "FIELDS", "SEGMENT_FIELDS"]


def read(path):
    """The rupture in the SRF file at path, as a dict of arrays (see the module).

    Reads the file as a stream, holding one point's samples at a time beside
    the arrays it fills.  Raises ValueError, with the file, the line and what
    was expected, for a file that is not SRF or is cut short, and OSError
    for a file that cannot be read."""
    version, comments, segments, blocks, fields, offsets, samples = _srf.read(os.fspath(path))
    rupture = {"version": version, "comments": comments, "blocks": blocks}
    rupture["segments"] = {name: (segments[:, i].astype(np.int64) if name in ("nstk", "ndip")
                                  else np.ascontiguousarray(segments[:, i]))
                           for i, name in enumerate(SEGMENT_FIELDS)}
    for i, name in enumerate(FIELDS):
        rupture[name] = np.ascontiguousarray(fields[:, i])
    for axis in (1, 2, 3):
        rupture["sr%d" % axis] = samples[axis - 1]
        rupture["offsets%d" % axis] = offsets[axis - 1]
        rupture["nt%d" % axis] = np.diff(offsets[axis - 1])
    return rupture


def _offsets(rupture, axis, points):
    """The axis's offsets: given, or from its counts, or none (no samples)."""
    if "offsets%d" % axis in rupture:
        return np.asarray(rupture["offsets%d" % axis], dtype=np.int64)
    if "nt%d" % axis in rupture:
        counts = np.broadcast_to(np.asarray(rupture["nt%d" % axis], dtype=np.int64), (points,))
        if (counts < 0).any():
            raise ValueError("nt%d must be >= 0" % axis)
        return np.concatenate(([0], np.cumsum(counts)))
    if np.size(rupture.get("sr%d" % axis, ())) > 0:
        raise ValueError("sr%d needs offsets%d or nt%d" % (axis, axis, axis))
    return np.zeros(points + 1, dtype=np.int64)


def _points(rupture):
    """The rupture's points as the extension takes them: the fields as one
    (points, len(FIELDS)) array, the axes' offsets and their samples."""
    missing = [name for name in FIELDS if name not in rupture
               and name not in ("vs", "den", "slip2", "slip3")]
    if missing:
        raise ValueError("the rupture has no %s" % ", ".join(missing))
    points = np.broadcast(*[np.asarray(rupture[name]) for name in FIELDS if name in rupture]).shape
    if len(points) > 1:
        raise ValueError("the fields must be one-dimensional, got shape %s" % (points,))
    n = points[0] if points else 1
    defaults = {"vs": -1.0, "den": -1.0, "slip2": 0.0, "slip3": 0.0}
    fields = np.empty((n, len(FIELDS)))
    for i, name in enumerate(FIELDS):
        fields[:, i] = np.broadcast_to(np.asarray(rupture.get(name, defaults.get(name)),
                                                  dtype=np.float64), (n,))
    offsets = np.stack([_offsets(rupture, axis, n) for axis in (1, 2, 3)])
    samples = [np.asarray(rupture.get("sr%d" % axis, ()), dtype=np.float64).ravel()
               for axis in (1, 2, 3)]
    return fields, offsets, samples


def write(path, rupture, *, version=None):
    """Writes the rupture, a mapping of arrays as read gives them, to an SRF
    file at path.

    Each field broadcasts over the points; ``vs`` and ``den`` are -1 where
    absent, ``slip2``, ``slip3`` 0, the samples of an axis none where its
    ``sr<a>`` is absent; ``blocks`` defaults to one POINTS block, ``segments``
    to none (no PLANE), ``comments`` to none (a 1.0 file has none), the
    version to the rupture's, else "2.0".  Numbers are written in the
    shortest form that reads back as the same doubles.  The file is written
    under a temporary name beside it and renamed, so that a failure leaves
    any file at path as it was.  Raises ValueError for missing fields, shapes
    that disagree or a number not finite, OSError where the file cannot be
    written."""
    version = version if version is not None else rupture.get("version", "2.0")
    if version not in ("1.0", "2.0"):
        raise ValueError("version must be '1.0' or '2.0', not %r" % (version,))
    fields, offsets, samples = _points(rupture)
    segments = rupture.get("segments") or {}
    count = len(np.atleast_1d(segments[SEGMENT_FIELDS[0]])) if segments else 0
    table = np.empty((count, len(SEGMENT_FIELDS)))
    for i, name in enumerate(SEGMENT_FIELDS):
        if count:
            table[:, i] = np.asarray(segments[name], dtype=np.float64)
    blocks = np.asarray(rupture.get("blocks", [fields.shape[0]]), dtype=np.int64).ravel()
    comments = list(rupture.get("comments", ())) if version == "2.0" else []
    _srf.write(os.fspath(path), version, comments, table, blocks, fields, offsets, *samples)


def moment_rate(rupture, *, dt=None, rigidity=None):
    """The moment-rate function (N m/s) of an SRF file's samples, as (t, rate).

    rupture is a path to an SRF file (read as a stream) or a mapping as
    read gives.  Sample k of a point is its slip rate held over
    [tinit + (k - 1/2) dt, tinit + (k + 1/2) dt] (the magnitude of the axes'
    samples where several have some), times mu area; its moment is shared
    out exactly among the steps [t_j - dt/2, t_j + dt/2] of the grid
    t_j = j dt (dt the points' own where not given), so that rate.sum() * dt
    is the moment; t runs over the steps reached.  mu is den vs^2 where a
    point gives both, else `rigidity` (Pa).  Raises ValueError, naming the
    point, for a point without a rigidity or a step that is not > 0, and as
    read does."""
    step = 0.0 if dt is None else float(dt)
    if dt is not None and not step > 0.0:
        raise ValueError("dt must be > 0, not %r" % (dt,))
    mu = 0.0 if rigidity is None else float(rigidity)
    if rigidity is not None and not mu > 0.0:
        raise ValueError("rigidity must be > 0, not %r" % (rigidity,))
    if isinstance(rupture, (str, bytes, os.PathLike)):
        first, step, values = _srf.moment_rate_of_file(os.fspath(rupture), step, mu)
    else:
        fields, offsets, samples = _points(rupture)
        first, step, values = _srf.moment_rate_of_arrays(fields, offsets, *samples, step, mu)
    return (first + np.arange(values.size)) * step, values
