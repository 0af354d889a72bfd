#!/usr/bin/env bash
# The test command. Installs what the builds and tests need (once), checks the C++ formatting
# and the Markdown links, builds the native, Windows, sanitizer, arm64 and fuzz configurations
# once each, runs every suite on them, makes a release of those very trees signed with a
# throwaway certificate and OpenPGP key and checks it (scripts/check-release.sh --test-trees),
# fuzzes each fuzz target for 20 s (AMBERVALE_FUZZ_SECONDS), runs a 3-minute soak, and installs
# the Debian package into a fresh Debian 13 root and runs its programs there.
#   test.sh           all of it
#   test.sh --quick   the short loop: the native build, its unit and Linux end-to-end tests, the
#                     format and link checks
# Stages run in lanes side by side where they do not meet: the suites with end-to-end cases one
# after another in one lane, the compiling, emulating and fuzzing niced in another, the soak in
# a third, so that the cases keep the processor they need on a busy machine; the packages that
# only the tests need are installed while the compiling begins. Each stage prints its time and
# processor time; the run ends with a table of them. Logs: build/test-run/<stage>.log.
# Exits non-zero when any stage fails. Whether a release of a clean clone is reproducible is
# checked before each release (scripts/check-reproducible.sh), not here.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
quick=false
case ${1:-} in
  --quick) quick=true ;;
  '') ;;
  *) echo "usage: test.sh [--quick]" >&2; exit 2 ;;
esac

run=build/test-run
rm -rf "$run"
mkdir -p "$run"
jobs=$(nproc)
export AMBERVALE_JOBS=$jobs

# cpu_seconds: the user and system seconds that the output of `times` on stdin adds up to.
cpu_seconds() {
  awk 'function seconds(t) { split(t, part, /[ms]/); return part[1] * 60 + part[2] }
    { total += seconds($1) + seconds($2) } END { printf "%d", total }'
}
# stage NAME COMMAND...: runs the command, its output in $run/NAME.log; prints its time, the
# processor time of the processes it waited for (user + system: on a shared machine the wall
# time says little alone) and its verdict (and the end of the log when it fails); records them
# for the closing table and marks the stage done for the stages that wait on it.
stage() {
  local name=$1 began=$SECONDS rc=0 verdict=ok cpu
  shift
  echo "== $name: started at $((SECONDS / 60)) min $((SECONDS % 60)) s"
  # A subshell of its own: its children's times are this stage's alone, whatever else the lane
  # has running beside it.
  (
    "$@" >"$run/$name.log" 2>&1
    status=$?
    times >"$run/$name.times"
    exit $status
  ) || rc=$?
  cpu=$(cpu_seconds <"$run/$name.times")
  if [ $rc -ne 0 ]; then
    verdict=FAILED
    tail -n 60 "$run/$name.log" | sed "s/^/  $name| /"
  fi
  echo "== $name: $((SECONDS - began)) s, $cpu s of processor time, $verdict"
  echo "$name $((SECONDS - began)) $cpu $verdict" >>"$run/stages"
  echo $rc >"$run/$name.done"
  return $rc
}
# after STAGE... -- NAME COMMAND...: the stage NAME once those stages are done; recorded as
# failed, unrun, when one of them failed.
after() {
  local needed=()
  while [ "$1" != -- ]; do needed+=("$1"); shift; done
  shift
  local name
  for name in "${needed[@]}"; do
    until [ -f "$run/$name.done" ]; do sleep 2; done
    if [ "$(cat "$run/$name.done")" != 0 ]; then
      echo "== $1: not run, $name FAILED"
      echo "$1 0 0 FAILED" >>"$run/stages"
      echo 1 >"$run/$1.done"
      return 1
    fi
  done
  stage "$@"
}
build() {  # build DIR [cmake options...]
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -Wno-dev "$@" >/dev/null && cmake --build "$dir" -j "$jobs"
}
suite() {  # suite DIR [ctest options...]
  ctest --test-dir "$1" --output-on-failure --timeout 900 "${@:2}"
}
# Each Linux end-to-end case has its own display server, folders and user: two run at a time.
native_suite() { suite build/native -j 2 "$@"; }
# The amd64 package installed with apt into a fresh Debian 13 root, its programs run there (the
# root is made once, in /var/cache/ambervale: scripts/debian13-root.sh).
debian13_install() {
  cmake --build build/native --target deb >/dev/null &&
    bash packaging/debian13_test.sh build/native/ambervale_*_amd64.deb
}
# The Windows suite in two halves side by side, each with a Wine environment of its own (its
# Xvfb display and prefix, AMBERVALE_WINE_ENV_DIR): within a half the cases run one at a time,
# as in one environment they must. The tests alternate between the halves, so that the screen
# path's run of a case and the composited window's go to different halves and the halves take
# about as long. CTest adds the environment's start and stop to each half.
windows_suite() {
  local tests half status=0
  tests=$(ctest --test-dir build/windows -N | sed -n 's/^ *Test *#\([0-9]*\): \(.*\)$/\1 \2/p' |
    grep -v ' wine_env_' | cut -d' ' -f1)
  for half in 0 1; do
    AMBERVALE_WINE_ENV_DIR=$root/build/windows/wine-env-$half suite build/windows \
      -I "0,0,0,$(awk -v half=$half 'NR % 2 == half' <<<"$tests" | paste -sd,)" \
      >"$run/tests-windows-$half.log" 2>&1 &
  done
  for half in 0 1; do wait -n || status=1; done
  cat "$run/tests-windows-0.log" "$run/tests-windows-1.log"
  return $status
}

table() {
  echo
  printf '%-16s %8s %8s  %s\n' stage seconds cpu-s verdict
  awk '{ printf "%-16s %8d %8d  %s\n", $1, $2, $3, $4 }' "$run/stages"
  local cpu
  times >"$run/whole-run.times"  # not in a pipeline: a subshell's times have no children
  cpu=$(cpu_seconds <"$run/whole-run.times")
  printf '%-16s %8d %8d  (%d min %d s)\n' "whole run" $SECONDS "$cpu" $((SECONDS / 60)) $((SECONDS % 60))
}
finish() {
  table
  if grep -q ' FAILED$' "$run/stages"; then
    echo "some tests FAILED (logs in $run/)"
    exit 1
  fi
  echo "all tests passed"
  exit 0
}

if $quick; then
  stage bootstrap bash scripts/bootstrap.sh --linux || finish
  export AMBERVALE_BOOTSTRAPPED=1
  stage format bash scripts/check-format.sh
  stage links bash scripts/check-links.sh
  stage build-native build build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
    stage tests-native native_suite -R 'unit_tests|_e2e_'
  finish
fi

# What compiling needs first; the rest of the packages go in while the compiling begins, and
# only the stages that run what they hold wait for them (bootstrap). On a machine that has
# them all, each part returns within seconds.
# The other scripts take the machine as ready (AMBERVALE_BOOTSTRAPPED), all but these parts.
bootstrap_part() { AMBERVALE_BOOTSTRAPPED= bash scripts/bootstrap.sh --fuzz --arm64 "$@"; }
stage bootstrap-builds bootstrap_part --builds || finish
export AMBERVALE_BOOTSTRAPPED=1
stage format bash scripts/check-format.sh
stage links bash scripts/check-links.sh
stage bootstrap bootstrap_part --packages &

# The compiling lane, niced: it takes what the end-to-end cases leave. The libjpeg builds of the
# Windows saver and the fuzz targets come first (scripts/bootstrap.sh: they need only the
# compilers), beside the native build; the fuzzing goes in the suites' lane once they are done.
# The arm64 programs' libjpeg needs the cross compiler: it is built in the arm64 stage.
arm64_build() { bootstrap_part --libjpeg=arm64 && bash scripts/cross-arm64.sh --no-package; }
compiling_lane() {
  renice -n 10 $BASHPID >/dev/null
  stage libjpeg bootstrap_part --libjpeg=mingw,fuzz
  after libjpeg -- build-windows build build/windows -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
  stage build-sanitize build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DAMBERVALE_SANITIZE=ON
  # The arm64 build, its tests under qemu-aarch64; its package is the release check's.
  after bootstrap -- arm64 arm64_build
}
# The end-to-end lane: the suites one after another, then the release made from their trees.
# The soak runs beside them: three minutes of the Windows saver and the Linux hack, each on a
# display and Wine prefix of its own (scripts/soak.sh).
suites_lane() {
  after build-native build-windows bootstrap -- soak bash scripts/soak.sh 3 &
  after bootstrap -- tests-native native_suite
  after build-windows -- tests-windows windows_suite
  after build-sanitize -- tests-sanitize suite build/sanitize
  after build-native bootstrap -- debian13 debian13_install
  # The fuzz targets replay their corpora and each fuzzes for a short while: niced as the
  # compiling is, beside the arm64 stage, whose emulated tests leave a core free now and then.
  after libjpeg -- fuzz nice -n 10 bash scripts/fuzz.sh "${AMBERVALE_FUZZ_SECONDS:-20}" &
  # The release relinks the Windows saver signed: not while the soak runs it.
  after build-windows arm64 soak -- release bash scripts/check-release.sh --test-trees
  wait
}

# The native build first, in the foreground: the compiling lane takes what it leaves. Its
# libjpeg, linked into the Linux programs, just before it.
native_build() { bootstrap_part --libjpeg=native && build build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo; }
compiling_lane &
stage build-native native_build
suites_lane
wait
finish
