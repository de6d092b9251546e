"""The package's bin averages, complex spectrum and sums over a rupture's
sources: the properties that the C library's own tests check, through the
package's broadcasting and checks."""
import math
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import yoffe

SOURCES = [(0.0, 1.0), (0.02, 3.1), (0.5, 1.0), (2.0, 1.0), (1e-4, 1.0)]


def rupture(n, seed=3):
    rng = np.random.default_rng(seed)
    return dict(onset=rng.uniform(0.0, 10.0, n), taus=rng.uniform(0.01, 0.3, n),
                taur=rng.uniform(0.2, 3.0, n), weight=rng.uniform(0.1, 2.0, n))


def test_averages_broadcast_as_the_one_source_calls_and_hold_the_slip():
    t = np.arange(-2, 122)[:, None] * 0.05  # past the longest support, 5 s
    taus, taur = np.array([s for s, _ in SOURCES]), np.array([r for _, r in SOURCES])
    grid = yoffe.slip_rate_average(t, dt=0.05, taus=taus, taur=taur)
    assert (grid >= 0).all()
    assert np.allclose(grid.sum(axis=0) * 0.05, 1.0, rtol=0, atol=1e-13)
    for j, (s, r) in enumerate(SOURCES):
        assert np.array_equal(grid[:, j], yoffe.slip_rate_average(t[:, 0], dt=0.05, taus=s, taur=r))


@pytest.mark.parametrize("dt, index", [(0.0, None), (-0.1, None), (math.nan, None),
                                       ([0.1, math.inf], (1,))])
def test_averages_need_a_positive_step(dt, index):
    with pytest.raises(ValueError, match="dt must be finite and > 0") as error:
        yoffe.slip_rate_average([0.5, 1.0], dt=dt, taus=0.1, taur=1.0)
    if index is not None:
        assert "at index %s" % (index,) in str(error.value)


@pytest.mark.parametrize("taus, taur", SOURCES)
def test_complex_spectrum_has_the_amplitude_and_conjugates_at_negative_frequencies(taus, taur):
    f = np.concatenate([[0.0], np.logspace(-3, 3, 200)])
    x = yoffe.complex_spectrum(f, taus=taus, taur=taur)
    assert x.dtype == np.complex128 and x[0] == 1
    amplitude = yoffe.amplitude_spectrum(f, taus=taus, taur=taur)
    assert np.allclose(np.abs(x), amplitude, rtol=4e-15, atol=0)
    assert np.array_equal(yoffe.complex_spectrum(-f, taus=taus, taur=taur), np.conj(x))
    single = yoffe.complex_spectrum(np.float32(f[:5]), taus=np.float32(taus), taur=np.float32(taur))
    assert single.dtype == np.complex64


@pytest.mark.parametrize("sampling", ["average", "point"])
def test_moment_rate_holds_the_weights_and_is_the_sources_sum(sampling):
    sources = rupture(300)
    dt, n = 0.01, 1500
    m = yoffe.moment_rate(**sources, t0=0.0, dt=dt, n=n, sampling=sampling)
    assert m.shape == (n,) and (m >= 0).all()
    weights = sources["weight"].sum()
    assert math.isclose(m.sum() * dt, weights, rel_tol=1e-12 if sampling == "average" else 2e-3)
    t = np.arange(n) * dt
    expected = sum(w * (yoffe.slip_rate_average(t - o, dt=dt, taus=s, taur=r)
                        if sampling == "average" else yoffe.slip_rate(t - o, taus=s, taur=r))
                   for o, s, r, w in zip(*sources.values()))
    assert np.allclose(m, expected, rtol=0, atol=1e-12 * weights)


def test_moment_rate_spectrum_is_the_shifted_sources_spectra():
    sources = rupture(100)
    f = np.array([0.0, 0.05, 0.5, 2.0, 9.0])
    x = yoffe.moment_rate_spectrum(f, **sources)
    expected = sum(w * np.exp(-2j * np.pi * f * o) * yoffe.complex_spectrum(f, taus=s, taur=r)
                   for o, s, r, w in zip(*sources.values()))
    weights = np.abs(sources["weight"]).sum()
    assert np.allclose(x, expected, rtol=0, atol=1e-13 * weights)
    assert math.isclose(x[0].real, weights, rel_tol=1e-14)


@pytest.mark.parametrize("change, rule", [("onset", "onset and weight must be finite"),
                                          ("weight", "onset and weight must be finite"),
                                          ("taus", "taus must be finite and >= 0")])
def test_a_bad_source_of_a_rupture_is_named(change, rule):
    sources = rupture(20)
    sources[change][7] = -math.inf if change == "taus" else math.nan
    for call in (lambda: yoffe.moment_rate(**sources, t0=0.0, dt=0.1, n=10),
                 lambda: yoffe.moment_rate_spectrum([0.0, 1.0], **sources)):
        with pytest.raises(ValueError, match=rule) as error:
            call()
        assert "at index (7,)" in str(error.value)


def test_moment_rate_refuses_a_bad_grid_and_sampling():
    sources = rupture(5)
    with pytest.raises(ValueError, match="dt > 0"):
        yoffe.moment_rate(**sources, t0=0.0, dt=0.0, n=10)
    with pytest.raises(ValueError, match="sampling"):
        yoffe.moment_rate(**sources, t0=0.0, dt=0.1, n=10, sampling="mean")


def test_centroid_and_duration_are_the_moments_of_the_averages():
    sources = rupture(50)
    total, centroid, duration = yoffe.moment_rate_centroid(**sources)
    dt = 1e-3
    m = yoffe.moment_rate(**sources, t0=0.0, dt=dt, n=15000)
    t = np.arange(m.size) * dt
    assert math.isclose(total, m.sum() * dt, rel_tol=1e-12)
    assert math.isclose(centroid, (t * m).sum() / m.sum(), rel_tol=1e-9)
    spread = ((t - centroid) ** 2 * m).sum() / m.sum() - dt * dt / 12
    assert math.isclose(duration, 2 * math.sqrt(spread), rel_tol=1e-7)
    sources["weight"][4] = -1.0
    with pytest.raises(ValueError, match=r"weight must be >= 0.*at index \(4,\)"):
        yoffe.moment_rate_centroid(**sources)


def test_sources_without_a_rise_are_their_limits():
    dt = 0.013
    t = np.arange(20) * dt - 0.0047
    impulse = yoffe.slip_rate_average(t, dt=dt, taus=0.0, taur=0.0)
    assert impulse[0] == 1 / dt and not impulse[1:].any()
    triangle = yoffe.slip_rate_average(t, dt=dt, taus=0.1, taur=0.0)
    assert math.isclose(triangle.sum() * dt, 1.0, abs_tol=1e-13)
    da = pytest.importorskip("dask.array")
    lazy = yoffe.slip_rate_average(da.from_array(t, chunks=7), dt=dt, taus=0.1,
                                   taur=da.zeros(20, chunks=7))
    assert np.array_equal(lazy.compute(), triangle)
    assert complex(yoffe.complex_spectrum(3.0, taus=0.0, taur=0.0)) == pytest.approx(1.0, abs=1e-15)
    m = yoffe.moment_rate(onset=[0.0], taus=0.0, taur=0.0, weight=2.0, t0=0.0, dt=0.1, n=3)
    assert m[0] == 2.0 / 0.1
    with pytest.raises(ValueError, match="impulse"):
        yoffe.moment_rate(onset=[0.0], taus=0.0, taur=0.0, weight=2.0, t0=0.0, dt=0.1, n=3,
                          sampling="point")
    with pytest.raises(ValueError, match="taur must be"):
        yoffe.slip_rate(0.5, taus=0.1, taur=0.0)


def test_the_moment_rate_example_draws_its_picture(tmp_path):
    pytest.importorskip("matplotlib")
    example = Path(__file__).resolve().parents[2] / "examples" / "python" / "moment_rate.py"
    run = subprocess.run([sys.executable, str(example), "--out", str(tmp_path / "r.png")],
                         capture_output=True, text=True, cwd=tmp_path, timeout=300,
                         env={"MPLCONFIGDIR": str(tmp_path), "PATH": "/usr/bin:/bin"})
    assert run.returncode == 0, run.stderr
    assert "coarse averages hold 1.000000000000 of it" in run.stdout
    assert (tmp_path / "r.png").stat().st_size > 10000
