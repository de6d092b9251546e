#!/usr/bin/env bash
# The Python package as its users install it, in WORK: a copy of the source
# tree (so that nothing is built beside the real one; its build folders and
# any virtual environment in it left out), a fresh virtual
# environment with the system's site packages (Debian's numpy, pytest and
# dask), pip install from the source tree without a package index, the
# tests run from outside the tree against the installed package, a wheel,
# and pip uninstall, after which the package is gone.
#
#   tests/python/package_test.sh PYTHON SOURCE WORK VERSION [C_LIBRARY]
#
# C_LIBRARY, a shared libyoffe, is what the tests compare the package's
# values with, bit for bit.
set -euo pipefail
[ $# -ge 4 ] || { echo "usage: $0 PYTHON SOURCE WORK VERSION [C_LIBRARY]" >&2; exit 2; }
python=$1
source=$(cd "$2" && pwd)
work=$3
version=$4
library=${5:-}
rm -rf "$work"
mkdir -p "$work/source"
(cd "$source" && tar --exclude=./build --exclude=./.git --exclude-tag-all=pyvenv.cfg -cf - .) |
  tar -C "$work/source" -xf -

"$python" -m venv --system-site-packages "$work/venv"
venv=$work/venv/bin/python
"$venv" -m pip install --quiet --no-build-isolation --no-index "$work/source"
cd "$work"
"$venv" - <<'CHECK'
import yoffe, sys
assert "site-packages" in yoffe.__file__, yoffe.__file__
CHECK
YOFFE_VERSION=$version YOFFE_C_LIBRARY=$library PYTHONDONTWRITEBYTECODE=1 \
  MPLCONFIGDIR=$work/matplotlib "$venv" -m pytest -q -p no:cacheprovider "$work/source/tests/python"

"$venv" -m pip wheel --quiet --no-build-isolation --no-index --no-deps -w "$work/wheel" \
  "$work/source"
ls "$work"/wheel/yoffe-"$version"-*.whl

"$venv" -m pip uninstall --quiet --yes yoffe
if "$venv" -c "import yoffe" 2>/dev/null; then
  echo "import yoffe still works after pip uninstall yoffe" >&2
  exit 1
fi
left=$(find "$work/venv" -path '*-packages/yoffe*')
[ -z "$left" ] || { echo "left after pip uninstall: $left" >&2; exit 1; }
echo "the package installs, passes its tests, makes a wheel and uninstalls"
