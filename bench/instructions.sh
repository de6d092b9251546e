#!/usr/bin/env bash
# Prints the number of instructions (callgrind's total Ir) that one whole run
# of `yoffe </dev/null` executes, for the tool as the README's run command
# builds it (the release preset: Release, link-time optimisation, in
# build/release), run in a fresh temporary directory.  Unlike wall time, the
# figure repeats exactly from run to run on the same toolchain.
#
#   bench/instructions.sh            # prints e.g. 1234567
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

command -v valgrind >/dev/null || { echo "valgrind is needed (Debian package valgrind)" >&2; exit 2; }

cmake --workflow --preset release >/dev/null
tool="$root/build/release/yoffe"

run_dir="$(mktemp -d)"
trap 'rm -rf "$run_dir"' EXIT
(
  cd "$run_dir"
  valgrind --tool=callgrind --callgrind-out-file="$run_dir/callgrind.out" \
    --log-file="$run_dir/valgrind.log" "$tool" </dev/null >/dev/null
)
# "==pid== Collected : 1234567" is the total of the event counted (Ir).
total="$(sed -n 's/^==[0-9]*== Collected : \([0-9]*\).*/\1/p' "$run_dir/valgrind.log")"
[ -n "$total" ] || { cat "$run_dir/valgrind.log" >&2; exit 1; }
echo "$total"
