#!/usr/bin/env bash
# Builds and runs every example against the library installed in PREFIX, as
# a consumer of that prefix would:
#
#   examples/run_examples.sh PREFIX
#
#   c/           C, built with pkg-config: the shared library (yoffe), and
#                the static one (yoffe-static) with gcc and with clang
#                (if installed), each of those needing no libyoffe.so
#   cmake/       C++, a CMake project with find_package(yoffe), linking
#                yoffe::stf, yoffe::stf_static and yoffe::stf_shared
#   python/      Python, the package installed from this source tree with pip
#                into a virtual environment (Debian's python3 with numpy)
#   fortran/     Fortran, with the installed interface module (needs gfortran)
#   README.md    the programs of its "Using it", as they stand
#   subproject/  the library built inside another project from this source
#                tree, with add_subdirectory and with FetchContent (when the
#                tree is a git repository): no program of yoffe's built,
#                nothing of yoffe's installed
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

# Whether a program needs the shared library.  (grep reads all of ldd's
# output: one that stopped at the first match could fail ldd's write.)
needs_libyoffe() { ldd "$1" | grep libyoffe >/dev/null; }

echo "--- C, built with pkg-config"
cc -std=c99 -Wall -Wextra -Werror "$examples/c/sample_source.c" \
  $(pkg-config --cflags --libs yoffe) -o "$work/sample_source_c"
"$work/sample_source_c" >"$work/c.out"
head -n 3 "$work/c.out"
ran=$((ran + 1))

for compiler in gcc clang; do
  command -v "$compiler" >/dev/null || { echo "--- (no $compiler)"; continue; }
  echo "--- C, the static library with $compiler (pkg-config yoffe-static)"
  "$compiler" -std=c99 -Wall -Wextra -Werror "$examples/c/sample_source.c" \
    $(pkg-config --cflags --libs yoffe-static) -o "$work/static_$compiler"
  if needs_libyoffe "$work/static_$compiler"; then
    echo "linked with the static library, yet needs libyoffe.so" >&2
    exit 1
  fi
  "$work/static_$compiler" | cmp - "$work/c.out"
  ran=$((ran + 1))
done

for target in yoffe::stf yoffe::stf_static yoffe::stf_shared; do
  echo "--- C++, CMake with find_package(yoffe), linking $target"
  cmake -S "$examples/cmake" -B "$work/cmake-${target#yoffe::}" -DCMAKE_PREFIX_PATH="$prefix" \
    -DYOFFE_TARGET="$target" >/dev/null
  cmake --build "$work/cmake-${target#yoffe::}" >/dev/null
  "$work/cmake-${target#yoffe::}/source_table" >"$work/cmake-${target#yoffe::}.out"
  head -n 2 "$work/cmake-${target#yoffe::}.out"
  ran=$((ran + 1))
done
if ! needs_libyoffe "$work/cmake-stf_shared/source_table" ||
  needs_libyoffe "$work/cmake-stf_static/source_table"; then
  echo "yoffe::stf_shared must need libyoffe.so, yoffe::stf_static not" >&2
  exit 1
fi

echo "--- Python, the package installed with pip into a virtual environment"
# Debian's python3 (with python3-venv, python3-pip, python3-setuptools and
# python3-numpy), from a copy of the source tree, without a package index.
mkdir "$work/python-source"
(cd "$examples/.." &&
  tar --exclude=./build --exclude=./.git --exclude-tag-all=pyvenv.cfg -cf - .) |
  tar -C "$work/python-source" -xf -
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
python=$work/venv/bin/python
"$python" -m pip install --quiet --no-build-isolation --no-index "$work/python-source"
(cd "$work" && PYTHONDONTWRITEBYTECODE=1 \
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
# Every program of the README's "Using it", as it stands: its fenced c,
# cpp, cmake (the C++ program's CMakeLists.txt), fortran and python blocks,
# one of each, written to main.c, main.cpp, ... in one folder.
echo "--- the programs of the README's \"Using it\""
readme="$work/readme"
mkdir "$readme"
awk -v dir="$readme" '
  /^### Using it/ { inside = 1; next }
  /^##/ { inside = 0 }
  inside && /^```[a-z]+$/ {
    file = dir "/main." substr($0, 4); sub(/main\.cmake$/, "CMakeLists.txt", file)
    sub(/main\.fortran$/, "main.f90", file); sub(/main\.python$/, "main.py", file)
    next
  }
  inside && /^```$/ { close(file); file = ""; next }
  file != "" { print > file }
' "$examples/../README.md"
for file in main.c main.cpp CMakeLists.txt main.f90 main.py; do
  [ -s "$readme/$file" ] || { echo "README: no $file in \"Using it\"" >&2; exit 1; }
done
(
  cd "$readme"
  cc -std=c99 -Wall -Wextra -Werror main.c $(pkg-config --cflags --libs yoffe) -o main_c
  ./main_c
  cmake -S . -B cmake -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build cmake >/dev/null
  ./cmake/my_program
  PYTHONDONTWRITEBYTECODE=1 "$python" main.py
  if command -v gfortran >/dev/null; then
    gfortran -Wall -Werror "$prefix/include/yoffe/yoffe_stf.f90" main.f90 -L"$libdir" -lyoffe \
      -o main_f
    ./main_f
  fi
) >"$work/readme.out"
cat "$work/readme.out"
ran=$((ran + 1))

# The library inside another project, from this source tree: it builds no
# program of yoffe's, and the project's install holds its own program only.
subproject() { # route, cmake options...
  local build="$work/subproject-$1"
  echo "--- the library inside another project, with $1"
  shift
  cmake -S "$examples/subproject" -B "$build" "$@" >/dev/null
  cmake --build "$build" -j2 >/dev/null
  "$build/sample_source" | cmp - "$work/c.out"
  local built installed
  built=$(find "$build" -type f \( -name yoffe -o -name yoffe-curves -o -name yoffe-srf -o -name 'libyoffe_*' \))
  [ -z "$built" ] || { echo "built by the subproject: $built" >&2; exit 1; }
  cmake --install "$build" --prefix "$build/prefix" >/dev/null
  installed=$(cd "$build/prefix" && find . -type f)
  [ "$installed" = ./bin/sample_source ] || { echo "installed: $installed" >&2; exit 1; }
  ran=$((ran + 1))
}
source="$(cd "$examples/.." && pwd)"
subproject add_subdirectory -DYOFFE_SOURCE="$source"
if commit=$(git -C "$source" rev-parse HEAD 2>/dev/null); then
  subproject FetchContent -DYOFFE_FETCH=ON -DYOFFE_SOURCE="$source" -DYOFFE_TAG="$commit"
else
  echo "--- (the source tree is no git repository: no FetchContent)"
fi
echo "examples: $ran ran against $prefix"
