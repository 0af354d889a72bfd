#!/usr/bin/env bash
# The layout sweep against its one reference: the layout tool's output over every case of
# sweep_cases.sh must be the very bytes whose SHA-256 sweep.sha256 holds, whatever runs the
# tool: natively on any x86-64, the Windows build under Wine, the arm64 build under qemu. The
# layouts depend on no processor, target or build.
#   sweep_test.sh [--jobs N] [--every N] TOOL [ARGS...]
#     TOOL ARGS... --batch lays out the cases on its standard input (a wrapper may run it);
#     --jobs N     N tools at once, each with a share of the cases (default 1)
#     --every N    every N-th screen of each Size and algorithm (default 10; sweep.sha256 holds
#                  the reference of each N it names)
#   sweep_test.sh --reference [--every N] TOOL...   prints the line sweep.sha256 takes
# The output is kept in $AMBERVALE_SWEEP_DIR (default a temporary folder, removed when equal).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
jobs=1 every=10 reference=false
while [ $# -gt 0 ]; do
  case $1 in
    --jobs) jobs=$2; shift 2 ;;
    --every) every=$2; shift 2 ;;
    --reference) reference=true; shift ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: sweep_test.sh [--jobs N] [--every N] [--reference] TOOL [ARGS...]" >&2; exit 2; }
work=${AMBERVALE_SWEEP_DIR:-$(mktemp -d)}
mkdir -p "$work"
rm -f "$work"/share.*

# Each case a line of its own, dealt out in turn to the shares (cases near each other are alike
# in cost); the outputs are dealt back in the same turn, a case (from its "## " line) at a time.
bash "$here/sweep_cases.sh" "$every" | split -n "r/$jobs" -d -a 3 - "$work/share."
status=0
for share in "$work"/share.*; do
  # A Windows tool writes its lines with carriage returns.
  "$@" --batch <"$share" | tr -d '\r' >"$share.out" &
done
for share in "$work"/share.*[0-9]; do wait -n || status=1; done
[ $status -eq 0 ] || { echo "the layout tool failed (output in $work)" >&2; exit 1; }
awk 'function take(i,   line) {  # prints share i'"'"'s next case; 0 when it has none
    if (pending[i] == "" && (getline pending[i] < files[i]) <= 0) return 0
    print pending[i]; pending[i] = ""
    while ((getline line < files[i]) > 0) { if (line ~ /^## /) { pending[i] = line; break } print line }
    return 1
  }
  BEGIN { n = ARGC - 1; for (i = 1; i <= n; i++) files[i] = ARGV[i]
    for (;;) { any = 0; for (i = 1; i <= n; i++) any += take(i); if (!any) break }
    exit }' "$work"/share.*.out >"$work/layouts"
rm -f "$work"/share.*
actual=$(sha256sum <"$work/layouts" | cut -d' ' -f1)
cases=$(grep -c '^## ' "$work/layouts" || true)
if $reference; then
  echo "$every $actual"
  exit 0
fi
expected=$(awk -v every="$every" '$1 == every { print $2 }' "$here/sweep.sha256")
[ -n "$expected" ] || { echo "sweep.sha256 holds no reference for every $every" >&2; exit 2; }
if [ "$actual" != "$expected" ]; then
  echo "FAILED: the layouts of $cases cases differ from the reference (SHA-256 $actual, expected $expected);"
  echo "  they are in $work/layouts: compare them with another target's by tools/layout/compare_layouts.awk"
  exit 1
fi
echo "$cases cases laid out, the same bytes as the reference"
[ -n "${AMBERVALE_SWEEP_DIR:-}" ] || rm -rf "$work"
