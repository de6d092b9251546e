#!/usr/bin/env bash
# The Windows console builds (32-bit x86 and x86-64, MinGW-w64) run under
# Wine and compared byte for byte with the Linux build run in the same way,
# every line feed of the Linux output turned into carriage return + line feed:
#
#   run        a whole run in an empty directory, standard input at its end,
#              standard output redirected to a file: console, both files,
#              empty standard error, exit status 0;
#   read-only  Yoffe_Amp.csv present and not writable: the fatal report,
#              Yoffe_Slip.csv complete, Yoffe_Amp.csv untouched, the abort's
#              exit status 3;
#   directory  Yoffe_Slip.csv a directory: the fatal report (its first line
#              is the platform's own message), no file created, status 3;
#   interrupt  SIGINT while the closing prompt waits: "Interrupt", exit
#              status 1, both files complete;
#   exports    yoffe.dll exports the set of the Linux shared library
#              (tests/lib/exported_symbols.txt), std::span's extent mangled as
#              the platform's size_t; its import library and the static
#              libyoffe.a are beside it;
#   library    the library's own tests (tests/lib: the 50-digit references,
#              the interfaces, the properties, the digest of its results,
#              the domain's edges) and its cross-check with the tool's
#              kernel (tests/cross), built for Windows, each passing.  Wine turns SIGINT into a
#              console control event on a thread of its own, as Windows does
#              for Ctrl+C.  Where the 32-bit loader runs under qemu-i386,
#              Wine cannot deliver it (any 32-bit program crashes in Wine's
#              signal handler there), and the i686 case is skipped.
#
# usage: tests/windows/run_wine_tests.sh [--install]
#
#   --install  first installs what is missing, as root: Debian's MinGW-w64
#              compilers, wine, wine64 and wine32:i386 (adding the i386
#              architecture), and, on a kernel that cannot run 32-bit x86
#              programs itself, qemu-user with a binfmt_misc entry that runs
#              them through qemu-i386.
#
# Builds: the presets mingw-i686 and mingw-x86_64, and the tool alone for
# Linux in build/wine-reference.  Wine gets a fresh prefix in a temporary
# directory (WINEDEBUG=-all); its server is stopped at the end.  The last
# line is "windows: N passed, M failed, K skipped"; the exit status is 1 on
# any failure.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
root=$PWD

can_run_i386() {
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# Whether 32-bit x86 programs run through qemu-i386 here.
i386_emulated() {
  grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null
}

enable_i386_emulation() {
  local binfmt=/proc/sys/fs/binfmt_misc qemu
  qemu=$(command -v qemu-i386 || command -v qemu-i386-static) || return 1
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ -e "$binfmt/qemu-i386" ]; then
    echo 1 >"$binfmt/qemu-i386"
  else
    # 32-bit little-endian x86 ELF executables and shared objects.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
      >"$binfmt/register"
  fi
}

# apt-get update, again while a mirror is in the middle of a sync (an index
# then fails to match its release file), three times a minute apart; after
# that the indices it could fetch serve, and the install decides.
refresh_indices() {
  local try
  for try in 1 2 3; do
    apt-get update -qq && return 0
    [ "$try" = 3 ] || sleep 60
  done
  echo "windows: apt-get update failed; installing from the indices it has"
}

install_missing() {
  local packages=()
  command -v i686-w64-mingw32-g++-posix >/dev/null || packages+=(g++-mingw-w64-i686-posix)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || packages+=(g++-mingw-w64-x86-64-posix)
  command -v wine >/dev/null || packages+=(wine)
  [ -x /usr/lib/wine/wine64 ] || packages+=(wine64)
  if [ ${#packages[@]} -gt 0 ] || [ ! -x /usr/lib/wine/wine ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    refresh_indices
  fi
  if [ ${#packages[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      "${packages[@]}" >/dev/null || return 1
  fi
  # The 32-bit loader needs the i386 packages of the same versions as the
  # amd64 ones; where the mirror's i386 index cannot be had, the i686 build
  # is still built and its exports checked, and its runs are skipped (below).
  if [ ! -x /usr/lib/wine/wine ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      wine32:i386 >/dev/null ||
      echo "windows: wine32:i386 could not be installed from the package mirror"
  fi
  if ! can_run_i386; then
    if ! command -v qemu-i386 >/dev/null && ! command -v qemu-i386-static >/dev/null; then
      refresh_indices
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        qemu-user >/dev/null || return 1
    fi
    enable_i386_emulation
  fi
}

if [ "${1:-}" = --install ]; then
  install_missing || { echo "windows: installation failed"; exit 1; }
fi

work=$(mktemp -d)
export WINEDEBUG=-all
export WINEPREFIX=$work/prefix
wine64=/usr/lib/wine/wine64
wine32=/usr/lib/wine/wine
wineserver=/usr/lib/wine/wineserver

cleanup() {
  [ -x "$wineserver" ] && "$wineserver" -k >/dev/null 2>&1
  # Files made immutable for the read-only case must be released first.
  find "$work" -name Yoffe_Amp.csv -exec chattr -i {} + 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# --- Builds ---------------------------------------------------------------
build() {
  local log=$work/build-$1.log
  shift
  if ! "$@" >"$log" 2>&1; then
    cat "$log"
    echo "windows: build failed: $*"
    echo "windows: 0 passed, 1 failed"
    exit 1
  fi
}
echo "building: mingw-i686, mingw-x86_64, Linux reference"
build i686 cmake --workflow --preset mingw-i686
build x86_64 cmake --workflow --preset mingw-x86_64
build linux-configure cmake -S . -B build/wine-reference -DBUILD_TESTING=OFF
build linux cmake --build build/wine-reference --target yoffe -j2
linux_exe=$root/build/wine-reference/yoffe
declare -A exe=([i686]=$root/build/mingw-i686/yoffe.exe [x86_64]=$root/build/mingw-x86_64/yoffe.exe)
declare -A loader=([i686]=$wine32 [x86_64]=$wine64)

arches=(x86_64 i686)
# The builds whose runs go ahead: the i686 one needs Wine's 32-bit loader.
run_arches=(x86_64 i686)
if [ ! -x "$wine32" ]; then
  echo "windows: $wine32 (Debian wine32:i386) is missing: the i686 runs are skipped"
  run_arches=(x86_64)
fi
if [[ " ${run_arches[*]} " == *" i686 "* ]] && ! can_run_i386; then
  echo "windows: this machine cannot run 32-bit x86 programs, so Wine cannot run the"
  echo "i686 build; run with --install (as root) to add qemu-user and its binfmt entry"
  echo "windows: 0 passed, 1 failed"
  exit 1
fi

# --- The situations, set up the same way for Linux and for Windows --------
# Each takes an empty directory and prepares it.
setup_run() { :; }
setup_read_only() {
  printf 'older content\n' >"$1/Yoffe_Amp.csv"
  chmod 444 "$1/Yoffe_Amp.csv"
  # Root may write a file without write permission: make it immutable too.
  if [ "$(id -u)" = 0 ]; then chattr +i "$1/Yoffe_Amp.csv"; fi
}
setup_directory() { mkdir "$1/Yoffe_Slip.csv"; }
setup_interrupt() { :; }

# Runs a command with standard input at its end in directory $1.  (The
# subshell's own report of an abnormal termination is not wanted.)
run_in() {
  local dir=$1
  shift
  (cd "$dir" && timeout -s KILL 1200 "$@" </dev/null >stdout 2>stderr) 2>/dev/null
  echo $? >"$dir/status"
}

# Whether process $1 still runs (a zombie does not).
running() {
  [ -r "/proc/$1/stat" ] && ! grep -q '^[^)]*) Z' "/proc/$1/stat"
}

# Runs the command in $1 with standard input a pipe that stays open, and
# interrupts it once the closing prompt is on its console output.  The
# command runs under timeout, which catches SIGINT and hands it on: a
# background command of a script would otherwise start with SIGINT ignored.
run_interrupted() {
  local dir=$1
  shift
  mkfifo "$dir/stdin"
  (
    cd "$dir" || exit
    exec 3<>stdin
    timeout -s KILL 1200 "$@" <stdin >stdout 2>stderr &
    local pid=$!
    until grep -q 'Hit any key to stop' stdout 2>/dev/null || ! running "$pid"; do
      sleep 0.2
    done
    kill -INT "$pid" 2>/dev/null
    wait "$pid"
    echo $? >status
  ) 2>/dev/null
}

# The Linux output with every line feed turned into carriage return + line
# feed.
crlf() { sed 's/$/\r/' "$1"; }

# --- Checks ----------------------------------------------------------------
# Each check prints nothing when it holds, else what differs.
same_crlf() { # linux-file windows-file label
  if [ ! -e "$2" ]; then
    echo "$3: missing"
  elif ! cmp -s <(crlf "$1") "$2"; then
    echo "$3: differs from the Linux output with CR LF line ends ($(cmp <(crlf "$1") "$2" 2>&1 | sed 's/^.*differ: //'))"
  fi
}
status_is() { # dir expected
  local got
  got=$(cat "$1/status" 2>/dev/null)
  [ "$got" = "$2" ] || echo "exit status $got, expected $2"
}

check_run() { # linux-dir windows-dir
  status_is "$2" 0
  [ -s "$2/stderr" ] && echo "standard error not empty: $(head -c 200 "$2/stderr")"
  same_crlf "$1/stdout" "$2/stdout" console
  same_crlf "$1/Yoffe_Slip.csv" "$2/Yoffe_Slip.csv" Yoffe_Slip.csv
  same_crlf "$1/Yoffe_Amp.csv" "$2/Yoffe_Amp.csv" Yoffe_Amp.csv
}

check_read_only() {
  status_is "$2" 3
  same_crlf "$1/stderr" "$2/stderr" "standard error"
  same_crlf "$1/stdout" "$2/stdout" console
  same_crlf "$1/Yoffe_Slip.csv" "$2/Yoffe_Slip.csv" Yoffe_Slip.csv
  [ "$(cat "$2/Yoffe_Amp.csv")" = "older content" ] || echo "Yoffe_Amp.csv changed"
}

check_directory() {
  status_is "$2" 3
  # The first line is "open: " and the platform's message for its error.
  head -n 1 "$2/stderr" | grep -q $'^open: [^\r]*\r$' ||
    echo "first line of the report: $(head -n 1 "$2/stderr")"
  cmp -s <(crlf "$1/stderr" | tail -n +2) <(tail -n +2 "$2/stderr") ||
    echo "report after its first line differs: $(tail -n +2 "$2/stderr" | head -c 300)"
  same_crlf "$1/stdout" "$2/stdout" console
  [ -e "$2/Yoffe_Amp.csv" ] && echo "Yoffe_Amp.csv was created"
}

check_interrupt() {
  status_is "$2" 1
  [ "$(cat "$2/stderr")" = $'Interrupt\r' ] || echo "standard error: $(head -c 200 "$2/stderr")"
  same_crlf "$1/stdout" "$2/stdout" console
  same_crlf "$1/Yoffe_Slip.csv" "$2/Yoffe_Slip.csv" Yoffe_Slip.csv
  same_crlf "$1/Yoffe_Amp.csv" "$2/Yoffe_Amp.csv" Yoffe_Amp.csv
}

# --- Linux reference ------------------------------------------------------
cases=(run read_only directory interrupt)
for c in "${cases[@]}"; do
  dir=$work/linux/$c
  mkdir -p "$dir"
  "setup_$c" "$dir"
  if [ "$c" = interrupt ]; then run_interrupted "$dir" "$linux_exe"; else run_in "$dir" "$linux_exe"; fi
done

# --- Wine ------------------------------------------------------------------
echo "starting Wine in a fresh prefix"
"$wine64" wineboot --init >"$work/wineboot.log" 2>&1
"$wineserver" -p >/dev/null 2>&1 # stays up until the end

# Every situation of every build runs at once: the 32-bit ones run through
# emulation of 32-bit x86 where the kernel cannot run them, and take minutes.
for arch in "${run_arches[@]}"; do
  for c in "${cases[@]}"; do
    dir=$work/$arch/$c
    mkdir -p "$dir"
    if [ "$arch/$c" = i686/interrupt ] && i386_emulated; then continue; fi
    "setup_$c" "$dir"
    if [ "$c" = interrupt ]; then
      run_interrupted "$dir" "${loader[$arch]}" "${exe[$arch]}" &
    else
      run_in "$dir" "${loader[$arch]}" "${exe[$arch]}" &
    fi
  done
done
wait

# The library's tests, one after another per build, and the cross-check of
# the library against the tool's kernel.
library_tests=(lib/stf_reference lib/stf_interface lib/stf_property lib/stf_reproducibility
  lib/stf_domain lib/stf_rupture cross/stf_kernel)
for arch in "${run_arches[@]}"; do
  (
    dir=$work/$arch/library
    mkdir -p "$dir"
    cd "$dir" || exit
    for t in "${library_tests[@]}"; do
      name=${t#*/}
      timeout -s KILL 1200 "${loader[$arch]}" "$root/build/mingw-$arch/tests/${t}_test.exe" \
        >"$name.log" 2>&1 </dev/null
      echo $? >"$name.status"
    done
  ) &
done
wait

passed=0
failed=0
skipped=0
# Counts and prints the verdict of one check: PASS, or FAIL and its problems.
verdict() {
  if [ -z "$2" ]; then
    echo "PASS $1"
    passed=$((passed + 1))
  else
    echo "FAIL $1"
    echo "$2" | sed 's/^/    /'
    failed=$((failed + 1))
  fi
}
# The names in the export table of a build's yoffe.dll, the extent of
# std::span (size_t's largest value) mangled as on 64-bit Linux.
dll_exports() {
  "$1-w64-mingw32-objdump" -p "$root/build/mingw-$1/lib/stf/yoffe.dll" |
    sed -n '/Ordinal\/Name Pointer/,/^$/ s/^\t\[ *[0-9]*\] //p' |
    sed -E 's/L[yj](18446744073709551615|4294967295)E/Lm18446744073709551615E/g' | sort
}
for arch in "${arches[@]}"; do
  problems=$(diff <(dll_exports "$arch") "$root/tests/lib/exported_symbols.txt")
  for library in libyoffe.a libyoffe.dll.a; do
    [ -e "$root/build/mingw-$arch/lib/stf/$library" ] || problems+="no $library"$'\n'
  done
  verdict "$arch exports" "$problems"
done
for arch in "${arches[@]}"; do
  if [[ " ${run_arches[*]} " != *" $arch "* ]]; then
    echo "SKIP $arch library and runs: no Wine loader for it"
    skipped=$((skipped + 1 + ${#cases[@]}))
    continue
  fi
  problems=""
  for t in "${library_tests[@]}"; do
    name=${t#*/}
    status=$(cat "$work/$arch/library/$name.status" 2>/dev/null)
    if [ "$status" != 0 ]; then
      problems+="${t}_test: exit status $status"$'\n'
      problems+="$(grep -E 'FAILED|Failure' "$work/$arch/library/$name.log" | head -n 5)"$'\n'
    fi
  done
  verdict "$arch library" "$problems"
done
for arch in "${run_arches[@]}"; do
  for c in "${cases[@]}"; do
    if [ "$arch/$c" = i686/interrupt ] && i386_emulated; then
      echo "SKIP $arch $c: Wine under qemu-i386 cannot deliver SIGINT"
      skipped=$((skipped + 1))
      continue
    fi
    verdict "$arch $c" "$("check_$c" "$work/linux/$c" "$work/$arch/$c")"
  done
done
echo "windows: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
