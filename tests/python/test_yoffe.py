"""Tests of the Python package yoffe and of examples/python/sample_source.py.

Run against the built or installed package, from outside the source tree:

    YOFFE_VERSION=<the project's version> PYTHONDONTWRITEBYTECODE=1 \\
        python3 -m pytest -q -p no:cacheprovider tests/python

The values are checked against the 50-digit references of
tests/data/stf_reference.txt, at the accuracy libyoffe promises, and, with
YOFFE_C_LIBRARY naming a shared libyoffe, against the C library to the bit.
"""
import ctypes
import doctest
import inspect
import math
import os
import pydoc
import subprocess
import sys
from collections import defaultdict
from pathlib import Path

import numpy as np
import pytest

import yoffe

SOURCE_TREE = Path(__file__).resolve().parents[2]
REFERENCE = SOURCE_TREE / "tests" / "data" / "stf_reference.txt"
EXAMPLE = SOURCE_TREE / "examples" / "python" / "sample_source.py"

ARRAY_FUNCTIONS = [yoffe.slip_rate, yoffe.slip, yoffe.slip_acceleration,
                   yoffe.amplitude_spectrum]
TAUS, TAUR = 0.02, 3.1  # the tool's source
X = [0.005, 0.0266, 0.5, 1.55, 3.0, 3.13]  # times in the support, or frequencies
nan, inf = math.nan, math.inf

TAUS_RULE = "taus must be finite and >= 0"
TAUR_RULE = "taur must be finite and from 1e-100 to 1e100 s"
RATIO_RULE = r"taus must be 0 or from taur \* 1e-50 to taur \* 1e50"
TACC_RULE = "tacc and teff must be finite, with 0 < tacc < teff / 2"
BAD_SOURCES = [(-0.01, 3.1, TAUS_RULE), (-inf, 3.1, TAUS_RULE), (inf, 3.1, TAUS_RULE),
               (nan, 3.1, TAUS_RULE), (0.02, 0.0, TAUR_RULE), (0.02, -1.0, TAUR_RULE),
               (0.02, inf, TAUR_RULE), (0.02, nan, TAUR_RULE), (0.0, 0.0, TAUR_RULE),
               (0.0, 1e300, TAUR_RULE), (0.0, 1e-101, TAUR_RULE), (1e-220, 1.0, RATIO_RULE),
               (1e-51, 1.0, RATIO_RULE), (1e51, 1.0, RATIO_RULE)]

# Every checked function as a call on the source alone.
SOURCE_CALLS = [pytest.param(lambda taus, taur, f=f: f(X[2], taus=taus, taur=taur),
                             id=f.__name__) for f in ARRAY_FUNCTIONS]
SOURCE_CALLS.append(pytest.param(lambda taus, taur: yoffe.peak_time(taus=taus, taur=taur),
                                 id="peak_time"))


def bits(x):
    """The float64 values' bit patterns, so that -0.0 and 0.0 or two NaNs differ."""
    return np.asarray(x, dtype=np.float64).view(np.uint64)


def read_reference():
    """{kind: {(taus, taur): rows}} and {(taus, taur): (rate_peak, acc_peak)}."""
    table = defaultdict(lambda: defaultdict(list))
    scales = {}
    for line in REFERENCE.read_text().splitlines():
        if not line or line.startswith("#"):
            continue
        kind, *fields = line.split()
        taus, taur, *values = [float(x) for x in fields]
        if kind == "source":
            scales[taus, taur] = values
        else:
            table[kind][taus, taur].append(values)
    return table, scales


TABLE, SCALES = read_reference()


@pytest.mark.parametrize("kind, function, bound", [
    ("rate", yoffe.slip_rate, 1e-14),
    ("slip", yoffe.slip, 1e-14),
    ("acc", yoffe.slip_acceleration, 1e-13),
])
def test_histories_match_the_references(kind, function, bound):
    # Within bound of the peak rate, 1 or the largest acceleration; relative
    # for taus = 0, where rate and acceleration are unbounded.
    assert len(TABLE[kind]) == 36  # every source of the table, over the whole domain
    for (taus, taur), rows in TABLE[kind].items():
        t, expected = np.array(rows).T
        got = function(t, taus=taus, taur=taur)
        rate_peak, acc_peak = SCALES[taus, taur]
        scale = {"rate": rate_peak, "slip": 1.0, "acc": acc_peak}[kind]
        if taus == 0 and kind != "slip":
            scale = np.abs(expected)
        np.testing.assert_array_less(np.abs(got - expected), bound * scale + 1e-300,
                                     err_msg="%s, taus=%r taur=%r" % (kind, taus, taur))


def test_amplitude_matches_the_references():
    # Within 1e-13 of the envelope, where pi f max(taus, taur) <= 1000.
    checked = 0
    for (taus, taur), rows in TABLE["amp"].items():
        f, expected, envelope = np.array(rows).T
        keep = np.pi * np.abs(f) * max(taus, taur) <= 1000
        got = yoffe.amplitude_spectrum(f[keep], taus=taus, taur=taur)
        np.testing.assert_array_less(np.abs(got - expected[keep]), 1e-13 * envelope[keep],
                                     err_msg="taus=%r taur=%r" % (taus, taur))
        checked += keep.sum()
    assert checked > 1000


def test_peak_time_matches_the_references():
    assert len(TABLE["peak"]) == 32
    for (taus, taur), [[expected]] in TABLE["peak"].items():
        got = yoffe.peak_time(taus=taus, taur=taur)
        assert type(got) is np.float64
        assert abs(got - expected) <= 1e-12 * expected, (taus, taur)


# The C library itself, through ctypes, for the values to the bit.

@pytest.fixture(scope="module")
def c_yoffe():
    path = os.environ.get("YOFFE_C_LIBRARY")
    if not path:
        pytest.skip("YOFFE_C_LIBRARY names no shared libyoffe")
    library = ctypes.CDLL(path)
    doubles = np.ctypeslib.ndpointer(np.float64, flags="C_CONTIGUOUS")
    number = ctypes.POINTER(ctypes.c_double)
    for name in ("slip_rate", "slip", "slip_acceleration", "amplitude_spectrum"):
        getattr(library, "yoffe_" + name).argtypes = [ctypes.c_double, ctypes.c_double,
                                                      ctypes.c_size_t, doubles, doubles]
    library.yoffe_peak_time.argtypes = [ctypes.c_double, ctypes.c_double, number]
    library.yoffe_from_tacc_teff.argtypes = [ctypes.c_double, ctypes.c_double, number, number]
    return library


@pytest.mark.parametrize("kind, name", [("rate", "slip_rate"), ("slip", "slip"),
                                        ("acc", "slip_acceleration"),
                                        ("amp", "amplitude_spectrum")])
def test_values_are_the_c_library_s_to_the_bit(c_yoffe, kind, name):
    # Over the table's inputs and the edges (signed zeros, infinities, NaN), every
    # way through the loops: contiguous, strided, a source per element, raw.
    function, raw = getattr(yoffe, name), getattr(yoffe.ufunc, name)
    edges = [-inf, -1e300, -5e-324, -0.0, 0.0, 5e-324, 1e-300, 1e300, inf, nan]
    for (taus, taur), rows in TABLE[kind].items():
        x = np.concatenate([np.array(rows)[:, 0], edges])
        expected = np.empty_like(x)
        assert getattr(c_yoffe, "yoffe_" + name)(taus, taur, x.size, x, expected) == 0
        spaced = np.repeat(x, 2)[::2]
        for got in (function(x, taus=taus, taur=taur), function(spaced, taus=taus, taur=taur),
                    function(x, taus=np.full(x.size, taus), taur=taur),
                    function(x[:, None], taus=[taus, taus], taur=taur)[:, 1],
                    raw(x, taus, taur)):
            np.testing.assert_array_equal(bits(got), bits(expected),
                                          err_msg="%s, taus=%r taur=%r" % (name, taus, taur))


def test_peak_time_and_its_inverse_are_the_c_library_s_to_the_bit(c_yoffe):
    sources = sorted(TABLE["peak"])
    expected = []
    for taus, taur in sources:
        peak = ctypes.c_double()
        assert c_yoffe.yoffe_peak_time(taus, taur, ctypes.byref(peak)) == 0
        expected.append(peak.value)
        assert yoffe.peak_time(taus=taus, taur=taur).hex() == peak.value.hex()
        # The way back, NaN from the raw ufunc where the library refuses it.
        found = ctypes.c_double(), ctypes.c_double()
        status = c_yoffe.yoffe_from_tacc_teff(peak.value, taur + 2 * taus,
                                              *map(ctypes.byref, found))
        got = yoffe.ufunc.from_tacc_teff(peak.value, taur + 2 * taus)
        if status == 0:
            assert [float(x).hex() for x in got] == [x.value.hex() for x in found]
        else:
            assert all(math.isnan(x) for x in got)
    taus, taur = np.array(sources).T
    np.testing.assert_array_equal(bits(yoffe.peak_time(taus=taus, taur=taur)), bits(expected))


# Shapes, types and the ways of numpy's ufuncs.

@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
@pytest.mark.parametrize("scalar", [0.0266, 1, np.float64(1.55), np.array(3.0), np.int64(2),
                                    np.array(0.5, dtype=">f8")])
def test_a_scalar_gives_a_numpy_scalar(function, scalar):
    got = function(scalar, taus=TAUS, taur=TAUR)
    assert type(got) is np.float64
    assert got.hex() == function([float(scalar)], taus=TAUS, taur=TAUR)[0].hex()


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_arrays_keep_their_shape(function):
    expected = np.array([function(x, taus=TAUS, taur=TAUR) for x in X])
    for given in (X, tuple(X), np.array(X), np.array(X, dtype=">f8")):
        got = function(given, taus=TAUS, taur=TAUR)
        assert isinstance(got, np.ndarray) and got.dtype == np.float64
        np.testing.assert_array_equal(got, expected)
    got = function(np.reshape(X, (2, 3)), taus=TAUS, taur=TAUR)
    assert got.shape == (2, 3)
    np.testing.assert_array_equal(got, expected.reshape(2, 3))
    got = function([[X]], taus=TAUS, taur=TAUR)
    assert got.shape == (1, 1, 6)
    np.testing.assert_array_equal(got.ravel(), expected)
    assert function([], taus=TAUS, taur=TAUR).shape == (0,)
    assert function(np.zeros((3, 0)), taus=TAUS, taur=TAUR).shape == (3, 0)


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_views_are_read_in_their_own_order(function):
    expected = function(X, taus=TAUS, taur=TAUR)
    spaced = np.full(2 * len(X), 7.0)
    spaced[::2] = X
    np.testing.assert_array_equal(function(spaced[::2], taus=TAUS, taur=TAUR), expected)
    np.testing.assert_array_equal(function(np.array(X[::-1])[::-1], taus=TAUS, taur=TAUR),
                                  expected)
    transposed = np.reshape(X, (3, 2)).T  # Fortran order
    got = function(transposed, taus=TAUS, taur=TAUR)
    assert got.shape == (2, 3)
    np.testing.assert_array_equal(got, expected.reshape(3, 2).T)


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_other_dtypes_are_converted(function):
    ints = [0, 1, 2, 3]
    expected = function([0.0, 1.0, 2.0, 3.0], taus=TAUS, taur=TAUR)
    for given in (ints, np.array(ints, dtype=np.int32), np.array(ints, dtype=np.uint8),
                  np.array(ints, dtype=np.int64)):
        got = function(given, taus=TAUS, taur=TAUR)
        assert got.dtype == np.float64
        np.testing.assert_array_equal(got, expected)
    # The source may be given as integers or numpy scalars too.
    np.testing.assert_array_equal(function(ints, taus=np.float64(0.5), taur=3),
                                  function(ints, taus=0.5, taur=3.0))


SOURCES = [(0.0, 3.1), (TAUS, TAUR), (0.1, 2.0), (85.0, 1.7), (0.02, 0.0002), (1e-60, 1e-12)]
GRID_TAUS, GRID_TAUR = [0.02, 0.1, 85.0], [3.1, 2.0, 1.7, 0.0002]  # every pair a source


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_broadcasting_over_sources_is_the_one_source_calls(function):
    taus, taur = map(np.array, zip(*SOURCES))
    t = np.concatenate([X, [-1.0, 0.0, nan, 1e-13, 171.0]])
    columns = function(t[:, None], taus=taus, taur=taur)
    rows = function(t, taus=taus[:, None], taur=taur[:, None])
    assert columns.shape == (t.size, len(SOURCES)) and rows.shape == (len(SOURCES), t.size)
    for j, (s, r) in enumerate(SOURCES):
        alone = function(t, taus=s, taur=r)
        np.testing.assert_array_equal(bits(columns[:, j]), bits(alone), err_msg=str((s, r)))
        np.testing.assert_array_equal(bits(rows[j]), bits(alone), err_msg=str((s, r)))
    # A scalar time over an array of sources, and a row of taus against a column of taur.
    got = function(X[3], taus=taus, taur=taur)
    np.testing.assert_array_equal(bits(got), bits([function(X[3], taus=s, taur=r)
                                                   for s, r in SOURCES]))
    grid = function(X[3], taus=np.array([GRID_TAUS]), taur=np.array([GRID_TAUR]).T)
    assert grid.shape == (len(GRID_TAUR), len(GRID_TAUS))
    for i, j in np.ndindex(grid.shape):
        assert grid[i, j].hex() == function(X[3], taus=GRID_TAUS[j], taur=GRID_TAUR[i]).hex()


def test_peak_time_and_from_tacc_teff_broadcast():
    peaks = yoffe.peak_time(taus=np.array(GRID_TAUS)[:, None], taur=GRID_TAUR)
    assert peaks.shape == (len(GRID_TAUS), len(GRID_TAUR))
    for i, j in np.ndindex(peaks.shape):
        assert peaks[i, j].hex() == yoffe.peak_time(taus=GRID_TAUS[i], taur=GRID_TAUR[j]).hex()
    tacc, teff = np.array([0.03, 0.1, 0.49]), np.array([3.14, 1.0])
    found = yoffe.from_tacc_teff(tacc=tacc[:, None], teff=teff)
    assert type(found) is tuple and [x.shape for x in found] == [(3, 2), (3, 2)]
    for i, j in np.ndindex(3, 2):
        alone = yoffe.from_tacc_teff(tacc=tacc[i], teff=teff[j])
        assert [x[i, j].hex() for x in found] == [x.hex() for x in alone]


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
@pytest.mark.parametrize("taus, taur", [(TAUS, TAUR), (0.0, 1.5)])
def test_float32_gives_float32_rounded_once(function, taus, taur):
    # Computed in double from the float32 values, then rounded to float32.
    t32 = np.array(X + [-0.5, 40.0], dtype=np.float32)
    s32, r32 = np.float32(taus), np.float32(taur)
    expected = function(t32.astype(np.float64), taus=float(s32), taur=float(r32))
    expected = expected.astype(np.float32)
    for got in (function(t32, taus=s32, taur=r32), function(t32, taus=float(s32), taur=float(r32)),
                function(t32[:, None], taus=np.array([s32] * 2), taur=np.array([r32] * 2))[:, 1],
                function(t32, taus=np.full(t32.size, s32), taur=r32)):
        assert got.dtype == np.float32
        np.testing.assert_array_equal(got.view(np.uint32), expected.view(np.uint32))
    # float32 meeting float64 arrays is float64.
    assert function(t32, taus=np.array([taus]), taur=taur).dtype == np.float64


def test_float32_sources_give_float32_peaks_and_sources():
    s32 = np.array([0.02, 0.5], dtype=np.float32)
    got = yoffe.peak_time(taus=s32, taur=np.float32(3.1))
    assert got.dtype == np.float32
    expected = yoffe.peak_time(taus=s32.astype(float), taur=float(np.float32(3.1)))
    np.testing.assert_array_equal(got, expected.astype(np.float32))
    tacc = np.array([0.03, 0.1], np.float32)
    found = yoffe.from_tacc_teff(tacc=tacc, teff=np.float32(3.14))
    assert [x.dtype for x in found] == [np.float32, np.float32]
    expected = yoffe.from_tacc_teff(tacc=tacc.astype(float), teff=float(np.float32(3.14)))
    for x, e in zip(found, expected):
        np.testing.assert_array_equal(x, e.astype(np.float32))


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_out_is_written_and_returned(function):
    expected = function(X, taus=TAUS, taur=TAUR)
    out = np.full(len(X), 7.0)
    assert function(X, taus=TAUS, taur=TAUR, out=out) is out
    np.testing.assert_array_equal(bits(out), bits(expected))
    out32 = np.zeros(len(X), dtype=np.float32)
    assert function(X, taus=TAUS, taur=TAUR, out=out32) is out32
    np.testing.assert_array_equal(out32, expected.astype(np.float32))
    # A strided out, and where= leaving the other elements alone.
    spaced = np.full((2, len(X)), 7.0)
    function(X, taus=TAUS, taur=TAUR, out=spaced[1])
    np.testing.assert_array_equal(spaced, [[7.0] * len(X), expected])
    keep = np.arange(len(X)) % 2 == 0
    out = np.full(len(X), 7.0)
    function(X, taus=TAUS, taur=TAUR, out=out, where=keep)
    np.testing.assert_array_equal(out, np.where(keep, expected, 7.0))
    for wrong in (np.empty(len(X) + 1), np.empty((len(X), 1)), np.empty(())):
        with pytest.raises(ValueError):
            function(X, taus=TAUS, taur=TAUR, out=wrong)


def test_out_of_peak_time_and_from_tacc_teff():
    out = np.empty(2)
    assert yoffe.peak_time(taus=[0.02, 0.1], taur=TAUR, out=out) is out
    np.testing.assert_array_equal(out, [yoffe.peak_time(taus=s, taur=TAUR) for s in (0.02, 0.1)])
    pair = np.empty(2), np.empty(2)
    got = yoffe.from_tacc_teff(tacc=[0.03, 0.1], teff=3.14, out=pair)
    assert got[0] is pair[0] and got[1] is pair[1]
    np.testing.assert_array_equal(np.array(pair), yoffe.from_tacc_teff(tacc=[0.03, 0.1],
                                                                       teff=3.14))
    with pytest.raises(ValueError):
        yoffe.peak_time(taus=[0.02, 0.1], taur=TAUR, out=np.empty(3))


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_masked_arrays_keep_their_mask(function):
    mask = [False, True, False, False, True, False]
    got = function(np.ma.masked_array(X, mask=mask), taus=TAUS, taur=TAUR)
    assert isinstance(got, np.ma.MaskedArray)
    np.testing.assert_array_equal(np.ma.getmaskarray(got), mask)
    np.testing.assert_array_equal(got.compressed(),
                                  function(np.array(X)[~np.array(mask)], taus=TAUS, taur=TAUR))
    # A bad source under the mask is no source; the unmasked ones are computed.
    for taus, taur in [(np.ma.masked_array([TAUS, -1.0, 0.1], mask=[0, 1, 0]), TAUR),
                       (TAUS, np.ma.masked_array([TAUR, 0.0, 1.0], mask=[0, 1, 0]))]:
        got = function(X[3], taus=taus, taur=taur)
        np.testing.assert_array_equal(np.ma.getmaskarray(got), [False, True, False])
        s, r = np.broadcast_arrays(np.ma.getdata(taus), np.ma.getdata(taur))
        for i in (0, 2):
            assert got[i] == function(X[3], taus=s[i], taur=r[i])
    with pytest.raises(ValueError, match=TAUS_RULE + r".* at index \(2,\)"):
        function(X[3], taus=np.ma.masked_array([TAUS, -1.0, -1.0], mask=[0, 1, 0]), taur=TAUR)


def test_masked_sources_of_peak_time_and_from_tacc_teff():
    got = yoffe.peak_time(taus=np.ma.masked_array([0.02, 0.0], mask=[0, 1]), taur=TAUR)
    np.testing.assert_array_equal(np.ma.getmaskarray(got), [False, True])
    assert got[0] == yoffe.peak_time(taus=0.02, taur=TAUR)
    found = yoffe.from_tacc_teff(tacc=np.ma.masked_array([0.03, 2.0], mask=[0, 1]), teff=3.14)
    for x, alone in zip(found, yoffe.from_tacc_teff(tacc=0.03, teff=3.14)):
        np.testing.assert_array_equal(np.ma.getmaskarray(x), [False, True])
        assert x[0] == alone


class Seconds(np.ndarray):
    """A bare ndarray subclass, as a package of units might bring."""


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
@pytest.mark.parametrize("kind", [np.matrix, Seconds])
def test_subclasses_are_kept(function, kind):
    given = np.array([X]).view(kind)
    got = function(given, taus=TAUS, taur=TAUR)
    assert type(got) is kind and got.shape == (1, len(X))
    np.testing.assert_array_equal(np.asarray(got)[0], function(X, taus=TAUS, taur=TAUR))
    taus = np.array([[TAUS, 0.1]]).view(kind)
    assert type(function(X[2], taus=taus, taur=TAUR)) is kind
    assert type(yoffe.peak_time(taus=taus, taur=TAUR)) is kind


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_the_input_is_left_alone(function):
    given = np.array(X)
    got = function(given, taus=TAUS, taur=TAUR)
    assert got is not given and not np.shares_memory(got, given)
    np.testing.assert_array_equal(given, X)


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
@pytest.mark.parametrize("taus, taur", [(TAUS, TAUR), (0.0, 3.1)])
def test_nan_stays_in_place(function, taus, taur):
    got = function([0.5, nan, 1.0, nan, 2.0], taus=taus, taur=taur)
    np.testing.assert_array_equal(np.isnan(got), [False, True, False, True, False])
    np.testing.assert_array_equal(got[[0, 2, 4]], function([0.5, 1.0, 2.0], taus=taus, taur=taur))
    assert math.isnan(function(nan, taus=taus, taur=taur))


@pytest.mark.parametrize("taus, taur", [(TAUS, TAUR), (0.0, 3.1), (85.0, 1.7), (0.02, 0.0002)])
def test_outside_the_support(taus, taur):
    end = taur + 2 * taus
    before = [-inf, -1e300, -end, -1e-300, -0.0, 0.0]
    after = [end * (1 + 1e-12), 2 * end, 1e300, inf]
    t = before + after
    np.testing.assert_array_equal(yoffe.slip_rate(t, taus=taus, taur=taur), 0.0)
    np.testing.assert_array_equal(yoffe.slip_acceleration(t, taus=taus, taur=taur), 0.0)
    np.testing.assert_array_equal(yoffe.slip(t, taus=taus, taur=taur),
                                  [0.0] * len(before) + [1.0] * len(after))
    # ... while inside it the rate is positive and the slip strictly between 0 and 1.
    inside = np.linspace(0, end, 9)[1:-1]
    assert np.all(yoffe.slip_rate(inside, taus=taus, taur=taur) > 0)
    slip = yoffe.slip(inside, taus=taus, taur=taur)
    assert np.all((slip > 0) & (slip < 1))


@pytest.mark.parametrize("taus, taur", [(TAUS, TAUR), (0.0, 0.37), (17.0, 1.7)])
def test_amplitude_is_even_and_one_at_zero(taus, taur):
    f = np.concatenate([np.geomspace(1e-6, 1e6, 301), np.linspace(0, 30, 301)])
    got = yoffe.amplitude_spectrum(f, taus=taus, taur=taur)
    np.testing.assert_array_equal(yoffe.amplitude_spectrum(-f, taus=taus, taur=taur), got)
    assert yoffe.amplitude_spectrum(0.0, taus=taus, taur=taur) == 1.0
    assert yoffe.amplitude_spectrum(-0.0, taus=taus, taur=taur) == 1.0
    np.testing.assert_array_equal(yoffe.amplitude_spectrum([inf, -inf], taus=taus, taur=taur),
                                  0.0)
    assert np.all((got >= 0) & (got <= 1))


# Refusals: bad sources, non-numbers, parameters by position.

@pytest.mark.parametrize("call", SOURCE_CALLS)
@pytest.mark.parametrize("taus, taur, rule", BAD_SOURCES)
def test_bad_sources_raise_naming_the_rule(call, taus, taur, rule):
    with pytest.raises(ValueError, match=rule + "; got taus=") as raised:
        call(taus, taur)
    assert "at index" not in str(raised.value)
    # In an array, the first bad element of the sources is named.
    with pytest.raises(ValueError, match=rule + r".* at index \(2,\)"):
        call([0.02, 0.1, taus, 0.3], [3.1, 2.0, taur, 1.0])
    with pytest.raises(ValueError, match=rule + r".* at index \(1, 2\)"):
        call([[0.02, 0.1, 0.3], [0.02, 0.1, taus]], [[3.1, 2.0, 1.0], [3.1, 2.0, taur]])


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_a_bad_source_raises_whatever_the_times(function):
    for t in ([], np.zeros((3, 0)), nan):
        with pytest.raises(ValueError, match=TAUR_RULE):
            function(t, taus=TAUS, taur=-1.0)


@pytest.mark.parametrize("taus, taur, index, rule", [
    # Column taus against row taur: the index of the broadcast shape, in C order.
    ([[0.02], [-1.0], [0.1]], [3.1, 2.0, 1.0, 0.5], (1, 0), TAUS_RULE),
    ([[0.02], [-1.0], [0.1]], [3.1, 2.0, 0.0, 0.5], (0, 2), TAUR_RULE),
    ([[0.02], [0.05], [1e60]], [3.1, 2.0, 1.0, 0.5], (2, 0), RATIO_RULE),
    ([0.02, 0.05, 0.1], [[3.1], [2.0], [nan]], (2, 0), TAUR_RULE),
])
@pytest.mark.parametrize("call", SOURCE_CALLS)
def test_the_first_bad_source_is_named(call, taus, taur, index, rule):
    with pytest.raises(ValueError, match=rule + r".* at index \(%d, %d\)" % index):
        call(np.array(taus), np.array(taur))


def test_peak_time_needs_taus_above_zero():
    with pytest.raises(ValueError, match="taus must be > 0") as raised:
        yoffe.peak_time(taus=0.0, taur=3.1)
    assert "at index" not in str(raised.value)
    with pytest.raises(ValueError, match=r"taus must be > 0.* at index \(1,\)"):
        yoffe.peak_time(taus=[0.02, 0.0], taur=3.1)
    # ... which every other function takes as the Yoffe function itself.
    for function in ARRAY_FUNCTIONS:
        assert np.isfinite(function(0.5, taus=0.0, taur=3.1))


@pytest.mark.parametrize("tacc, teff", [(0.0, 3.0), (-0.1, 3.0), (1.5, 3.0), (2.0, 3.0),
                                        (0.1, -1.0), (nan, 3.0), (0.1, nan), (0.1, inf),
                                        (inf, inf), (-inf, 3.0)])
def test_from_tacc_teff_needs_tacc_below_half_teff(tacc, teff):
    with pytest.raises(ValueError, match=TACC_RULE + "; got tacc=") as raised:
        yoffe.from_tacc_teff(tacc=tacc, teff=teff)
    assert "at index" not in str(raised.value)
    with pytest.raises(ValueError, match=TACC_RULE + r".* at index \(1, 0\)"):
        yoffe.from_tacc_teff(tacc=[[0.03, 0.1], [tacc, tacc]], teff=[[3.14, 3.14], [teff, teff]])


NON_NUMBERS = ["abc", ["1.0", "x"], None, object(), [1.0, None], np.datetime64("2024-01-01"),
               np.array(["2024-01-01"], dtype="datetime64[D]"), np.timedelta64(1, "s"),
               [1 + 2j]]


@pytest.mark.parametrize("given", NON_NUMBERS, ids=repr)
def test_non_numbers_are_refused(given):
    for function in ARRAY_FUNCTIONS:
        for t, taus, taur in [(given, TAUS, TAUR), (0.5, given, TAUR), (0.5, TAUS, given)]:
            with pytest.raises(TypeError):
                function(t, taus=taus, taur=taur)
    for taus, taur in [(given, TAUR), (TAUS, given)]:
        with pytest.raises(TypeError):
            yoffe.peak_time(taus=taus, taur=taur)
    for tacc, teff in [(given, 3.14), (0.03, given)]:
        with pytest.raises(TypeError):
            yoffe.from_tacc_teff(tacc=tacc, teff=teff)


@pytest.mark.parametrize("call", [
    lambda: yoffe.slip_rate(0.5, TAUS, TAUR), lambda: yoffe.slip(0.5, TAUS, taur=TAUR),
    lambda: yoffe.slip_acceleration(0.5, TAUS, TAUR),
    lambda: yoffe.amplitude_spectrum(1.0, TAUS, TAUR),
    lambda: yoffe.peak_time(TAUS, TAUR), lambda: yoffe.peak_time(TAUS, taur=TAUR),
    lambda: yoffe.from_tacc_teff(0.03, 3.14), lambda: yoffe.slip_rate(t=0.5, taus=TAUS, taur=TAUR),
    lambda: yoffe.slip(0.5, taus=TAUS), lambda: yoffe.peak_time(taur=TAUR),
])
def test_parameters_go_by_name(call):
    with pytest.raises(TypeError):
        call()


@pytest.mark.parametrize("function, positional, keywords", [
    (yoffe.slip_rate, ["t"], ["taus", "taur", "out"]),
    (yoffe.slip, ["t"], ["taus", "taur", "out"]),
    (yoffe.slip_acceleration, ["t"], ["taus", "taur", "out"]),
    (yoffe.amplitude_spectrum, ["f"], ["taus", "taur", "out"]),
    (yoffe.peak_time, [], ["taus", "taur", "out"]),
    (yoffe.from_tacc_teff, [], ["tacc", "teff", "out"]),
])
def test_signatures_show_keyword_only_parameters(function, positional, keywords):
    parameters = inspect.signature(function).parameters.values()
    kinds = {p.name: p.kind for p in parameters if p.kind != p.VAR_KEYWORD}
    assert kinds == dict([(n, inspect.Parameter.POSITIONAL_ONLY) for n in positional]
                         + [(n, inspect.Parameter.KEYWORD_ONLY) for n in keywords])
    shown = pydoc.plain(pydoc.render_doc(function))
    head = ", ".join(positional + ["/"] * bool(positional) + ["*"] + keywords[:2])
    assert "%s(%s, out=None, **kwargs)" % (function.__name__, head) in shown


# The raw ufuncs: positional, NaN for a bad source.

@pytest.mark.parametrize("name", ["slip_rate", "slip", "slip_acceleration", "amplitude_spectrum"])
def test_raw_ufuncs_are_the_functions_without_the_check(name):
    raw, function = getattr(yoffe.ufunc, name), getattr(yoffe, name)
    assert isinstance(raw, np.ufunc) and (raw.nin, raw.nout) == (3, 1)
    np.testing.assert_array_equal(bits(raw(X, TAUS, TAUR)), bits(function(X, taus=TAUS, taur=TAUR)))
    taus, taur, _ = zip(*BAD_SOURCES)
    got = raw(np.array(X)[:, None], np.array(taus + (TAUS,)), np.array(taur + (TAUR,)))
    assert np.isnan(got[:, :-1]).all() and not np.isnan(got[:, -1]).any()


def test_valid_source_is_the_check():
    taus, taur, _ = map(np.array, zip(*BAD_SOURCES))
    assert not yoffe.ufunc.valid_source(taus, taur).any()
    assert yoffe.ufunc.valid_source(*np.array(sorted(TABLE["rate"])).T).all()
    assert yoffe.ufunc.valid_source(0.0, 3.1) and yoffe.ufunc.valid_source(0.0, 3.1).dtype == bool
    assert np.isnan(yoffe.ufunc.peak_time([0.0, -1.0], 3.1)).all()
    assert np.isnan(yoffe.ufunc.from_tacc_teff(2.0, 3.0)).all()


# dask arrays stay lazy, and are computed to numpy's values.

def test_dask_times_stay_lazy():
    da = pytest.importorskip("dask.array")
    t = np.linspace(-0.5, 3.6, 1001).reshape(7, 143)
    for function in ARRAY_FUNCTIONS:
        got = function(da.from_array(t, chunks=(3, 50)), taus=TAUS, taur=TAUR)
        assert isinstance(got, da.Array) and got.shape == t.shape
        np.testing.assert_array_equal(bits(got.compute()), bits(function(t, taus=TAUS, taur=TAUR)))


def test_dask_sources_stay_lazy():
    da = pytest.importorskip("dask.array")
    taus, taur = map(np.array, zip(*SOURCES))
    t = np.array(X)[:, None]
    lazy_s, lazy_r = da.from_array(taus, chunks=4), da.from_array(taur, chunks=2)
    for function in ARRAY_FUNCTIONS:
        for s, r in [(lazy_s, taur), (taus, lazy_r), (lazy_s, lazy_r)]:
            got = function(t, taus=s, taur=r)
            assert isinstance(got, da.Array)
            np.testing.assert_array_equal(bits(got.compute()),
                                          bits(function(t, taus=taus, taur=taur)))
    got = yoffe.peak_time(taus=lazy_s[1:], taur=taur[1:])
    assert isinstance(got, da.Array)
    np.testing.assert_array_equal(bits(got.compute()),
                                  bits(yoffe.peak_time(taus=taus[1:], taur=taur[1:])))
    tacc, teff = np.array([0.03, 0.1, 0.49, 1e-6]), np.array([[3.14], [1.0]])
    found = yoffe.from_tacc_teff(tacc=da.from_array(tacc, chunks=3), teff=teff)
    assert all(isinstance(x, da.Array) for x in found)
    for x, expected in zip(found, yoffe.from_tacc_teff(tacc=tacc, teff=teff)):
        np.testing.assert_array_equal(bits(x.compute()), bits(expected))


@pytest.mark.parametrize("call, rule", [pytest.param(*p.values, TAUS_RULE, id=p.id)
                                        for p in SOURCE_CALLS] + [
    pytest.param(lambda tacc, teff: yoffe.from_tacc_teff(tacc=tacc, teff=teff)[1], TACC_RULE,
                 id="from_tacc_teff")])
def test_a_bad_dask_source_raises_when_computed(call, rule):
    # The index is the element's in the whole array, not in its chunk.
    da = pytest.importorskip("dask.array")
    first, second = np.full((6, 7), 0.02), np.full((6, 7), 3.1)
    first[4, 5] = -1.0
    got = call(da.from_array(first, chunks=(4, 3)), second)
    assert isinstance(got, da.Array)
    with pytest.raises(ValueError, match=rule + r".* at index \(4, 5\)"):
        got.compute()
    with pytest.raises(TypeError):
        call(da.from_array(np.array(["x", "y"])), 3.1)


# Properties across the functions.

# The sources whose (peak time, duration) holds them: taur / taus from 1e-15
# up and taur inside the domain's ends (the way back may round past them).
@pytest.mark.parametrize("taus, taur", [(s, r) for s, r in sorted(TABLE["peak"])
                                        if r / s >= 1e-15 and 1e-99 < r < 1e99])
def test_from_tacc_teff_undoes_peak_time(taus, taur):
    teff = taur + 2 * taus
    got = yoffe.from_tacc_teff(tacc=yoffe.peak_time(taus=taus, taur=taur), teff=teff)
    assert type(got) is tuple and all(type(x) is np.float64 for x in got)
    assert abs(got[0] - taus) <= 1e-12 * teff
    assert abs(got[1] - taur) <= 1e-12 * teff


@pytest.mark.parametrize("tacc, teff", [(0.03, 3.14), (1.0, 2.5), (0.49, 1.0), (1e-6, 1.0),
                                        (1e-3, 1e3), (0.1, 0.2000001)])
def test_peak_time_undoes_from_tacc_teff(tacc, teff):
    taus, taur = yoffe.from_tacc_teff(tacc=tacc, teff=teff)
    assert 0 < taus and 0 < taur
    assert abs(yoffe.peak_time(taus=taus, taur=taur) - tacc) <= 1e-12 * tacc
    assert abs(taur + 2 * taus - teff) <= 1e-15 * teff
    # The peak time is where the rate is largest and the acceleration changes sign.
    t = tacc * np.array([0.999, 1.0, 1.001])
    rate = yoffe.slip_rate(t, taus=taus, taur=taur)
    assert rate[1] > rate[0] and rate[1] > rate[2]
    acc = yoffe.slip_acceleration(t, taus=taus, taur=taur)
    assert acc[0] > 0 > acc[2]


def test_a_million_samples_in_one_call():
    t = np.linspace(-0.5, 3.6, 1_000_001)
    source = dict(taus=TAUS, taur=TAUR)
    rate, slip = yoffe.slip_rate(t, **source), yoffe.slip(t, **source)
    acc, amp = yoffe.slip_acceleration(t, **source), yoffe.amplitude_spectrum(t * 100, **source)
    for got in (rate, slip, acc, amp):
        assert got.shape == t.shape and np.all(np.isfinite(got))
    # Every sample is the one a short call gives ...
    picks = np.arange(0, t.size, 9973)
    np.testing.assert_array_equal(rate[picks], yoffe.slip_rate(t[picks], **source))
    np.testing.assert_array_equal(acc[picks], yoffe.slip_acceleration(t[picks], **source))
    np.testing.assert_array_equal(amp[picks], yoffe.amplitude_spectrum(t[picks] * 100, **source))
    # ... and the slip is the running integral of the rate (trapezoid rule).
    running = np.concatenate([[0.0], np.cumsum((rate[1:] + rate[:-1]) / 2 * np.diff(t))])
    assert np.max(np.abs(running - slip)) < 1e-6
    assert slip[0] == 0.0 and slip[-1] == 1.0


def test_docstring_examples_and_names():
    for module in (yoffe, yoffe.ufunc):
        assert doctest.testmod(module).failed == 0
    assert doctest.testmod(yoffe).attempted >= 6
    rupture = ["slip_rate_average", "complex_spectrum", "moment_rate", "moment_rate_spectrum",
               "moment_rate_centroid"]
    assert sorted(yoffe.__all__) == sorted([f.__name__ for f in ARRAY_FUNCTIONS]
                                           + ["peak_time", "from_tacc_teff", "ufunc"] + rupture)
    assert sorted(yoffe.ufunc.__all__) == sorted([f.__name__ for f in ARRAY_FUNCTIONS]
                                                 + ["peak_time", "from_tacc_teff",
                                                    "valid_source"] + rupture[:2])


def test_the_version_is_the_build_s():
    if "YOFFE_VERSION" not in os.environ:
        pytest.skip("YOFFE_VERSION gives no project version to compare with")
    assert yoffe.__version__ == os.environ["YOFFE_VERSION"]


# The example script, in a fresh interpreter, run into a temporary folder.

PACKAGE_ROOT = Path(yoffe.__file__).resolve().parents[1]


def run_python(args, pythonpath, cwd):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(map(str, pythonpath)),
               PYTHONDONTWRITEBYTECODE="1", MPLCONFIGDIR=str(cwd / "mplconfig"))
    return subprocess.run([sys.executable, *map(str, args)], cwd=cwd, env=env,
                          capture_output=True, text=True, timeout=300)


def read_csv(path):
    lines = path.read_text().splitlines()
    assert lines[0] == "time_s,slip_rate_1_per_s,slip,slip_acceleration_1_per_s2"
    return np.loadtxt(lines[1:], delimiter=",", ndmin=2).T


def check_samples(path, taus, taur, dt):
    t, rate, slip, acc = read_csv(path)
    n = t.size
    np.testing.assert_allclose(t, np.arange(n) * dt, rtol=1e-12, atol=0)
    assert t[-2] <= taur + 2 * taus < t[-1]  # just past the end of the support
    # The times are written to 12 digits, the values in full.
    source = dict(taus=taus, taur=taur)
    np.testing.assert_allclose(rate, yoffe.slip_rate(t, **source), rtol=0, atol=1e-9)
    np.testing.assert_allclose(slip, yoffe.slip(t, **source), rtol=0, atol=1e-9)
    np.testing.assert_allclose(acc, yoffe.slip_acceleration(t, **source), rtol=0, atol=1e-6)
    assert slip[-1] == 1.0 and rate.max() > 0


def test_example_with_the_default_source(tmp_path):
    run = run_python([EXAMPLE], [PACKAGE_ROOT], tmp_path)
    assert run.returncode == 0, run.stderr
    assert "T_acc = %.9g s" % yoffe.peak_time(taus=0.02, taur=3.1) in run.stdout
    check_samples(tmp_path / "yoffe_source.csv", 0.02, 3.1, 0.005)


def test_example_with_tacc_teff_and_a_plot(tmp_path):
    pytest.importorskip("matplotlib")
    out, png = tmp_path / "s.csv", tmp_path / "s.png"
    run = run_python([EXAMPLE, "--tacc", "0.1", "--teff", "2", "--dt", "0.002",
                      "--out", out, "--plot", png], [PACKAGE_ROOT], tmp_path)
    assert run.returncode == 0, run.stderr
    taus, taur = yoffe.from_tacc_teff(tacc=0.1, teff=2.0)
    check_samples(out, taus, taur, 0.002)
    assert png.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"


def test_example_without_matplotlib(tmp_path):
    # A matplotlib that fails to import stands for a missing one.
    fake = tmp_path / "fake" / "matplotlib"
    fake.mkdir(parents=True)
    (fake / "__init__.py").write_text('raise ImportError("no matplotlib here")\n')
    args = ["--taus", "0", "--taur", "1.5", "--out", "z.csv", "--plot", "z.png"]
    run = run_python([EXAMPLE, *args], [tmp_path / "fake", PACKAGE_ROOT], tmp_path)
    assert run.returncode == 0, run.stderr
    assert "matplotlib is not installed" in run.stderr
    assert "infinite at the onset" in run.stdout
    assert not (tmp_path / "z.png").exists()
    check_samples(tmp_path / "z.csv", 0.0, 1.5, 0.005)


@pytest.mark.parametrize("args, message", [
    (["--taus", "-1"], TAUS_RULE),
    (["--taur", "0"], TAUR_RULE),
    (["--tacc", "0.1"], "--tacc and --teff go together"),
    (["--tacc", "1.5", "--teff", "2"], "0 < tacc < teff / 2"),
    (["--taus", "0.1", "--tacc", "0.2", "--teff", "2"], "either"),
    (["--dt", "0"], "--dt must be"),
    (["--dt", "nan"], "--dt must be"),
])
def test_example_refuses_bad_arguments(tmp_path, args, message):
    run = run_python([EXAMPLE, *args], [PACKAGE_ROOT], tmp_path)
    assert run.returncode == 2 and message in run.stderr
    assert not (tmp_path / "yoffe_source.csv").exists()
