#!/usr/bin/env bash
# Prints the instructions per sample (callgrind's Ir over 10^5 samples) of
# the library's slip rate and of the plain closed form, side by side, at each
# TauR/TauS of bench/stf_bench.cc, and their quotient.  Builds the
# benchmarks in build/bench (Release) unless given the stf_bench to count:
#
#   bench/stf_instructions.sh [STF_BENCH]
set -euo pipefail
. "$(dirname "$0")/callgrind_counts.sh"
use_benchmark stf_bench "${1:-}"

ratios=(0.01 0.1 1 2 10 155 10000)
printf '%-10s %12s %12s %9s\n' "TauR/TauS" "library" "closed form" "quotient"
for i in "${!ratios[@]}"; do
  library="$(count "^BM_SlipRate/$i/iterations:1\$" 'yoffe_slip_rate')"
  closed="$(count "^BM_ClosedForm/$i/iterations:1\$" '*closed_form*')"
  awk -v r="${ratios[$i]}" -v a="$library" -v b="$closed" \
    'BEGIN { printf "%-10s %12.1f %12.1f %9.2f\n", r, a / 1e5, b / 1e5, a / b }'
done
