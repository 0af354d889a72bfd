#!/usr/bin/env bash
# Runs the whole Windows-side suite (ctest in build/windows: the unit tests under Wine and every
# end-to-end case) ROUNDS times in a row (default 3) while busy loops keep every core loaded.
# Passes only when no test failed in any round. AMBERVALE_BUSY_PER_CORE (default 1) sets how
# many busy loops load each core; AMBERVALE_STRESS_TESTS, a ctest -R pattern, narrows the suite.
#   scripts/stress-e2e.sh [ROUNDS]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

rounds=${1:-3}
case "$rounds" in '' | *[!0-9]*) echo "usage: stress-e2e.sh [ROUNDS]" >&2; exit 2 ;; esac
build=${AMBERVALE_BUILD:-build/windows}
logs=${AMBERVALE_STRESS_OUT:-$root/build/stress}
mkdir -p "$logs"

bash scripts/bootstrap.sh >/dev/null || exit 1
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null || exit 1
fi
cmake --build "$build" -j "$(nproc)" >/dev/null || exit 1

busy=()
stop_busy() { for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null; done; }
trap stop_busy EXIT
trap 'exit 130' INT TERM
per_core=${AMBERVALE_BUSY_PER_CORE:-1}
case "$per_core" in '' | *[!0-9]*) echo "stress-e2e: AMBERVALE_BUSY_PER_CORE must be a number" >&2; exit 2 ;; esac
for _ in $(seq $(($(nproc) * per_core))); do
  (while :; do :; done) &
  busy+=($!)
done
echo "stress-e2e: $rounds rounds of the Windows-side suite, ${#busy[@]} busy loops on $(nproc) cores"

failed_rounds=0
for round in $(seq "$rounds"); do
  log=$logs/round-$round.log
  start=$SECONDS
  (cd "$build" && ctest --output-on-failure --timeout 900 ${AMBERVALE_STRESS_TESTS:+-R "$AMBERVALE_STRESS_TESTS"}) >"$log" 2>&1
  rc=$?
  summary=$(grep -E 'tests passed|tests failed' "$log" | tail -n1)
  echo "round $round: ${summary:-no summary} ($((SECONDS - start)) s, exit status $rc)"
  if [ $rc -ne 0 ]; then
    failed_rounds=$((failed_rounds + 1))
    grep -E '^\s+[0-9]+ - ' "$log" | sed 's/^/  failed: /'
  fi
done
echo "stress-e2e: logs in $logs"
[ $failed_rounds -eq 0 ] && echo "stress-e2e: passed" || echo "stress-e2e: FAILED in $failed_rounds of $rounds rounds"
[ $failed_rounds -eq 0 ]
