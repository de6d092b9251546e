"""Tests of the Python package yoffe and of examples/python/sample_source.py.

Run with the package of a build on the path, e.g.

    PYTHONPATH=build/ci/python PYTHONDONTWRITEBYTECODE=1 \\
        /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/python

The values are checked against the 50-digit references of
tests/data/stf_reference.txt, at the accuracy libyoffe promises.
"""
import doctest
import math
import os
import shutil
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
BAD_SOURCES = [(-0.01, 3.1), (-math.inf, 3.1), (math.inf, 3.1), (math.nan, 3.1),
               (0.02, 0.0), (0.02, -1.0), (0.02, math.inf), (0.02, math.nan), (0.0, 0.0),
               (1e-220, 1.0), (0.0, 1e300), (1e51, 1.0)]
nan, inf = math.nan, math.inf


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
        got = function(t, taus, taur)
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
        got = yoffe.amplitude_spectrum(f[keep], taus, taur)
        np.testing.assert_array_less(np.abs(got - expected[keep]), 1e-13 * envelope[keep],
                                     err_msg="taus=%r taur=%r" % (taus, taur))
        checked += keep.sum()
    assert checked > 1000


def test_peak_time_matches_the_references():
    assert len(TABLE["peak"]) == 32
    for (taus, taur), [[expected]] in TABLE["peak"].items():
        got = yoffe.peak_time(taus, taur)
        assert type(got) is float
        assert abs(got - expected) <= 1e-12 * expected, (taus, taur)


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
@pytest.mark.parametrize("scalar", [0.0266, 1, np.float32(0.5), np.float64(1.55),
                                    np.array(3.0), np.int64(2)])
def test_a_scalar_gives_a_float(function, scalar):
    got = function(scalar, TAUS, TAUR)
    assert type(got) is float
    assert got == function([float(scalar)], TAUS, TAUR)[0]


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_arrays_keep_their_shape(function):
    expected = np.array([function(x, TAUS, TAUR) for x in X])
    for given in (X, tuple(X), np.array(X), np.array(X, dtype=">f8")):
        got = function(given, TAUS, TAUR)
        assert isinstance(got, np.ndarray) and got.dtype == np.float64
        np.testing.assert_array_equal(got, expected)
    got = function(np.reshape(X, (2, 3)), TAUS, TAUR)
    assert got.shape == (2, 3)
    np.testing.assert_array_equal(got, expected.reshape(2, 3))
    got = function([[X]], TAUS, TAUR)
    assert got.shape == (1, 1, 6)
    np.testing.assert_array_equal(got.ravel(), expected)
    assert function([], TAUS, TAUR).shape == (0,)
    assert function(np.zeros((3, 0)), TAUS, TAUR).shape == (3, 0)


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_views_are_read_in_their_own_order(function):
    expected = function(X, TAUS, TAUR)
    spaced = np.full(2 * len(X), 7.0)
    spaced[::2] = X
    np.testing.assert_array_equal(function(spaced[::2], TAUS, TAUR), expected)
    np.testing.assert_array_equal(function(np.array(X[::-1])[::-1], TAUS, TAUR), expected)
    transposed = np.reshape(X, (3, 2)).T  # Fortran order
    got = function(transposed, TAUS, TAUR)
    assert got.shape == (2, 3)
    np.testing.assert_array_equal(got, expected.reshape(3, 2).T)


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_other_dtypes_are_converted(function):
    ints = [0, 1, 2, 3]
    expected = function([0.0, 1.0, 2.0, 3.0], TAUS, TAUR)
    for given in (ints, np.array(ints, dtype=np.int32), np.array(ints, dtype=np.uint8),
                  np.array(ints, dtype=np.float32)):
        got = function(given, TAUS, TAUR)
        assert got.dtype == np.float64
        np.testing.assert_array_equal(got, expected)
    # The source may be given as integers or numpy scalars too.
    np.testing.assert_array_equal(function(ints, np.float32(0.5), 3), function(ints, 0.5, 3.0))


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
def test_the_input_is_left_alone(function):
    given = np.array(X)
    got = function(given, TAUS, TAUR)
    assert got is not given and not np.shares_memory(got, given)
    np.testing.assert_array_equal(given, X)


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
@pytest.mark.parametrize("taus, taur", [(TAUS, TAUR), (0.0, 3.1)])
def test_nan_stays_in_place(function, taus, taur):
    got = function([0.5, nan, 1.0, nan, 2.0], taus, taur)
    np.testing.assert_array_equal(np.isnan(got), [False, True, False, True, False])
    np.testing.assert_array_equal(got[[0, 2, 4]], function([0.5, 1.0, 2.0], taus, taur))
    assert math.isnan(function(nan, taus, taur))


@pytest.mark.parametrize("taus, taur", [(TAUS, TAUR), (0.0, 3.1), (85.0, 1.7), (0.02, 0.0002)])
def test_outside_the_support(taus, taur):
    end = taur + 2 * taus
    before = [-inf, -1e300, -end, -1e-300, -0.0, 0.0]
    after = [end * (1 + 1e-12), 2 * end, 1e300, inf]
    t = before + after
    np.testing.assert_array_equal(yoffe.slip_rate(t, taus, taur), 0.0)
    np.testing.assert_array_equal(yoffe.slip_acceleration(t, taus, taur), 0.0)
    np.testing.assert_array_equal(yoffe.slip(t, taus, taur),
                                  [0.0] * len(before) + [1.0] * len(after))
    # ... while inside it the rate is positive and the slip strictly between 0 and 1.
    inside = np.linspace(0, end, 9)[1:-1]
    assert np.all(yoffe.slip_rate(inside, taus, taur) > 0)
    assert np.all((yoffe.slip(inside, taus, taur) > 0) & (yoffe.slip(inside, taus, taur) < 1))


@pytest.mark.parametrize("taus, taur", [(TAUS, TAUR), (0.0, 0.37), (17.0, 1.7)])
def test_amplitude_is_even_and_one_at_zero(taus, taur):
    f = np.concatenate([np.geomspace(1e-6, 1e6, 301), np.linspace(0, 30, 301)])
    got = yoffe.amplitude_spectrum(f, taus, taur)
    np.testing.assert_array_equal(yoffe.amplitude_spectrum(-f, taus, taur), got)
    assert yoffe.amplitude_spectrum(0.0, taus, taur) == 1.0
    assert yoffe.amplitude_spectrum(-0.0, taus, taur) == 1.0
    np.testing.assert_array_equal(yoffe.amplitude_spectrum([inf, -inf], taus, taur), 0.0)
    assert np.all((got >= 0) & (got <= 1))


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
@pytest.mark.parametrize("taus, taur", BAD_SOURCES)
def test_bad_sources_raise(function, taus, taur):
    with pytest.raises(ValueError, match=r"the source needs taur from 1e-100 to 1e100 s and "
                       r"taus = 0 or from taur \* 1e-50 to taur \* 1e50"):
        function(X, taus, taur)
    with pytest.raises(ValueError, match="got taus="):
        function(0.5, taus, taur)
    with pytest.raises(ValueError):
        function([], taus, taur)


@pytest.mark.parametrize("taus, taur", BAD_SOURCES + [(0.0, 3.1)])
def test_peak_time_needs_a_smoothed_source(taus, taur):
    with pytest.raises(ValueError,
                       match=r"peak_time needs taus > 0 and a source of the domain .*; got taus="):
        yoffe.peak_time(taus, taur)


@pytest.mark.parametrize("tacc, teff", [(0.0, 3.0), (-0.1, 3.0), (1.5, 3.0), (2.0, 3.0),
                                        (0.1, -1.0), (nan, 3.0), (0.1, nan), (0.1, inf),
                                        (inf, inf), (-inf, 3.0)])
def test_from_tacc_teff_needs_tacc_below_half_teff(tacc, teff):
    with pytest.raises(ValueError,
                       match=r"0 < tacc < teff / 2 and a source of the domain; got tacc="):
        yoffe.from_tacc_teff(tacc, teff)


@pytest.mark.parametrize("function", ARRAY_FUNCTIONS)
@pytest.mark.parametrize("given", ["abc", ["1.0", "x"], [[1.0, 2.0], [3.0]], object()])
def test_non_numbers_are_refused(function, given):
    with pytest.raises((TypeError, ValueError)):
        function(given, TAUS, TAUR)


@pytest.mark.parametrize("taus, taur", [("x", 3.1), (0.02, None), (0.02, [1.0, 2.0])])
def test_non_number_sources_are_refused(taus, taur):
    for function in ARRAY_FUNCTIONS:
        with pytest.raises((TypeError, ValueError)):
            function(0.5, taus, taur)
    with pytest.raises((TypeError, ValueError)):
        yoffe.peak_time(taus, taur)
    with pytest.raises((TypeError, ValueError)):
        yoffe.from_tacc_teff(taus, taur)


# The sources whose (peak time, duration) holds them: taur / taus from 1e-15
# up and taur inside the domain's ends (the way back may round past them).
@pytest.mark.parametrize("taus, taur", [(s, r) for s, r in sorted(TABLE["peak"])
                                        if r / s >= 1e-15 and 1e-99 < r < 1e99])
def test_from_tacc_teff_undoes_peak_time(taus, taur):
    teff = taur + 2 * taus
    got = yoffe.from_tacc_teff(yoffe.peak_time(taus, taur), teff)
    assert type(got) is tuple and all(type(x) is float for x in got)
    assert abs(got[0] - taus) <= 1e-12 * teff
    assert abs(got[1] - taur) <= 1e-12 * teff


@pytest.mark.parametrize("tacc, teff", [(0.03, 3.14), (1.0, 2.5), (0.49, 1.0), (1e-6, 1.0),
                                        (1e-3, 1e3), (0.1, 0.2000001)])
def test_peak_time_undoes_from_tacc_teff(tacc, teff):
    taus, taur = yoffe.from_tacc_teff(tacc, teff)
    assert 0 < taus and 0 < taur
    assert abs(yoffe.peak_time(taus, taur) - tacc) <= 1e-12 * tacc
    assert abs(taur + 2 * taus - teff) <= 1e-15 * teff
    # The peak time is where the rate is largest and the acceleration changes sign.
    t = tacc * np.array([0.999, 1.0, 1.001])
    rate = yoffe.slip_rate(t, taus, taur)
    assert rate[1] > rate[0] and rate[1] > rate[2]
    acc = yoffe.slip_acceleration(t, taus, taur)
    assert acc[0] > 0 > acc[2]


def test_a_million_samples_in_one_call():
    t = np.linspace(-0.5, 3.6, 1_000_001)
    rate = yoffe.slip_rate(t, TAUS, TAUR)
    slip = yoffe.slip(t, TAUS, TAUR)
    acc = yoffe.slip_acceleration(t, TAUS, TAUR)
    amp = yoffe.amplitude_spectrum(t * 100, TAUS, TAUR)
    for got in (rate, slip, acc, amp):
        assert got.shape == t.shape and np.all(np.isfinite(got))
    # Every sample is the one a short call gives ...
    picks = np.arange(0, t.size, 9973)
    np.testing.assert_array_equal(rate[picks], yoffe.slip_rate(t[picks], TAUS, TAUR))
    np.testing.assert_array_equal(acc[picks], yoffe.slip_acceleration(t[picks], TAUS, TAUR))
    np.testing.assert_array_equal(amp[picks], yoffe.amplitude_spectrum(t[picks] * 100, TAUS, TAUR))
    # ... and the slip is the running integral of the rate (trapezoid rule).
    running = np.concatenate([[0.0], np.cumsum((rate[1:] + rate[:-1]) / 2 * np.diff(t))])
    assert np.max(np.abs(running - slip)) < 1e-6
    assert slip[0] == 0.0 and slip[-1] == 1.0


def test_docstring_examples():
    assert doctest.testmod(yoffe).failed == 0
    assert yoffe.__version__ == os.environ["YOFFE_VERSION"]
    assert sorted(yoffe.__all__) == sorted(f.__name__ for f in ARRAY_FUNCTIONS
                                           + [yoffe.peak_time, yoffe.from_tacc_teff])


# Loading the library, in a fresh interpreter each time.

def run_python(args, pythonpath, cwd, library=None):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(map(str, pythonpath)),
               PYTHONDONTWRITEBYTECODE="1", MPLCONFIGDIR=str(cwd / "mplconfig"))
    env.pop("YOFFE_LIBRARY", None)
    if library is not None:
        env["YOFFE_LIBRARY"] = str(library)
    return subprocess.run([sys.executable, *map(str, args)], cwd=cwd, env=env,
                          capture_output=True, text=True, timeout=300)


PACKAGE_ROOT = Path(yoffe.__file__).resolve().parents[1]
PRINT_LIBRARY = ["-c", "import yoffe; print(yoffe._LIBRARY_PATH); "
                        "print(yoffe.slip(1.57, 0.02, 3.1))"]


def test_the_environment_names_the_library(tmp_path):
    copy = tmp_path / "my_libyoffe.so"
    shutil.copy(yoffe._LIBRARY_PATH, copy)
    run = run_python(PRINT_LIBRARY, [PACKAGE_ROOT], tmp_path, library=copy)
    assert run.returncode == 0, run.stderr
    assert run.stdout.split() == [str(copy), repr(yoffe.slip(1.57, 0.02, 3.1))]


def test_a_missing_library_is_named(tmp_path):
    missing = tmp_path / "no_such_libyoffe.so"
    run = run_python(PRINT_LIBRARY, [PACKAGE_ROOT], tmp_path, library=missing)
    assert run.returncode != 0
    assert "ImportError" in run.stderr and str(missing) in run.stderr


def test_an_installed_package_finds_the_library_relative_to_itself(tmp_path):
    # As `cmake --install` lays it out: <prefix>/lib/python3.X/dist-packages/yoffe
    # and <prefix>/lib/libyoffe..., with _library.py holding the relative path.
    site = tmp_path / "prefix" / "lib" / "python3" / "dist-packages"
    (site / "yoffe").mkdir(parents=True)
    shutil.copy(Path(yoffe.__file__), site / "yoffe" / "__init__.py")
    library = tmp_path / "prefix" / "lib" / Path(yoffe._LIBRARY_PATH).name
    shutil.copy(yoffe._LIBRARY_PATH, library)
    relative = os.path.relpath(library, site / "yoffe")
    assert not os.path.isabs(relative)
    (site / "yoffe" / "_library.py").write_text('LIBRARY = r"%s"\n' % relative)
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    run = run_python(PRINT_LIBRARY, [site], elsewhere)
    assert run.returncode == 0, run.stderr
    assert run.stdout.split()[0] == str(library)
    # Without _library.py the package says what it needs.
    (site / "yoffe" / "_library.py").unlink()
    run = run_python(PRINT_LIBRARY, [site], elsewhere)
    assert run.returncode != 0 and "YOFFE_LIBRARY" in run.stderr


# The example script, run into a temporary folder.

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
    np.testing.assert_allclose(rate, yoffe.slip_rate(t, taus, taur), rtol=0, atol=1e-9)
    np.testing.assert_allclose(slip, yoffe.slip(t, taus, taur), rtol=0, atol=1e-9)
    np.testing.assert_allclose(acc, yoffe.slip_acceleration(t, taus, taur), rtol=0, atol=1e-6)
    assert slip[-1] == 1.0 and rate.max() > 0


def test_example_with_the_default_source(tmp_path):
    run = run_python([EXAMPLE], [PACKAGE_ROOT], tmp_path)
    assert run.returncode == 0, run.stderr
    assert "T_acc = %.9g s" % yoffe.peak_time(0.02, 3.1) in run.stdout
    check_samples(tmp_path / "yoffe_source.csv", 0.02, 3.1, 0.005)


def test_example_with_tacc_teff_and_a_plot(tmp_path):
    pytest.importorskip("matplotlib")
    out, png = tmp_path / "s.csv", tmp_path / "s.png"
    run = run_python([EXAMPLE, "--tacc", "0.1", "--teff", "2", "--dt", "0.002",
                      "--out", out, "--plot", png], [PACKAGE_ROOT], tmp_path)
    assert run.returncode == 0, run.stderr
    taus, taur = yoffe.from_tacc_teff(0.1, 2.0)
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
    (["--taus", "-1"], "the source needs taur from 1e-100 to 1e100 s"),
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
