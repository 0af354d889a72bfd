#!/usr/bin/env bash
# One table of the hosts side by side, on this machine, in one run: the X11 hack on Xvfb,
# ambervale-wayland on a headless sway (pixman renderer), the Windows composited window under
# Wine (scripts/measure-wine.sh; WINE=0 leaves it out), and XScreenSaver's slidescreen and
# distort on Xvfb as peers, at 1920 x 1080 and 3840 x 2160 and Fast 0, 33, 45 and 50. For each:
# ticks a second against the promised 1000 / (102 - 2 x Fast), presents a second (both from the
# program's --fps summary), the CPU share of one core of the program and of its display server,
# and the program's resident memory. The savers draw on their plain background.
# Run as root (sway runs as a user of its own).
# Usage: scripts/measure-hosts.sh [SECONDS per run, default 10]
#   BUILD=DIR   the build tree whose ambervale and ambervale-wayland to measure (build/native)
#   SIZES, FASTS  what to measure ("1920x1080 3840x2160", "0 33 45 50")
# Or: scripts/measure-hosts.sh --medians [SECONDS per run, default 10]: the figures that vary
# most with the machine's load, each measured RUNS times (default 5) in rounds, the programs
# alternating within each round (every build, then slidescreen, back to back), and for each the
# median and the spread (lowest-highest): X11 and Wayland at 3840 x 2160 Fast 50, the
# composited window under Wine there (WINE=0 leaves it out), and the X11 hack at 1920 x 1080
# and its default pace against slidescreen; Wayland's memory at 3840 x 2160 too.
#   BUILDS="DIR..."  build trees to compare, alternating in every round (default: BUILD)
#   SCRS="FILE..."   their trace builds of Ambervale.scr for the Wine rows, in the same order
#                    (see scripts/measure-wine.sh; default: the one it builds)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
medians=0
if [ "${1:-}" = --medians ]; then
  medians=1
  shift
fi
seconds=${1:-10}
build=${BUILD:-$root/build/native}
read -r -a builds <<<"${BUILDS:-$build}"
x11_program="$build/ambervale"
program="${builds[0]}/ambervale-wayland"
client="$root/build/native/src/wayland/wayland_e2e_client"
for f in "$client" "${builds[@]/%//ambervale}" "${builds[@]/%//ambervale-wayland}"; do
  [ -x "$f" ] || { echo "build first: cmake --build build/native ($f is missing)" >&2; exit 1; }
done
peers=/usr/libexec/xscreensaver
source "$root/src/wayland/e2e/lib.sh"

# The CPU time of every thread of a process, in ns (the scheduler's own count: /proc's stat
# counts in 10 ms steps, as much as a quiet program uses in a few seconds).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%.0f", s}'; }
percent() { awk -v c="$1" -v ns="$2" 'BEGIN {printf "%.2f", 100 * c / ns}'; }
# The process that runs PATTERN (the subshells and setpriv of the helpers are not it).
pid_of() { wait_for 60 "$1 running" pgrep -n -f "$1" >/dev/null && pgrep -n -f "$1"; }

# measure PID SERVER_PID: sets cpu_program, cpu_server (percent of a core) and rss (MiB) over
# `seconds`, after a settling second.
measure() {
  local pid=$1 server=$2 t0 p0 s0 t1 p1 s1
  sleep 1
  t0=$(date +%s%N); p0=$(cpu_ns "$pid"); s0=$(cpu_ns "$server")
  sleep "$seconds"
  t1=$(date +%s%N); p1=$(cpu_ns "$pid"); s1=$(cpu_ns "$server")
  cpu_program=$(percent $((p1 - p0)) $((t1 - t0)))
  cpu_server=$(percent $((s1 - s0)) $((t1 - t0)))
  rss=$(awk '/VmRSS/ {printf "%.0f", $2 / 1024}' "/proc/$pid/status")
}

# row HOST SIZE FAST SUMMARY_LOG: one line of the table, after `measure`.
row() {
  local ticks="-" presents="-" nominal="-" line
  line=$(grep -m1 ' ticks, mean interval' "$4" 2>/dev/null || true)
  if [ -n "$line" ]; then
    ticks=$(sed 's/.*mean interval \([0-9.]*\) ms.*/\1/' <<<"$line" | awk '{printf "%.1f", 1000 / $1}')
    presents=$(sed -n 's/.*presents, \([0-9.]*\) a second.*/\1/p' <<<"$line")
    presents=${presents:--}
  fi
  [ "$3" = "-" ] || nominal=$(awk -v f="$3" 'BEGIN {printf "%.1f", 1000 / (102 - 2 * f)}')
  printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n' "$1" "$2" "$3" "$ticks" "$nominal" "$presents" \
    "$cpu_program" "$cpu_server" "$(awk -v a="$cpu_program" -v b="$cpu_server" 'BEGIN {printf "%.2f", a + b}')" "$rss"
}

# x11_run PROGRAM SCREEN_PID [ARGS...]: the hack on the root window, measured; its stderr (the
# --fps summary, where ARGS ask for it) in x11.log. --fps also draws its figures on the window
# at every present, work the peers are not asked for: the medians leave it out.
x11_run() {
  local x11=$1 server=$2 pid
  shift 2
  HOME="$e2e_dir/x11home" "$x11" --root "$@" 2>"$e2e_dir/x11.log" &
  pid=$!
  measure "$pid" "$server"
  kill -TERM "$pid"
  wait "$pid" || true
}

# peer_run NAME SCREEN_PID: an XScreenSaver hack at its defaults over the root window's picture.
peer_run() {
  HOME="$e2e_dir/peerhome" "$peers/$1" -root >/dev/null 2>&1 &
  local pid=$!
  measure "$pid" "$2"
  kill -TERM "$pid"
  wait "$pid" || true
}

# wayland_run FAST SWAY_PID: the Wayland program (as $program) on the headless output, measured,
# on its plain background (a program that shows the desktop by default is told not to).
wayland_run() {
  local plain=()
  grep -qa -- --no-desktop-picture "$program" && plain=(--no-desktop-picture)
  : >"$e2e_dir/saver.log"
  start_saver --fast "$1" --fps "${plain[@]}"
  wait_for 60 "leaves" leaves_on HEADLESS-1 "$plain_pixel"
  measure "$(pid_of "^$program --fast $1")" "$2"
  kill -TERM "$(pid_of "^$program --fast $1")"
  wait "$saver_pid" || true
}

if [ "$medians" = 1 ]; then
  runs=${RUNS:-5}
  read -r -a scrs <<<"${SCRS:-}"
  results=$(mktemp)
  # note FIGURE WHO VALUE: one run's figure.
  note() { printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>"$results"; }
  together() { awk -v a="$cpu_program" -v b="$cpu_server" 'BEGIN {printf "%.2f", a + b}'; }
  # Each build's Wayland program under a name of its own, where the user may run it.
  for i in "${!builds[@]}"; do
    cp "${builds[$i]}/ambervale-wayland" "$bin_dir/ambervale-wayland-$i"
    chmod 755 "$bin_dir/ambervale-wayland-$i"
  done
  make_home "$e2e_dir/x11home" False
  make_home "$e2e_dir/peerhome" True
  echo "$seconds s a run, $runs rounds, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg) at the start" >&2
  for round in $(seq "$runs"); do
    echo "round $round, load $(cut -d' ' -f1 /proc/loadavg)" >&2
    rm -f "$e2e_dir/display"
    start_xvfb 3840x2160
    xvfb_pid=${e2e_pids[-1]}
    for i in "${!builds[@]}"; do
      x11_run "${builds[$i]}/ambervale" "$xvfb_pid" --fast 50
      note "X11, 3840x2160, Fast 50, %" "$i" "$(together)"
    done
    stop_pids "$xvfb_pid"

    rm -f "$e2e_dir/display"
    start_xvfb 1920x1080
    xvfb_pid=${e2e_pids[-1]}
    for i in "${!builds[@]}"; do
      x11_run "${builds[$i]}/ambervale" "$xvfb_pid"
      note "X11, 1920x1080, default pace, %" "$i" "$(together)"
      if [ -x "$peers/slidescreen" ]; then
        peer_run slidescreen "$xvfb_pid"
        note "X11, 1920x1080, default pace, %" slidescreen "$(together)"
      fi
    done
    stop_pids "$xvfb_pid"

    start_sway 1 "output HEADLESS-1 resolution 3840x2160"
    sway_pid=$(pid_of "^sway -c $e2e_dir/sway.conf")
    for i in "${!builds[@]}"; do
      program="$bin_dir/ambervale-wayland-$i"
      wayland_run 50 "$sway_pid"
      note "Wayland, 3840x2160, Fast 50, %" "$i" "$(together)"
      note "Wayland, 3840x2160, memory MiB" "$i" "$rss"
    done
    stop_pids "$sway_pid"

    if [ "${WINE:-1}" != 0 ]; then
      for i in "${!builds[@]}"; do
        # Without a saver of its own, only the first build gets the one measure-wine.sh builds.
        [ -n "${scrs[$i]:-}" ] || [ "$i" = 0 ] || continue
        line=$(AMBERVALE_SCR=${scrs[$i]:-} ROWS_ONLY=1 SIZES=3840x2160 FASTS=50 \
          bash "$root/scripts/measure-wine.sh" "$seconds" | tail -n 1)
        value=$(awk -F'|' '{gsub(/ /, "", $10); print $10}' <<<"$line")
        [[ "$value" =~ ^[0-9.]+$ ]] && note "composited window (Wine), 3840x2160, Fast 50, %" "$i" "$value"
      done
    fi
  done
  echo
  echo "| figure | program | runs | median | spread |"
  echo "|---|---|---|---|---|"
  # Builds by their folder's name; rows in the order first measured.
  awk -F'\t' -v names="${builds[*]}" '
    BEGIN { n = split(names, b, " "); for (i = 1; i <= n; ++i) { name = b[i]; sub(/\/+$/, "", name)
      k = split(name, parts, "/"); label[i - 1] = (k > 2 ? parts[k - 2] "/" : "") parts[k - 1] "/" parts[k] } }
    { key = $1 SUBSEP $2; if (!(key in count)) order[++keys] = key; values[key, ++count[key]] = $3 }
    END {
      for (k = 1; k <= keys; ++k) {
        key = order[k]; m = count[key]
        for (i = 1; i <= m; ++i) v[i] = values[key, i]
        for (i = 2; i <= m; ++i) for (j = i; j > 1 && v[j - 1] > v[j]; --j) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
        median = m % 2 ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
        split(key, f, SUBSEP); who = f[2] in label ? label[f[2]] : f[2]
        printf "| %s | %s | %d | %.2f | %.2f-%.2f |\n", f[1], who, m, median, v[1], v[m]
      }
    }' "$results"
  rm -f "$results"
  exit 0
fi

echo "$seconds s a run, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), $(basename "$build")"
echo
echo "| host | size | Fast | ticks/s | promised | presents/s | program % | server % | together % | memory MiB |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for size in ${SIZES:-1920x1080 3840x2160}; do
  start_sway 1 "output HEADLESS-1 resolution $size"
  sway_pid=$(pid_of "^sway -c $e2e_dir/sway.conf")
  for fast in ${FASTS:-0 33 45 50}; do
    wayland_run "$fast" "$sway_pid"
    row wayland "$size" "$fast" "$e2e_dir/saver.log"
  done
  stop_pids "$sway_pid"

  rm -f "$e2e_dir/display"  # or the new server's display number may be read from the last one's
  start_xvfb "$size"
  xvfb_pid=${e2e_pids[-1]}
  make_home "$e2e_dir/x11home" False
  for fast in ${FASTS:-0 33 45 50}; do
    x11_run "$x11_program" "$xvfb_pid" --fps --fast "$fast"
    row x11 "$size" "$fast" "$e2e_dir/x11.log"
  done
  # The peers at their own defaults, over the root window's picture where they take one.
  make_home "$e2e_dir/peerhome" True
  for peer in slidescreen distort; do
    [ -x "$peers/$peer" ] || { echo "| $peer | $size | not installed (xscreensaver-data, -extra) |"; continue; }
    peer_run "$peer" "$xvfb_pid"
    row "$peer" "$size" - /dev/null
  done
  stop_pids "$xvfb_pid"
done
# The Windows composited window under Wine, in the same run (WINE=0 leaves it out).
if [ "${WINE:-1}" != 0 ]; then
  ROWS_ONLY=1 SIZES="${SIZES:-1920x1080 3840x2160}" FASTS="${FASTS:-0 33 45 50}" \
    bash "$root/scripts/measure-wine.sh" "$seconds"
fi
