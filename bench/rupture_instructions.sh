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
. "$(dirname "$0")/callgrind_counts.sh"
use_benchmark rupture_bench "${1:-}"
export YOFFE_BENCH_SUBFAULTS=10000
runs=$((10000 * 3))  # subfaults over the benchmark's three iterations

calls="$(count '^BM_MomentRateByPerTimeCalls/iterations:3$' '*BM_MomentRateByPerTimeCalls*')"
points="$(count '^BM_MomentRate/threads:1/averaged:0/iterations:3$' 'yoffe_moment_rate')"
averages="$(count '^BM_MomentRate/threads:1/averaged:1/iterations:3$' 'yoffe_moment_rate')"
awk -v c="$calls" -v p="$points" -v a="$averages" -v n="$runs" 'BEGIN {
  printf "%-36s %16s %9s\n", "4,096 steps of 0.05 s, one thread", "instr/subfault", "quotient"
  printf "%-36s %16.0f %9.2f\n", "point samples by yoffe_slip_rate", c / n, 1
  printf "%-36s %16.0f %9.2f\n", "point samples by yoffe_moment_rate", p / n, p / c
  printf "%-36s %16.0f %9.2f\n", "bin averages by yoffe_moment_rate", a / n, a / c
}'
