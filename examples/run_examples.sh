#!/usr/bin/env bash
# Builds and runs every example against the library installed in PREFIX, as
# a consumer of that prefix would:
#
#   examples/run_examples.sh PREFIX
#
#   c/        C, built with pkg-config
#   cmake/    C++, a CMake project with find_package(yoffe)
#   python/   Python with numpy (Debian's python3, or one on the PATH that has numpy)
#   fortran/  Fortran, with the installed interface module (needs gfortran)
#
# Everything is built in a temporary directory; the last line says how many
# examples ran.  Exits non-zero at the first failure.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PREFIX" >&2; exit 2; }
prefix="$(cd "$1" && pwd)"
examples="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

libdir="$(dirname "$(find "$prefix" -name yoffe.pc -path '*/pkgconfig/*' | head -n 1)")/.."
libdir="$(cd "$libdir" && pwd)"
export PKG_CONFIG_PATH="$libdir/pkgconfig"
export LD_LIBRARY_PATH="$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
ran=0

echo "--- C, built with pkg-config"
cc -std=c99 -Wall -Wextra -Werror "$examples/c/sample_source.c" \
  $(pkg-config --cflags --libs yoffe) -o "$work/sample_source_c"
"$work/sample_source_c" >"$work/c.out"
head -n 3 "$work/c.out"
ran=$((ran + 1))

echo "--- C++, CMake with find_package(yoffe)"
cmake -S "$examples/cmake" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
"$work/cmake/source_table"
ran=$((ran + 1))

echo "--- Python"
python=""
for candidate in /usr/bin/python3 python3; do
  if "$candidate" -c "import numpy" 2>/dev/null; then python="$candidate"; break; fi
done
[ -n "$python" ] || { echo "no python3 with numpy" >&2; exit 1; }
site="$(find "$prefix" -type d -path '*-packages/yoffe' | head -n 1)"
(cd "$work" && PYTHONPATH="$(dirname "$site")" PYTHONDONTWRITEBYTECODE=1 \
  "$python" "$examples/python/sample_source.py" --out "$work/source.csv")
ran=$((ran + 1))

if command -v gfortran >/dev/null; then
  echo "--- Fortran"
  (cd "$work" && gfortran -Wall -Werror -I"$prefix/include" "$prefix/include/yoffe/yoffe_stf.f90" \
    "$examples/fortran/sample_source.f90" -L"$libdir" -lyoffe -o sample_source_f)
  "$work/sample_source_f" >"$work/fortran.out"
  head -n 3 "$work/fortran.out"
  ran=$((ran + 1))
fi
echo "examples: $ran ran against $prefix"
