# Shared by the Linux end-to-end tests: a private Xvfb screen, screenshots and their
# comparison, bounded waits, and clean-up of everything a test started on every path.
# Sourced; the test sets `program` (the built ambervale) before calling anything here.

set -euo pipefail
e2e_dir=$(mktemp -d /tmp/ambervale-e2e.XXXXXX)
chmod 755 "$e2e_dir"
e2e_pids=()

# stop_pids PID...: SIGTERM, a few seconds' grace, then SIGKILL; reaps our own children.
stop_pids() {
  local pid
  for pid in "$@"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "$@"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}

# Last started, first stopped: the programs before the X server they draw on.
e2e_cleanup() {
  if declare -F e2e_extra_cleanup >/dev/null; then e2e_extra_cleanup; fi
  local reversed=() i
  for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do reversed+=("${e2e_pids[i]}"); done
  stop_pids "${reversed[@]}"
  rm -rf "$e2e_dir"
}
trap e2e_cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# wait_for SECONDS DESCRIPTION COMMAND...: polls the command until it succeeds.
wait_for() {
  local limit=$1 what=$2; shift 2
  local end=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt $end ] || fail "no $what within $limit s"
    sleep 0.1
  done
}

# start_xvfb WxH: a screen of our own on a free display; it keeps its root picture when
# clients leave (-noreset) and lets other users in (-ac).
start_xvfb() {
  local size=$1
  Xvfb -displayfd 3 -screen 0 "${size}x24" -noreset -ac -nolisten tcp 3>"$e2e_dir/display" 2>"$e2e_dir/xvfb.log" &
  e2e_pids+=($!)
  wait_for 60 "Xvfb display" test -s "$e2e_dir/display"
  export DISPLAY=":$(head -n1 "$e2e_dir/display")"
  wait_for 60 "Xvfb answering" xdpyinfo >/dev/null 2>&1
}

# A plaid root picture of two colours that the test can recognise.
paint_root_pattern() { xsetroot -mod 16 16 -fg '#336699' -bg '#cc9933'; }

# shot FILE: the whole screen as PNG.
shot() { xwd -root -silent | convert xwd:- "$1"; }

# differing_pixels A B [WxH+X+Y]: how many pixels differ between two shots (in the region).
differing_pixels() {
  local crop=()
  [ $# -ge 3 ] && crop=(-crop "$3" +repage)
  convert "$1" "${crop[@]}" "$e2e_dir/a.ppm" && convert "$2" "${crop[@]}" "$e2e_dir/b.ppm" || return 1
  local count
  count=$(compare -metric AE "$e2e_dir/a.ppm" "$e2e_dir/b.ppm" null: 2>&1 || true)
  [[ $count =~ ^[0-9]+$ ]] || { echo "compare: $count" >&2; return 1; }
  echo "$count"
}

# colours FILE [WxH+X+Y]: how many distinct colours the shot (region) holds.
colours() {
  local crop=()
  [ $# -ge 2 ] && crop=(-crop "$2" +repage)
  convert "$1" "${crop[@]}" -format '%k' info:
}

# A home whose ~/.xscreensaver allows or forbids desktop pictures.
make_home() {  # make_home DIR True|False
  mkdir -p "$1"
  printf 'grabDesktopImages:\t%s\n' "$2" >"$1/.xscreensaver"
}

# The shared memory segments the process created that are still there.
shm_segments_of() { ipcs -m -p | awk -v pid="$1" '$3 == pid' | wc -l; }
