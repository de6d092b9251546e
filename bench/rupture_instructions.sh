#!/usr/bin/env bash
# Prints the instructions per subfault (callgrind's Ir) of a rupture's
# moment-rate function on one thread, as bin averages, as the library's
# point-sampled sum, and as point samples by the per-time calls, side by
# side with the quotients against the per-time calls: the benchmarks of
# bench/rupture_bench.cc, with 10^4 subfaults for valgrind's sake.  Builds
# them in build/bench (Release) unless given the rupture_bench to count:
#
#   bench/rupture_instructions.sh [RUPTURE_BENCH]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
command -v valgrind >/dev/null || { echo "valgrind is needed (Debian package valgrind)" >&2; exit 2; }
bench="${1:-}"
if [ -z "$bench" ]; then
  cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DYOFFE_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build "$root/build/bench" --target rupture_bench -j2 >/dev/null
  bench="$root/build/bench/bench/rupture_bench"
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export YOFFE_BENCH_SUBFAULTS=10000
runs=$((10000 * 3))  # subfaults over the benchmark's three iterations

# The instructions inside the benchmark's loop.
count() {
  valgrind --tool=callgrind --callgrind-out-file="$work/out" --log-file="$work/log" \
    --collect-atstart=no --toggle-collect="$2" \
    "$bench" --benchmark_filter="^$1\$" >/dev/null 2>&1
  sed -n 's/^==[0-9]*== Collected : \([0-9]*\).*/\1/p' "$work/log"
}

calls="$(count 'BM_MomentRateByPerTimeCalls/iterations:3' '*BM_MomentRateByPerTimeCalls*')"
points="$(count 'BM_MomentRate/threads:1/averaged:0/iterations:3' 'yoffe_moment_rate')"
averages="$(count 'BM_MomentRate/threads:1/averaged:1/iterations:3' 'yoffe_moment_rate')"
awk -v c="$calls" -v p="$points" -v a="$averages" -v n="$runs" 'BEGIN {
  printf "%-36s %16s %9s\n", "4,096 steps of 0.05 s, one thread", "instr/subfault", "quotient"
  printf "%-36s %16.0f %9.2f\n", "point samples by yoffe_slip_rate", c / n, 1
  printf "%-36s %16.0f %9.2f\n", "point samples by yoffe_moment_rate", p / n, p / c
  printf "%-36s %16.0f %9.2f\n", "bin averages by yoffe_moment_rate", a / n, a / c
}'
