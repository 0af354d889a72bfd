#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build/fuzz, replays each target's committed corpus, then fuzzes each target for SECONDS, as
# many targets at a time as there are cores (AMBERVALE_JOBS).
#   scripts/fuzz.sh [SECONDS]      default 60 seconds a target
# Fails on any finding: the input that found it is left in build/fuzz/findings/<target>/.
# Add it to fuzz/corpus/<target>/ once the fault is fixed, so that it replays from then on.
# What the fuzzing finds beyond the committed corpus is kept in build/fuzz/corpus/<target>/
# and grows from run to run.
#   AMBERVALE_FUZZ_TARGETS   the targets to fuzz (default: every target built)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}
[[ $seconds =~ ^[0-9]+$ ]] || { echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2; }

bash scripts/bootstrap.sh --fuzz
deps="${AMBERVALE_DEPS:-$root/.deps}"

build=build/fuzz
cmake -S . -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DAMBERVALE_FUZZ=ON -DAMBERVALE_DEPS="$deps" >/dev/null
cmake --build "$build" -j "${AMBERVALE_JOBS:-$(nproc)}"

echo "== fuzz: replaying the committed corpora"
(cd "$build" && ctest --output-on-failure -R '^fuzz_')

targets=${AMBERVALE_FUZZ_TARGETS:-$(cd "$build/fuzz" && ls -- *_fuzzer | sed 's/_fuzzer$//')}
# fuzz_target TARGET: fuzzes it for $seconds; prints how it ended; fails on a finding.
fuzz_target() {
  local target=$1 work="$build/corpus/$1" findings="$build/findings/$1" dict=()
  mkdir -p "$work" "$findings"
  # The leaf pictures seed the JPEG target, as in fuzz/CMakeLists.txt.
  [ "$target" = jpeg_image ] && cp assets/leaves/*.jpg "$work/"
  [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
  echo "== fuzz: $target for $seconds s"
  # New inputs go to the work corpus only; the committed one is read, never written. A few
  # bytes can claim a picture of 9000 x 9000, which takes some 9 s to decode under the
  # sanitizers on a busy machine: only a unit six times slower than that counts as a hang.
  if "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/" -print_final_stats=1 "${dict[@]}" \
      "$work" "fuzz/corpus/$target" >"$build/$target.log" 2>&1; then
    grep -E '^#[0-9]+[[:space:]]+DONE' "$build/$target.log" | tail -n1 || true
  else
    tail -n 40 "$build/$target.log"
    echo "fuzz: $target FOUND A FAULT; the input is in $findings/ (log: $build/$target.log)" >&2
    return 1
  fi
}
# One target a core, each for its full time; their reports in the targets' order.
status=0 running=0
for target in $targets; do
  if [ $running -ge "${AMBERVALE_JOBS:-$(nproc)}" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
  fuzz_target "$target" >"$build/$target.report" 2>&1 &
  running=$((running + 1))
done
while [ $running -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done
for target in $targets; do cat "$build/$target.report"; done
[ $status -eq 0 ] && echo "fuzz: no findings" || echo "fuzz: FINDINGS"
exit $status
