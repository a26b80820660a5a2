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

# Starts Xvfb on the first free display number from $1 to $2 and sets $DISPLAY; $3 is the
# screen's depth, 24 unless given. It runs with -noreset: a server that resets when its last
# client leaves puts the pointer back.
# E2E_DISPLAYS="FIRST LAST" overrides the range (for people sharing a machine).
start_display() {
  local first=$1 last=$2 depth=${3:-24}
  unset WAYLAND_DISPLAY VANTARO_WAYLAND  # an X11 test, whatever desktop it runs in
  [ -n "${E2E_DISPLAYS:-}" ] && read -r first last <<<"$E2E_DISPLAYS"
  for n in $(seq "$first" "$last"); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "1024x768x$depth" -nolisten tcp -noreset >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.05; done
    fail "Xvfb did not start on :$n"
  done
  fail "no free display number"
}

# Starts Xorg with the dummy video driver, which offers several monitors (Xvfb shows one), on
# the first free display number from $1 to $2 and sets $DISPLAY; the test is skipped where
# Xorg cannot run (not installed, not root, no virtual terminal). $3 x $4 is the largest screen.
start_monitors_display() {
  local first=$1 last=$2
  [ -n "${E2E_DISPLAYS:-}" ] && read -r first last <<<"$E2E_DISPLAYS"
  command -v Xorg >/dev/null && [ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ] ||
    { echo "Xorg with the dummy driver is not installed"; exit 77; }
  [ "$(id -u)" -eq 0 ] || { echo "Xorg with a configuration of its own needs root"; exit 77; }
  printf '%s\n' 'Section "ServerFlags"' '  Option "AutoAddDevices" "false"' 'EndSection' \
    'Section "Device"' '  Identifier "dummy"' '  Driver "dummy"' '  VideoRam 256000' 'EndSection' \
    'Section "Monitor"' '  Identifier "monitor"' '  HorizSync 5.0-1000.0' '  VertRefresh 5.0-200.0' 'EndSection' \
    'Section "Screen"' '  Identifier "screen"' '  Device "dummy"' '  Monitor "monitor"' '  DefaultDepth 24' \
    '  SubSection "Display"' '    Depth 24' "    Virtual $3 $4" '  EndSubSection' 'EndSection' >"$work/xorg.conf"
  for n in $(seq "$first" "$last"); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xorg ":$n" -noreset -nolisten tcp -config "$work/xorg.conf" -logfile "$work/xorg.log" >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 200); do
      xdpyinfo >/dev/null 2>&1 && return 0
      kill -0 "${pids[-1]}" 2>/dev/null || break
      sleep 0.05
    done
    echo "Xorg did not start on :$n: $(grep -m 3 '(EE)' "$work/xorg.log" 2>/dev/null)"
    exit 77
  done
  fail "no free display number"
}

# Sets the dummy server's monitors, each given as OUTPUT:WIDTHxHEIGHT+X+Y, the first primary;
# the other outputs go off.
set_monitors() {
  local args=() monitor output mode pos primary=--primary
  for monitor in "$@"; do
    output=${monitor%%:*}; mode=${monitor#*:}; pos=${mode#*+}; mode=${mode%%+*}
    xrandr --addmode "$output" "$mode" 2>/dev/null
    args+=(--output "$output" --mode "$mode" --pos "${pos/+/x}" $primary)
    primary=
  done
  for output in $(xrandr | awk '/^DUMMY[0-9]+ / {print $1}'); do
    [[ " $* " == *" $output:"* ]] || args+=(--output "$output" --off)
  done
  xrandr "${args[@]}" || fail "xrandr could not set the monitors $*"
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
