#!/usr/bin/env bash
# Black-box checks of ambervale-layout --simulate: cycle lengths on an 18 x 14 grid, the
# shortened first cell of a following cycle, one image per cell, and replay by seed.
set -u
tool=$1
failures=0
out=$(mktemp) again=$(mktemp)
trap 'rm -f "$out" "$again"' EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

simulate() {  # simulate FILE ARGS...
  local file=$1; shift
  timeout 120 "$tool" --surface 1024x768 "$@" >"$file" || fail "$*: exit status $?"
}

# Plain grid: 270 cells of five draws, then a cycle whose first cell gets only four.
simulate "$out" --algorithm 1 --simulate 2 --seed 3
[ "$(head -1 "$out")" = "tick,algorithm,row,col,fade,image" ] || fail "header line"
grep -qxF "# cycle 1 ended at tick 1350" "$out" || fail "algorithm 1: first cycle length"
grep -qxF "# cycle 2 ended at tick 2699" "$out" || fail "algorithm 1: second cycle length"
[ "$(grep -vc '^[#t]' "$out")" -eq 2699 ] || fail "algorithm 1: not one draw per tick"
grep -q "^1351,1,0,0,1," "$out" || fail "algorithm 1: next cycle does not start at fade step 1"
# Every draw of a cell shows the image its first draw was built from.
awk -F, '!/^[#t]/ { key = $3 "," $4 "," int(($1 - 1) / 5); if (key in seen && seen[key] != $6) bad = 1; seen[key] = $6 }
         !/^[#t]/ && ($6 < 1 || $6 > 25) { bad = 1 }
         END { exit bad }' <(sed -n '2,1351p' "$out") || fail "algorithm 1: image changes within a cell"

# Random fill: 285 cells, then the tick that finds the grid full starts the next cycle.
simulate "$out" --algorithm 0 --simulate 2 --seed 11
grep -qxF "# cycle 1 ended at tick 1426" "$out" || fail "algorithm 0: first cycle length"
grep -qxF "# cycle 2 ended at tick 2851" "$out" || fail "algorithm 0: second cycle length"
simulate "$again" --algorithm 0 --simulate 2 --seed 11
cmp -s "$out" "$again" || fail "algorithm 0: the same seed gives another run"

# The sprite is built after the draw: the first cell shows the start-up sprite (image 0).
simulate "$out" --algorithm 6 --simulate 1 --seed 2
grep -q "^1,6,0,0,0,0$" "$out" || fail "algorithm 6: first cell not drawn with the start-up sprite"
grep -qxF "# cycle 1 ended at tick 845" "$out" || fail "algorithm 6: cycle length"

# With the random pick the run still ends after the asked number of cycles.
simulate "$out" --algorithm 1 --simulate 5 --seed 9 --random
[ "$(grep -c '^# cycle' "$out")" -eq 5 ] || fail "--random: not five cycles"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all simulation checks passed"
