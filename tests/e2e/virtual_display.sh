# Sourced by the end-to-end scripts: a temporary folder $work, processes in $pids ended with the
# script, and a virtual display of the script's own.

command -v Xvfb >/dev/null || { echo "Xvfb is not installed"; exit 77; }

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  # A process that does not end on SIGTERM within five seconds is killed outright.
  for _ in $(seq 100); do
    alive=0
    for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && alive=1; done
    [ "$alive" -eq 0 ] && break
    sleep 0.05
  done
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }

# Starts Xvfb on the first free display number from $1 to $2 and sets $DISPLAY. It runs with
# -noreset: a server that resets when its last client leaves puts the pointer back.
# E2E_DISPLAYS="FIRST LAST" overrides the range (for people sharing a machine).
start_display() {
  local first=$1 last=$2
  unset WAYLAND_DISPLAY VANTARO_WAYLAND  # an X11 test, whatever desktop it runs in
  [ -n "${E2E_DISPLAYS:-}" ] && read -r first last <<<"$E2E_DISPLAYS"
  for n in $(seq "$first" "$last"); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.05; done
    fail "Xvfb did not start on :$n"
  done
  fail "no free display number"
}

# The windows of class ssKZClass among the children of window $1 (ids in hex), one a line.
saver_windows_in() {
  xwininfo -children -id "$1" 2>/dev/null | awk '/^ +0x/ {print $1}' | while read -r w; do
    xprop -id "$w" WM_CLASS 2>/dev/null | grep -q '"ssKZClass"' && echo "$w"
  done
}

# Prints the id of the first window of class ssKZClass, waiting up to $2 steps of 50 ms for it
# while process $1 runs; prints nothing when the process ends first or time is up. $3 says where
# to look: "visible" (the default) for visible windows only, "any" for every window, or a
# window id for that window's children (the saver inside a host's window).
wait_for_saver_window() {
  local window
  for _ in $(seq "$2"); do
    case "${3:-visible}" in
      visible) window=$(xdotool search --onlyvisible --class ssKZClass 2>/dev/null | head -n 1) ;;
      any) window=$(xdotool search --class ssKZClass 2>/dev/null | head -n 1) ;;
      *) window=$(saver_windows_in "$3" | head -n 1) ;;
    esac
    [ -n "$window" ] && { echo "$window"; return; }
    kill -0 "$1" 2>/dev/null || return
    sleep 0.05
  done
}

# Succeeds when process $1 ends within $2 seconds (multiplied by $scale, 1 when unset).
process_ends_within() {
  local steps
  steps=$(awk "BEGIN { print int($2 * ${scale:-1} * 20) }")
  for _ in $(seq "$steps"); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.05
  done
  return 1
}

# A second instance started with each set of switches ($@) ends at once with status 0 while the
# first one runs on. Time limits are multiplied by $scale.
expect_second_instances_end() {
  local switches start status elapsed
  for switches in "$@"; do
    start=$(date +%s%N)
    # shellcheck disable=SC2086
    timeout 5 "$saver" $switches >/dev/null 2>&1
    status=$?
    elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
    [ "$status" -eq 0 ] || fail "second instance '$switches' ended with status $status"
    [ "$elapsed" -lt $((2000 * scale)) ] || fail "second instance '$switches' took $elapsed ms"
  done
}
