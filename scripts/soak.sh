#!/usr/bin/env bash
# Soak: runs the real saver for MINUTES (default 30) at the fastest pace with a random layout
# every cycle, samples its resource figures every 10 s, and fails when any figure grows beyond
# a small tolerance after the first minute.
#   scripts/soak.sh [MINUTES]
# Windows: Ambervale.scr under Wine, sampled by the e2e driver's "soak" probe inside the same
# virtual desktop: private bytes, working set, handle count, GDI and USER objects.
# Linux: when build/native/ambervale exists, the XScreenSaver hack on a private Xvfb
# (--root --fast 50 --random), sampled from /proc: resident memory, open file descriptors and
# the System V shared-memory segments it created.
# Writes soak-windows.csv, soak-linux.csv and soak.png (gnuplot) into AMBERVALE_SOAK_OUT
# (default build/soak) and prints a table of the figures.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

minutes=${1:-30}
case "$minutes" in '' | *[!0-9]*) echo "usage: soak.sh [MINUTES]" >&2; exit 2 ;; esac
[ "$minutes" -ge 2 ] || { echo "soak: at least 2 minutes (the first one is the warm-up)" >&2; exit 2; }
seconds=$((minutes * 60))
out=${AMBERVALE_SOAK_OUT:-$root/build/soak}
build=${AMBERVALE_BUILD:-build/windows}
native=${AMBERVALE_NATIVE_BUILD:-build/native}
mkdir -p "$out"
rm -f "$out"/soak-*.csv "$out/soak.png"

bash scripts/bootstrap.sh >/dev/null || exit 1
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null || exit 1
fi
cmake --build "$build" --target Ambervale ambervale_e2e_driver -j "$(nproc)" >/dev/null || exit 1
scr=$root/$build/Ambervale.scr
driver=$root/$build/tests/e2e/ambervale_e2e_driver.exe

envdir=$out/wine-env
linux_pid='' linux_xvfb=''
cleanup() {
  [ -n "$linux_pid" ] && kill "$linux_pid" 2>/dev/null
  [ -n "$linux_xvfb" ] && kill "$linux_xvfb" 2>/dev/null
  bash scripts/wine-env.sh stop "$envdir" >/dev/null 2>&1
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- Linux: the hack on its own Xvfb, sampled from /proc every 10 s ----------------------
linux_csv=$out/soak-linux.csv
hack=$root/$native/ambervale
start_linux() {
  [ -x "$hack" ] || return 0
  local display_file=$out/linux-display
  : >"$display_file"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -ac 3>"$display_file" >"$out/linux-xvfb.log" 2>&1 &
  linux_xvfb=$!
  for _ in $(seq 150); do grep -q '^[0-9]' "$display_file" && break; sleep 0.1; done
  grep -q '^[0-9]' "$display_file" || { echo "soak: Xvfb for the Linux hack did not start" >&2; return 1; }
  DISPLAY=":$(head -n1 "$display_file")" "$hack" --root --fast 50 --random >"$out/linux-hack.log" 2>&1 &
  linux_pid=$!
  echo "seconds,rss_kb,open_fds,shm_segments" >"$linux_csv"
}
# sample_process PID CSV SECONDS: resident memory, open descriptors and the System V
# shared-memory segments the process created (marked for removal or not).
sample_process() {
  local rss fds shm
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null)
  fds=$(ls "/proc/$1/fd" 2>/dev/null | wc -l)
  shm=$(awk -v pid="$1" 'NR > 1 && $5 == pid' /proc/sysvipc/shm | wc -l)
  echo "$3,${rss:-0},$fds,$shm" >>"$2"
}
sample_linux() {  # sample_linux SECONDS
  [ -n "$linux_pid" ] || return 0
  kill -0 "$linux_pid" 2>/dev/null || { echo "soak: the Linux hack ended early" >&2; linux_pid=''; return 1; }
  sample_process "$linux_pid" "$linux_csv" "$1"
}
# Under Wine the saver is also a Unix process: its resident memory and descriptors show what
# Wine does not report through the Windows calls (GDI objects live in its memory).
wine_unix_csv=$out/soak-wine-process.csv
wine_unix_pid=''
sample_wine_process() {  # sample_wine_process SECONDS
  if [ -z "$wine_unix_pid" ]; then
    local pid
    for pid in $(pgrep -f 'Ambervale\.scr /s'); do  # ours: the one in this Wine prefix
      tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" && wine_unix_pid=$pid
    done
    [ -n "$wine_unix_pid" ] || return 0
    wine_unix_start=$1
    echo "seconds,rss_kb,open_fds,shm_segments" >"$wine_unix_csv"
  fi
  kill -0 "$wine_unix_pid" 2>/dev/null || return 0
  sample_process "$wine_unix_pid" "$wine_unix_csv" "$(($1 - wine_unix_start))"
}

# ---- Windows: the probe inside the saver's Wine desktop --------------------------------
bash scripts/wine-env.sh start "$envdir" >/dev/null || exit 1
# shellcheck disable=SC1091
. "$envdir/env"
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
windows_csv=$out/soak-windows.csv
results=$out/soak-results.txt
rm -f "$results"
start_linux || exit 1
echo "soak: $minutes minutes at Fast 50, Random on$([ -n "$linux_pid" ] && echo ', Windows and Linux' || echo ', Windows')"
AMBERVALE_SOAK_SECONDS=$seconds AMBERVALE_SOAK_CSV=$(winpath "$windows_csv") \
  "$WINE" explorer /desktop=AmbervaleSoak,1024x768 "$driver" soak "$(winpath "$scr")" "$(winpath "$results")" \
  >"$out/wine.log" 2>&1 &
wine_pid=$!
status=0
deadline=$((SECONDS + seconds + 300))
next_linux=$SECONDS
linux_start=$SECONDS
while [ $SECONDS -lt $deadline ] && ! grep -q '^DONE' "$results" 2>/dev/null; do
  if [ $SECONDS -ge $next_linux ]; then
    elapsed=$((SECONDS - linux_start))
    if [ $elapsed -le $seconds ]; then
      sample_linux "$elapsed" || status=1
      sample_wine_process "$elapsed"
    fi
    next_linux=$((next_linux + 10))
  fi
  sleep 1
done
timeout 20 wineserver -k >/dev/null 2>&1
kill "$wine_pid" 2>/dev/null
wait "$wine_pid" 2>/dev/null
if ! grep -q '^DONE' "$results" 2>/dev/null; then
  echo "soak: the Windows probe did not finish within the bound" >&2
  status=1
elif ! tr -d '\r' <"$results" | grep -q '^PASS soak$'; then
  tr -d '\r' <"$results" | grep -v '^DONE' >&2
  status=1
fi

# ---- verdict, table and plot ----------------------------------------------------------------
# A figure fails when, after the first minute, it rises above its value at the first minute's
# sample by more than its tolerance: memory 2 MiB and 3 %, counts 4.
check_growth() {  # check_growth CSV: a table row per figure; fails on growth
  local csv=$1
  awk -F, -v csv="$csv" '
    NR == 1 { for (i = 2; i <= NF; ++i) name[i] = $i; columns = NF; next }
    {
      t = $1
      for (i = 2; i <= columns; ++i) {
        if (!(i in first)) first[i] = $i
        if (t >= 60 && !(i in base)) base[i] = $i
        if ((i in base) && (!(i in peak) || $i + 0 > peak[i] + 0)) peak[i] = $i
        last[i] = $i
      }
      samples++
    }
    END {
      bad = 0
      printf "%-16s %14s %14s %14s %14s  %s\n", "figure", "at start", "at 1 min", "peak after", "at end", "verdict"
      for (i = 2; i <= columns; ++i) {
        if (!(i in base)) { printf "%-16s not enough samples\n", name[i]; bad = 1; continue }
        if (base[i] < 0) { printf "%-16s %14s %14s %14s %14s  %s\n", name[i], "n/a", "n/a", "n/a", "n/a", "not reported"; continue }
        memory = name[i] ~ /bytes|working_set|rss/
        unit = name[i] ~ /_kb$/ ? 1024 : 1
        allowed = memory ? (2 * 1048576 / unit) + base[i] * 0.03 : 4
        verdict = peak[i] - base[i] > allowed ? "GROWS" : "flat"
        if (verdict == "GROWS") bad = 1
        printf "%-16s %14d %14d %14d %14d  %s (+%d, allowed +%d)\n", name[i], first[i], base[i], peak[i], last[i], verdict, peak[i] - base[i], allowed
      }
      printf "(%d samples, every 10 s)\n", samples
      exit bad
    }' "$csv"
}

for csv in "$windows_csv" "$wine_unix_csv" "$linux_csv"; do
  [ -f "$csv" ] || continue
  echo
  echo "== $(basename "$csv" .csv)"
  check_growth "$csv" || status=1
done

plot_args=()
[ -f "$windows_csv" ] && plot_args+=("'$windows_csv' skip 1 using (\$1/60):(\$2 < 0 ? NaN : \$2/1048576) with lines title 'Windows private MiB', \
  '$windows_csv' skip 1 using (\$1/60):(\$3 < 0 ? NaN : \$3/1048576) with lines title 'Windows working set MiB', \
  '$windows_csv' skip 1 using (\$1/60):(\$4 < 0 ? NaN : \$4) with lines title 'Windows handles' axes x1y2")
[ -f "$wine_unix_csv" ] && plot_args+=("'$wine_unix_csv' skip 1 using (\$1/60):(\$2/1024) with lines title 'Wine process RSS MiB', \
  '$wine_unix_csv' skip 1 using (\$1/60):3 with lines title 'Wine process open fds' axes x1y2")
[ -f "$linux_csv" ] && plot_args+=("'$linux_csv' skip 1 using (\$1/60):(\$2/1024) with lines title 'Linux RSS MiB', \
  '$linux_csv' skip 1 using (\$1/60):3 with lines title 'Linux open fds' axes x1y2, \
  '$linux_csv' skip 1 using (\$1/60):4 with lines title 'Linux shm segments' axes x1y2")
if command -v gnuplot >/dev/null && [ ${#plot_args[@]} -gt 0 ]; then
  joined=$(IFS=,; echo "${plot_args[*]}")
  gnuplot <<PLOT || echo "soak: gnuplot could not draw the plot" >&2
set terminal pngcairo size 1000,600
set output '$out/soak.png'
set datafile separator ','
set key outside bottom
set title 'Ambervale soak: $minutes minutes, Fast 50, Random on'
set xlabel 'minutes'
set ylabel 'MiB'
set y2label 'count'
set y2tics
set ytics nomirror
plot $joined
PLOT
fi

echo
echo "soak: CSV and plot in $out"
[ $status -eq 0 ] && echo "soak: passed" || echo "soak: FAILED"
exit $status
