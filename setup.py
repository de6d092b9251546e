"""Builds the extensions yoffe._core, the package's ufuncs (python/yoffe/_core.cc)
and the library's sources (lib/stf), compiled as the library is compiled
(C++20, no fused multiply-add, so that every value is the library's to the
bit), and yoffe._srf, the SRF reader and writer (python/yoffe/_srf.cc and
lib/srf).  The version is the project's, read from CMakeLists.txt."""
import os
import re

import numpy
from setuptools import Extension, setup

HERE = os.path.dirname(os.path.abspath(__file__))


def project_version():
    with open(os.path.join(HERE, "CMakeLists.txt"), encoding="utf-8") as cmake:
        return re.search(r"project\(yoffe VERSION ([0-9.]+)", cmake.read()).group(1)


VERSION = project_version()
LIBRARY = ["amplitude_spectrum.cc", "c_interface.cc", "peak_time.cc", "rupture.cc",
           "time_history.cc"]

core = Extension(
    "yoffe._core",
    sources=["python/yoffe/_core.cc"] + ["lib/stf/" + name for name in LIBRARY],
    include_dirs=["include", "lib", numpy.get_include()],
    define_macros=[("YOFFE_STATIC", None), ("YOFFE_VERSION", '"%s"' % VERSION)],
    extra_compile_args=["-std=c++20", "-ffp-contract=off", "-fno-fast-math", "-fno-math-errno",
                        "-fno-exceptions", "-fvisibility=hidden"],
    language="c++",
)

# SRF files: yoffe.srf's reader and writer, the C++ ones (lib/srf), with
# exceptions, which they throw.
SRF = ["moment_rate.cc", "number_text.cc", "read.cc", "replaced_file.cc", "write.cc"]
srf = Extension(
    "yoffe._srf",
    sources=["python/yoffe/_srf.cc"] + ["lib/srf/" + name for name in SRF],
    include_dirs=["include", numpy.get_include()],
    extra_compile_args=["-std=c++20", "-ffp-contract=off", "-fno-fast-math",
                        "-fvisibility=hidden"],
    language="c++",
)

# Intermediate files under build/, with the CMake builds, not beside the
# sources.
BUILD = os.path.join("build", "python-package")
os.makedirs(BUILD, exist_ok=True)

setup(
    version=VERSION,
    options={"build": {"build_base": BUILD}, "egg_info": {"egg_base": BUILD}},
    packages=["yoffe"],
    package_dir={"": "python"},
    # The stubs and the typing marker; the extension's source, which the
    # source distribution carries (MANIFEST.in), stays out of the wheel.
    package_data={"yoffe": ["py.typed", "__init__.pyi", "ufunc.pyi", "srf.pyi"]},
    include_package_data=False,
    ext_modules=[core, srf],
    zip_safe=False,
)
