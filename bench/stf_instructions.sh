#!/usr/bin/env bash
# Prints the instructions per sample (callgrind's Ir over 10^5 samples) of
# the library's slip rate and of the plain closed form, side by side, at each
# TauR/TauS of bench/stf_bench.cc, and their quotient.  Builds the
# benchmarks in build/bench (Release) unless given the stf_bench to count:
#
#   bench/stf_instructions.sh [STF_BENCH]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
command -v valgrind >/dev/null || { echo "valgrind is needed (Debian package valgrind)" >&2; exit 2; }
bench="${1:-}"
if [ -z "$bench" ]; then
  cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DYOFFE_BUILD_BENCHMARKS=ON >/dev/null
  cmake --build "$root/build/bench" --target stf_bench -j2 >/dev/null
  bench="$root/build/bench/bench/stf_bench"
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The instructions of one function over the one-iteration run of a benchmark.
count() {
  valgrind --tool=callgrind --callgrind-out-file="$work/out" --log-file="$work/log" \
    --collect-atstart=no --toggle-collect="$2" \
    "$bench" --benchmark_filter="^$1/iterations:1\$" >/dev/null 2>&1
  sed -n 's/^==[0-9]*== Collected : \([0-9]*\).*/\1/p' "$work/log"
}

ratios=(0.01 0.1 1 2 10 155 10000)
printf '%-10s %12s %12s %9s\n' "TauR/TauS" "library" "closed form" "quotient"
for i in "${!ratios[@]}"; do
  library="$(count "BM_SlipRate/$i" 'yoffe_slip_rate')"
  closed="$(count "BM_ClosedForm/$i" '*closed_form*')"
  awk -v r="${ratios[$i]}" -v a="$library" -v b="$closed" \
    'BEGIN { printf "%-10s %12.1f %12.1f %9.2f\n", r, a / 1e5, b / 1e5, a / b }'
done
