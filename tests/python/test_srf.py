"""yoffe.srf: SRF files read into arrays and written from them by the C++
reader and writer, to the bit, with the reader's refusals as ValueError and
nothing left behind by a failed write."""
import os
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

from yoffe import srf


def rupture(n, seed=5, version="2.0"):
    rng = np.random.default_rng(seed)
    r = {name: rng.uniform(-10.0, 10.0, n) for name in srf.FIELDS}
    r.update(version=version, area=rng.uniform(1e9, 1e11, n), dt=np.full(n, 0.01),
             vs=rng.uniform(2e5, 4e5, n), den=rng.uniform(2.0, 3.0, n),
             comments=["written by the tests", ""] if version == "2.0" else [],
             blocks=np.array([n - n // 3, 0, n // 3]))
    for axis, most in ((1, 40), (2, 5), (3, 0)):
        counts = rng.integers(0, most + 1, n)
        r["nt%d" % axis] = counts
        r["offsets%d" % axis] = np.concatenate(([0], np.cumsum(counts)))
        r["sr%d" % axis] = rng.standard_normal(counts.sum()) * 10.0 ** rng.integers(-300, 300)
    if version == "2.0":
        r["segments"] = {name: rng.uniform(1.0, 50.0, 2) for name in srf.SEGMENT_FIELDS}
        r["segments"]["nstk"] = np.array([10, 20])
        r["segments"]["ndip"] = np.array([5, 7])
    else:
        r["vs"] = np.full(n, -1.0)
        r["den"] = np.full(n, -1.0)
    return r


@pytest.mark.parametrize("version", ["2.0", "1.0"])
def test_a_rupture_comes_back_to_the_bit(tmp_path, version):
    r = rupture(300, version=version)
    srf.write(tmp_path / "r.srf", r)
    back = srf.read(tmp_path / "r.srf")
    assert back["version"] == version and back["comments"] == r["comments"]
    assert back["blocks"].tolist() == r["blocks"].tolist()
    for name in srf.FIELDS + ("sr1", "sr2", "sr3", "offsets1", "offsets2", "offsets3", "nt1"):
        assert np.array_equal(back[name], r[name]), name
        assert back[name].flags.c_contiguous
    if version == "2.0":
        for name in srf.SEGMENT_FIELDS:
            assert np.array_equal(back["segments"][name], r["segments"][name]), name
    else:
        assert all(len(v) == 0 for v in back["segments"].values())


def test_a_file_written_by_hand_reads_in_any_layout(tmp_path):
    text = ("2.0\r\n# a comment\r\nPOINTS 2\r\n"
            "1 2 3 4 5 6 0.5 0.1 -1 -1\r\n90 10 5 0 0 0 0\r\n1 2 3 4 5\r\n"
            "1 2 3 4 5 6 0.5 0.1 3e5 2.7\r\n90 0 0 1 2 2 3\r\n7\r\n8 9 10\r\n11\r\n")
    (tmp_path / "h.srf").write_bytes(text.encode())
    r = srf.read(tmp_path / "h.srf")
    assert r["comments"] == ["a comment"]
    assert r["sr1"].tolist() == [1, 2, 3, 4, 5] and r["nt1"].tolist() == [5, 0]
    assert r["sr2"].tolist() == [7, 8] and r["sr3"].tolist() == [9, 10, 11]
    assert r["vs"].tolist() == [-1.0, 3e5]


@pytest.mark.parametrize("text, where", [
    ("2.0\nPOINTS 2\n1 2 3 4 5 6 0.5 0.1 -1 -1\n90 10 3 0 0 0 0\n1 2\n", ":5: "),
    ("2.0\nPOINTS 1\n1 2 3 4 5 6 0.5 0.1\n", ":3: "),
    ("1.0\nPOINTS 1\n1 2 3 4 5 6 0.5 0.1\n90 10 x 0 0 0 0\n", ":4: "),
    ("3.0\nPOINTS 0\n", ":1: "),
])
def test_a_bad_file_is_refused_with_its_line(tmp_path, text, where):
    (tmp_path / "bad.srf").write_text(text)
    with pytest.raises(ValueError, match="bad.srf" + where):
        srf.read(tmp_path / "bad.srf")


def test_a_missing_file_is_an_os_error(tmp_path):
    with pytest.raises(FileNotFoundError):
        srf.read(tmp_path / "none.srf")
    for call in (srf.read, lambda p: srf.moment_rate(p, rigidity=3e10)):
        with pytest.raises(IsADirectoryError):
            call(tmp_path)


@pytest.mark.parametrize("change, message", [
    (lambda r: r.pop("lon"), "no lon"),
    (lambda r: r.__setitem__("slip1", np.array([np.nan] * 300)), "SLIP1"),
    (lambda r: r.__setitem__("blocks", [5]), "add up"),
    (lambda r: r.__setitem__("blocks", [301, -1]), "must be >= 0"),
    (lambda r: r["segments"].__setitem__("nstk", [np.nan, 2.5]), "whole numbers"),
    (lambda r: r.update({name: r[name][:0] for name in srf.FIELDS}, blocks=[], sr1=[], sr2=[],
                        offsets1=[0], offsets2=[0], offsets3=[0]), "without a POINTS block"),
    (lambda r: r.__setitem__("offsets1", r["offsets1"][::-1]), "offsets"),
    (lambda r: r.__setitem__("version", "3.0"), "version"),
])
def test_a_bad_rupture_writes_nothing_and_replaces_nothing(tmp_path, change, message):
    target = tmp_path / "r.srf"
    target.write_text("kept")
    r = rupture(300)
    change(r)
    with pytest.raises(ValueError, match=message):
        srf.write(target, r)
    assert target.read_text() == "kept"
    assert os.listdir(tmp_path) == ["r.srf"]


def test_a_folder_that_is_not_there_is_an_os_error(tmp_path):
    with pytest.raises(FileNotFoundError):
        srf.write(tmp_path / "none" / "r.srf", rupture(3))
    if os.path.exists("/dev/full"):
        with pytest.raises(OSError, match="No space left"):
            srf.write("/dev/full", rupture(300))


def test_a_replaced_file_keeps_its_permissions_and_links(tmp_path):
    (tmp_path / "real").mkdir()
    target = tmp_path / "real" / "r.srf"
    target.write_text("old")
    target.chmod(0o604)
    (tmp_path / "link.srf").symlink_to(target)
    srf.write(tmp_path / "link.srf", rupture(30))
    assert (tmp_path / "link.srf").is_symlink()
    assert target.stat().st_mode & 0o7777 == 0o604
    assert srf.read(target)["lon"].size == 30
    assert os.listdir(tmp_path / "real") == ["r.srf"]


def test_the_variations_example_writes_moment_exact_files_on_dask(tmp_path):
    pytest.importorskip("dask.distributed")
    example = Path(__file__).resolve().parents[2] / "examples" / "python" / "rupture_variations.py"
    run = subprocess.run([sys.executable, str(example), "--variations", "4", "--workers", "2",
                          "--out", str(tmp_path / "out")],
                         capture_output=True, text=True, cwd=tmp_path, timeout=600,
                         env={"PATH": "/usr/bin:/bin", "HOME": str(tmp_path)})
    assert run.returncode == 0, run.stderr
    assert run.stdout.count("variation ") == 4
    assert len(os.listdir(tmp_path / "out")) == 12  # and no temporary file
    for seed in range(4):
        r = srf.read(tmp_path / "out" / ("variation_%d.srf" % seed))
        slip = np.add.reduceat(r["sr1"], r["offsets1"][:-1]) * r["dt"]
        assert np.max(np.abs(slip - r["slip1"]) / r["slip1"]) < 1e-13
        mu = r["den"] * 1000.0 * (r["vs"] / 100.0) ** 2
        moment = np.sum(mu * (r["area"] * 1e-4) * (r["slip1"] * 0.01))
        rate = np.loadtxt(tmp_path / "out" / ("variation_%d_moment_rate.csv" % seed),
                          delimiter=",", skiprows=1)
        assert rate[:, 1].sum() * (rate[1, 0] - rate[0, 0]) == pytest.approx(moment, rel=1e-12)
        # The file's samples give the closed form's function, step by step.
        t, of_file = srf.moment_rate(r)
        closed = dict(zip(np.rint(rate[:, 0] / 0.01).astype(int), rate[:, 1]))
        worst = max(abs(v - closed.get(j, 0.0)) for j, v in zip(np.rint(t / 0.01).astype(int), of_file))
        assert worst <= 1e-12 * rate[:, 1].max()


def test_the_moment_rate_keeps_the_moment_from_a_file_or_arrays(tmp_path):
    r = rupture(200)
    for axis in (1, 2, 3):
        r["sr%d" % axis] = np.abs(r["sr%d" % axis]) / (1.0 + np.abs(r["sr%d" % axis]))  # cm/s
    srf.write(tmp_path / "r.srf", r)
    t, rate = srf.moment_rate(tmp_path / "r.srf", dt=0.004)
    mu = r["den"] * 1000.0 * (r["vs"] / 100.0) ** 2
    # The moment of the samples: mu area (m^2) times the magnitude of the
    # axes' samples (m/s) times their step.
    moment = 0.0
    for i in range(200):
        axes = [r["sr%d" % a][r["offsets%d" % a][i]:r["offsets%d" % a][i + 1]] for a in (1, 2, 3)]
        n = max(len(x) for x in axes)
        if n == 0:
            continue
        padded = np.array([np.pad(x, (0, n - len(x))) for x in axes])
        magnitude = np.sqrt((padded ** 2).sum(0))  # one axis: its samples, all >= 0
        moment += mu[i] * r["area"][i] * 1e-4 * magnitude.sum() * 0.01 * r["dt"][i]
    assert rate.sum() * 0.004 == pytest.approx(moment, rel=1e-12)
    assert np.allclose(np.diff(t), 0.004) and t[0] == pytest.approx(round(t[0] / 0.004) * 0.004)
    t2, rate2 = srf.moment_rate(srf.read(tmp_path / "r.srf"), dt=0.004)
    assert np.array_equal(t, t2) and np.array_equal(rate, rate2)
    with pytest.raises(ValueError, match="point 1: no VS and DEN"):
        srf.moment_rate(dict(r, vs=-1.0))
    assert srf.moment_rate(dict(r, vs=-1.0), rigidity=3e10)[1].sum() > 0
    with pytest.raises(ValueError, match="dt must be > 0"):
        srf.moment_rate(r, dt=0.0)


def test_the_picture_example_draws_a_written_file(tmp_path):
    pytest.importorskip("matplotlib")
    r = rupture(50)
    r.update(sr2=np.zeros(0), nt2=0, sr3=np.zeros(0), nt3=0)
    r.pop("offsets2")
    r.pop("offsets3")
    srf.write(tmp_path / "r.srf", r)
    example = Path(__file__).resolve().parents[2] / "examples" / "python" / "srf_picture.py"
    run = subprocess.run([sys.executable, str(example), str(tmp_path / "r.srf"), "--out",
                          str(tmp_path / "r.png")], capture_output=True, text=True, cwd=tmp_path,
                         timeout=300, env={"MPLCONFIGDIR": str(tmp_path), "PATH": "/usr/bin:/bin"})
    assert run.returncode == 0, run.stderr
    assert (tmp_path / "r.png").stat().st_size > 10000
