#!/usr/bin/env bash
# End-to-end checks of the saver as a Wayland client, on a headless sway of its own.
#   wayland_e2e.sh SCENARIO PATH/TO/vantaro PATH/TO/wayland_pointer
# sway refuses to run as root: then it runs as nobody, in a runtime folder that user owns
# (the saver, as root, can still reach its socket).
set -u
scenario=$1
saver=$2
pointer_helper=$3

# shellcheck source=tests/e2e/virtual_display.sh
source "$(dirname "$0")/virtual_display.sh"
for tool in sway swaymsg grim wtype convert; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
done
export XDG_CONFIG_HOME=$work/config
export SDL_AUDIODRIVER=dummy
scale=${E2E_TIME_SCALE:-1}
unset DISPLAY VANTARO_WAYLAND

# Starts sway with one 1280 x 720 output; sets XDG_RUNTIME_DIR, WAYLAND_DISPLAY, SWAYSOCK.
start_sway() {
  export XDG_RUNTIME_DIR=$work/runtime
  mkdir -m 0700 "$XDG_RUNTIME_DIR"
  printf 'xwayland disable\noutput HEADLESS-1 resolution 1280x720\n' >"$work/sway.config"
  local as_user=()
  if [ "$(id -u)" -eq 0 ]; then
    chown nobody:nogroup "$XDG_RUNTIME_DIR"
    chmod 0755 "$work"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  "${as_user[@]}" env -i PATH="$PATH" HOME="$XDG_RUNTIME_DIR" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
  sway_pid=$!
  pids+=("$sway_pid")
  for _ in $(seq 200); do
    SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -n 1)
    WAYLAND_DISPLAY=$(cd "$XDG_RUNTIME_DIR" && ls wayland-? 2>/dev/null | head -n 1)
    [ -n "$SWAYSOCK" ] && [ -n "$WAYLAND_DISPLAY" ] && SWAYSOCK=$SWAYSOCK swaymsg -t get_outputs >/dev/null 2>&1 && break
    sleep 0.05
  done
  export SWAYSOCK WAYLAND_DISPLAY
  [ -n "$WAYLAND_DISPLAY" ] || fail "sway did not start: $(cat "$work/sway.log")"
}

start_saver() {
  "$saver" "$@" >"$work/saver.out" 2>"$work/saver.err" &
  saver_pid=$!
  pids+=("$saver_pid")
}

ends_within() { process_ends_within "$saver_pid" "$1"; }

# Ends when the saver has ended, with its status in $status.
reap() { wait "$saver_pid"; status=$?; }

# Colours in a screenshot of the output ($1: the file): sky, ground and aircraft give many; an
# empty desktop or a cleared frame one or two.
shot_colours() {
  grim "$1" 2>/dev/null || return 1
  convert "$1" -format '%k' info:
}

# Waits until the screen shows a drawn frame (the first programme loads its models first);
# keeps the screenshot as $work/$1.png.
wait_until_drawn() {
  for _ in $(seq $((60 * scale))); do
    [ "$(shot_colours "$work/$1.png" 2>/dev/null || echo 0)" -gt 200 ] && return 0
    kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended: $(cat "$work/saver.err")"
    sleep 0.25
  done
  fail "the screen never showed a drawn frame"
}

# Presses key $1 and expects the saver to end within a second with status 0.
key_ends_it() {
  wtype -s 300 -k "$1" || fail "wtype could not press $1"
  ends_within 1 || fail "still running a second after the key $1"
  reap
  [ "$status" -eq 0 ] || fail "ended with status $status after a key: $(cat "$work/saver.err")"
}

# Keeps the screenshot where a person can look at it.
keep_shot() { [ -n "${E2E_SHOTS:-}" ] && cp "$work/$1.png" "$E2E_SHOTS/wayland_$1.png"; return 0; }

start_sway

case "$scenario" in
  full_screen)
    grim "$work/desktop.png" || fail "grim cannot take a screenshot"
    start_saver
    wait_until_drawn full_screen
    keep_shot full_screen
    # The picture covers the output: no corner shows the desktop's background.
    desktop=$(convert "$work/desktop.png" -format '%[pixel:p{0,0}]' info:)
    for corner in 0,0 1279,0 0,719 1279,719; do
      [ "$(convert "$work/full_screen.png" -format "%[pixel:p{$corner}]" info:)" != "$desktop" ] ||
        fail "the corner $corner shows the desktop"
    done
    # One saver per desktop: a second one and the dialog end at once; the preview too, before
    # saying it needs X11.
    expect_second_instances_end "" "-w" "-c" "-p 12345"
    kill -0 "$saver_pid" || fail "the first instance ended"
    key_ends_it Escape
    ;;
  window)
    start_saver -w
    wait_until_drawn window
    keep_shot window
    # The window sway made for the class: its content is 640 x 480.
    size=$(swaymsg -t get_tree | python3 -c '
import json, sys
def views(node):
    yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from views(child)
for view in views(json.load(sys.stdin)):
    if view.get("app_id") == "ssKZClass":
        print("%dx%d" % (view["window_rect"]["width"], view["window_rect"]["height"]))')
    [ "$size" = "640x480" ] || fail "the window of class ssKZClass is '$size', not 640x480"
    key_ends_it a
    ;;
  pointer)
    # The pointer stands in the middle of the output before the saver starts, as a mouse would.
    coproc POINTER { "$pointer_helper"; }
    pids+=("$POINTER_PID")
    move() { echo "$1" >&"${POINTER[1]}"; read -r -t 5 answer <&"${POINTER[0]}" && [ "$answer" = ok ] ||
               fail "the pointer did not move ($1)"; }
    move "to 640 360 1280 720"
    start_saver
    wait_until_drawn pointer
    move "by 3 0"
    move "by 2 0"
    move "by -5 5"
    ! ends_within 1 || fail "a move of 5 pixels from where the pointer entered ended the saver"
    move "by 0 1"
    ends_within 1 || fail "still running a second after a move of 6 pixels"
    reap
    [ "$status" -eq 0 ] || fail "ended with status $status after the pointer moved"
    ;;
  compositor_closes)
    start_saver -w
    wait_until_drawn compositor_closes
    swaymsg '[app_id="ssKZClass"] kill' >/dev/null || fail "sway could not close the window"
    ends_within 1 || fail "still running a second after the compositor closed its window"
    reap
    [ "$status" -eq 0 ] || fail "ended with status $status when its window was closed"
    ;;
  hidden_window)
    # A window the compositor does not show is not drawn, and still hears it: closed while
    # hidden, it ends.
    start_saver -w
    wait_until_drawn hidden_window
    swaymsg workspace 2 >/dev/null || fail "sway could not change workspace"
    sleep 0.5
    before=$(awk '{print $14 + $15}' "/proc/$saver_pid/stat")
    sleep 2
    after=$(awk '{print $14 + $15}' "/proc/$saver_pid/stat")
    [ $((after - before)) -le $((20 * scale)) ] || fail "hidden, it used $((after - before)) ticks of CPU in 2 s"
    swaymsg '[app_id="ssKZClass"] kill' >/dev/null || fail "sway could not close the window"
    ends_within 1 || fail "still running a second after the compositor closed its hidden window"
    reap
    [ "$status" -eq 0 ] || fail "ended with status $status when its hidden window was closed"
    ;;
  compositor_ends)
    start_saver
    wait_until_drawn compositor_ends
    kill "$sway_pid"
    ends_within 1 || fail "still running a second after the compositor ended"
    reap
    [ "$status" -eq 1 ] || fail "ended with status $status when the compositor went away"
    ;;
  x11_only_modes)
    # Said in one line, with a failing status.
    "$saver" -p 12345 >"$work/out" 2>"$work/preview.err"
    status=$?
    [ "$status" -eq 1 ] || fail "-p: status $status"
    XSCREENSAVER_WINDOW=0x1234 "$saver" --root >"$work/out" 2>"$work/host.err"
    [ $? -eq 1 ] || fail "a host's window: status not 1"
    for said in "$work/preview.err" "$work/host.err"; do
      [ "$(wc -l <"$said")" -eq 1 ] && grep -q 'needs an X11 display' "$said" || fail "it said: $(cat "$said")"
    done
    ;;
  dialog)
    # The configuration dialog comes up on the compositor; a second one ends at once.
    start_saver -c
    for _ in $(seq $((100 * scale))); do
      swaymsg -t get_tree | grep -q '"pid": '"$saver_pid" && break
      sleep 0.1
    done
    swaymsg -t get_tree | grep -q '"pid": '"$saver_pid" || fail "no dialog window: $(cat "$work/saver.err")"
    grim "$work/dialog.png" && keep_shot dialog
    expect_second_instances_end "-c" ""
    kill -0 "$saver_pid" || fail "the dialog ended"
    ;;
  *) fail "unknown scenario $scenario" ;;
esac
echo "PASS: $scenario"
