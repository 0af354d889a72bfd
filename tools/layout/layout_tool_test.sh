#!/usr/bin/env bash
# Black-box checks of ambervale-layout: worked positions, output shape, and exit status 2 with
# a one-line message for every kind of bad argument.
set -u
tool=$1
failures=0
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

run() {  # run ARGS...: stdout to $out, stderr to $err, status in $status
  timeout 60 "$tool" "$@" >"$out" 2>"$err"
  status=$?
}

expect_lines() {  # expect_lines "ARGS" LINE...: success and each LINE present exactly
  local args=$1; shift
  # shellcheck disable=SC2086
  run $args
  [ "$status" -eq 0 ] || { fail "$args: exit $status: $(cat "$err")"; return; }
  for line in "$@"; do
    grep -qxF -- "$line" "$out" || fail "$args: no line '$line'"
  done
}

expect_cells() {  # expect_cells "ARGS" N: header, column line, then N cell lines
  local args=$1 cells=$2
  # shellcheck disable=SC2086
  run $args
  [ "$(sed -n 2p "$out")" = "row,col,x,y" ] || fail "$args: second line is not the column line"
  local count=$(($(wc -l <"$out") - 2))
  [ "$count" -eq "$cells" ] || fail "$args: $count cells, expected $cells"
}

expect_usage_error() {  # expect_usage_error ARGS...
  run "$@"
  [ "$status" -eq 2 ] || fail "'$*': exit $status, expected 2"
  [ "$(wc -l <"$err")" -eq 1 ] || fail "'$*': stderr is not one line: $(cat "$err")"
  [ ! -s "$out" ] || fail "'$*': printed on stdout"
}

# Full screen 1920x1080 at Size 0: 30 columns, 17 rows, cells of 64.
expect_lines "--surface 1920x1080 --size 0 --algorithm 1" \
  "# cols=30 rows=17 cell=64 surface=1920x1080" "1,3,192,64" "2,0,0,127" "17,30,1920,1080"
[ "$(sed -n 3p "$out")" = "0,0,0,0" ] && [ "$(sed -n 4p "$out")" = "0,1,64,0" ] || fail "grid not in table order"
expect_cells "--surface 1920x1080 --size 0 --algorithm 8" $((18 * 31))
expect_lines "--surface 1920x1080 --size 0 --algorithm 2" "0,0,960,0" "1,0,952,64" "17,17,1504,1080"
[ "$(sed -n 5p "$out")" = "1,1,968,64" ] || fail "pyramid not in table order"
expect_cells "--surface 1920x1080 --size 0 --algorithm 2" 171
expect_lines "--surface 1920x1080 --size 0 --algorithm 4" "1,0,992,508" "1,3,819,508" "1,6,1056,508"
expect_cells "--surface 1920x1080 --size 0 --algorithm 12" 225
[ "$(grep -c ',0,0$' "$out")" -eq 84 ] || fail "algorithm 12: masked slots do not print 0,0"

# Geometry rules: the default Size is 12; the dialog rule truncates the cell width.
expect_lines "--surface 1024x768 --algorithm 1" "# cols=18 rows=14 cell=57 surface=1024x768"
expect_lines "--surface 1024x768 --dialog-size 12 --algorithm 1" "# cols=18 rows=14 cell=56 surface=1024x768"
expect_lines "--preview 152x112 --algorithm 1" "# cols=10 rows=7 cell=15 surface=152x112"
expect_cells "--preview 152x112 --algorithm 1" 88
expect_cells "--preview 152x112 --algorithm 6" 40
expect_lines "--preview 152x112 --dialog-size 20 --algorithm 1" "# cols=10 rows=7 cell=15 surface=152x112"
expect_lines "--surface 9x9 --size 29 --algorithm 0" "# cols=1 rows=1 cell=9 surface=9x9"

# The seed replays algorithm 0's jitter and nothing else draws from the generator.
run --surface 800x600 --algorithm 0 --seed 7; first=$(cat "$out")
run --surface 800x600 --algorithm 0 --seed 7; [ "$first" = "$(cat "$out")" ] || fail "same seed, different jitter"
run --surface 800x600 --algorithm 0 --seed 8; [ "$first" != "$(cat "$out")" ] || fail "seed ignored"
run --surface 800x600 --algorithm 1 --seed 7; first=$(cat "$out")
run --surface 800x600 --algorithm 1 --seed 8; [ "$first" = "$(cat "$out")" ] || fail "plain grid depends on the seed"

# The simulation replaces the layout output.
run --preview 152x112 --algorithm 1 --simulate 1
! grep -qxF "row,col,x,y" "$out" || fail "--simulate printed the layout"

# --batch: the layouts of single runs, each after its arguments; a bad line ends it with 2.
batch_lines=("--preview 152x112 --algorithm 11" "--surface 1920x1080 --size 0 --algorithm 2")
for args in "${batch_lines[@]}"; do echo "## $args"; run $args; cat "$out"; done >"$out.single"
printf '%s\n' "${batch_lines[@]}" | "$tool" --batch | cmp -s - "$out.single" || fail "--batch differs from single runs"
echo "--surface 9x9 --algorithm 1 --simulate 1" | "$tool" --batch >/dev/null 2>&1; [ $? -eq 2 ] || fail "--batch ran --simulate"
rm -f "$out.single"

# Bad arguments: exit 2, one line on stderr, nothing on stdout.
bad_cases=(
  "" "--surface 1920x1080" "--algorithm 1" "--surface 0x5 --algorithm 1" "--surface 5x0 --algorithm 1"
  "--surface 100001x5 --algorithm 1" "--surface 5x99999999999999999999 --algorithm 1"
  "--surface 1920 --algorithm 1" "--surface -1920x1080 --algorithm 1" "--surface 1920x1080x3 --algorithm 1"
  "--surface 1920x1080 --algorithm 13" "--surface 1920x1080 --algorithm -1" "--surface 1920x1080 --algorithm one"
  "--surface 1920x1080 --algorithm" "--surface 1920x1080 --algorithm 1 --size 256"
  "--surface 1920x1080 --algorithm 1 --size 1.5" "--surface 1920x1080 --algorithm 1 --seed 4294967296"
  "--surface 1920x1080 --algorithm 1 --algorithm 2" "--surface 1920x1080 --preview 100x100 --algorithm 1"
  "--preview 100x100 --size 3 --algorithm 1" "--surface 1920x1080 --algorithm 1 --frobnicate"
  "--surface 1920x1080 --algorithm 1 --random" "--surface 1920x1080 --algorithm 1 --simulate 0"
  "--surface 1920x1080 --algorithm 1 --simulate many"
)
for args in "${bad_cases[@]}"; do
  # shellcheck disable=SC2086
  expect_usage_error $args
done
expect_usage_error --surface 1920x1080 --algorithm ""

run --help
[ "$status" -eq 0 ] && grep -q "usage: ambervale-layout" "$out" || fail "--help"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all layout tool checks passed"
