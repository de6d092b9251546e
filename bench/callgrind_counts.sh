# The shared part of bench/stf_instructions.sh and rupture_instructions.sh,
# sourced by them: valgrind checked, the benchmark program found, and the
# count of the instructions inside one benchmark.
command -v valgrind >/dev/null || { echo "valgrind is needed (Debian package valgrind)" >&2; exit 2; }
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The benchmark program TARGET: GIVEN where given, else built in
# build/bench (Release).  Sets $bench.
use_benchmark() { # TARGET [GIVEN]
  bench="${2:-}"
  if [ -z "$bench" ]; then
    cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
      -DYOFFE_BUILD_BENCHMARKS=ON >/dev/null
    cmake --build "$root/build/bench" --target "$1" -j2 >/dev/null
    bench="$root/build/bench/bench/$1"
  fi
}

# The instructions of the functions matching TOGGLE over the run of the
# benchmarks matching FILTER (callgrind's "Collected" Ir).
count() { # FILTER TOGGLE
  valgrind --tool=callgrind --callgrind-out-file="$work/out" --log-file="$work/log" \
    --collect-atstart=no --toggle-collect="$2" \
    "$bench" --benchmark_filter="$1" >/dev/null 2>&1
  sed -n 's/^==[0-9]*== Collected : \([0-9]*\).*/\1/p' "$work/log"
}
