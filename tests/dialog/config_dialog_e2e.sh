#!/usr/bin/env bash
# The configuration mode of the built saver on a virtual display of its own, clicked through
# as a user would.
#   config_dialog_e2e.sh SCENARIO PATH/TO/vantaro PATH/TO/dialog_layout PATH/TO/x_helper
set -u
scenario=$1
saver=$2
layout_tool=$3
x_helper=$4

command -v xdotool >/dev/null || { echo "xdotool is not installed"; exit 77; }
source "$(dirname "$0")/../e2e/virtual_display.sh"

# Time limits are multiplied by this (the sanitizer build is slower).
scale=${E2E_TIME_SCALE:-1}

export XDG_CONFIG_HOME=$work/config
export SDL_AUDIODRIVER=dummy
export NO_AT_BRIDGE=1
settings=$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini

# Starts `vantaro -c` and waits for its dialog; sets $dialog_pid, $origin_x and $origin_y.
open_dialog() {
  "$saver" -c >"$work/out" 2>"$work/err" &
  dialog_pid=$!
  pids+=("$dialog_pid")
  local window
  window=$(wait_for_saver_window "$dialog_pid" $((200 * scale)))
  dialog_window=$window
  if [ -z "$window" ]; then
    kill -0 "$dialog_pid" 2>/dev/null || fail "vantaro -c ended before its dialog appeared: $(cat "$work/err")"
    fail "no dialog appeared"
  fi
  sleep "$(awk -v s="$scale" 'BEGIN { print 0.3 * s }')"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  origin_x=$X
  origin_y=$Y
  "$layout_tool" 130 >"$work/layout" || fail "no layout of dialog 130"
  item=$(awk '$1 == "item" {print $2}' "$work/layout")
}

pause=$(awk -v s="$scale" 'BEGIN { print 0.1 * s }')
click_at() { xdotool mousemove "$1" "$2" click 1; sleep "$pause"; }

# The middle of control $1.
click_control() {
  read -r x y w h < <(awk -v id="$1" '$1 == id {print $2, $3, $4, $5}' "$work/layout")
  click_at $((origin_x + x + w / 2)) $((origin_y + y + h / 2))
}

# Item $2 of list box $1, counted from the top.
click_item() {
  read -r x y w _ < <(awk -v id="$1" '$1 == id {print $2, $3, $4, $5}' "$work/layout")
  click_at $((origin_x + x + w / 3)) $((origin_y + y + 2 + $2 * item + item / 2))
}

# Succeeds when the dialog's process ends within $1 seconds with status 0.
ends_with_success_within() {
  for _ in $(seq $(($1 * 20 * scale))); do
    if ! kill -0 "$dialog_pid" 2>/dev/null; then
      wait "$dialog_pid"
      return $?
    fi
    sleep 0.05
  done
  return 1
}

OK=1 CANCEL=2 SOUND=1002 AVAILABLE=1005 PLAY=1006 ADD=1007 REMOVE=1009 UP=1010 PLAY_ALL=1014

start_display 400 499
case "$scenario" in
  ok_stores_the_choices)
    open_dialog
    click_item $AVAILABLE 1      # programme 6
    click_item $AVAILABLE 0      # programme 5
    click_control $ADD           # 1 2 3 4 16 24 27 5 6
    click_item $PLAY 0
    click_control $REMOVE        # 2 3 4 16 24 27 5 6
    click_item $PLAY 7
    click_control $UP
    click_control $UP            # 2 3 4 16 24 6 27 5
    click_control $SOUND
    click_control $OK
    ends_with_success_within 5 || fail "OK did not end the program with status 0"
    expected='Program=\x02\x03\x04\x10\x18\x06\x1B\x05
Sound=0
Width=800
Height=600
Volume=65535
Smoke=2'
    got=$(grep -v '^\[Option\]$' "$settings" | grep -v '^$')
    [ "$got" = "$expected" ] || fail "the settings file holds: $(cat "$settings")"
    ;;
  cancel_keeps_the_file)
    mkdir -p "$(dirname "$settings")"
    printf '[Option]\nProgram=\\x05\\x07\nSound=1\nWidth=1920\nHeight=1080\nVolume=1234\nSmoke=3\n' >"$settings"
    cp "$settings" "$work/before"
    touch -d '2001-01-01' "$settings"
    open_dialog
    click_control $PLAY_ALL
    click_control $REMOVE
    click_item $AVAILABLE 3
    click_control $ADD
    click_control $SOUND
    click_control $CANCEL
    ends_with_success_within 5 || fail "Cancel did not end the program with status 0"
    cmp -s "$settings" "$work/before" || fail "the settings file changed: $(cat "$settings")"
    [ "$(stat -c %Y "$settings")" = "$(date -d '2001-01-01' +%s)" ] || fail "the settings file was rewritten"
    ;;
  second_instance_exits)
    open_dialog
    expect_second_instances_end "-c" "-w" "" "-a"
    [ "$(xdotool search --onlyvisible --class ssKZClass | wc -l)" -eq 1 ] || fail "a second window appeared"
    kill -0 "$dialog_pid" || fail "the dialog ended"
    click_control $CANCEL
    ends_with_success_within 5 || fail "Cancel did not end the program"
    [ ! -e "$settings" ] || fail "settings were written"
    ;;
  no_display_fails)
    DISPLAY= timeout $((10 * scale)) "$saver" -c >/dev/null 2>"$work/err"
    status=$?
    [ "$status" -ne 0 ] && [ "$status" -ne 124 ] || fail "-c without a display ended with status $status"
    grep -q 'no display' "$work/err" || fail "-c without a display said: $(cat "$work/err")"
    [ ! -e "$settings" ] || fail "settings were written"
    ;;
  failed_save_keeps_the_dialog)
    # The settings folder cannot be made: a file stands where its parent should be.
    touch "$work/blocked"
    export XDG_CONFIG_HOME=$work/blocked/config
    open_dialog
    click_control $SOUND
    click_control $OK
    # The message is shown, and the dialog with the user's edits is still there behind it.
    message=""
    for _ in $(seq $((100 * scale))); do
      message=$(xdotool search --onlyvisible --name '^Vantaro$' 2>/dev/null | head -n 1)
      [ -n "$message" ] && break
      sleep 0.05
    done
    [ -n "$message" ] || fail "no message said the save failed"
    kill -0 "$dialog_pid" 2>/dev/null || fail "the program ended after the failed save"
    [ -n "$(xdotool search --onlyvisible --class ssKZClass 2>/dev/null)" ] ||
      fail "the dialog closed although nothing was saved"
    # The user reads the message, then gives up.
    eval "$(xdotool getwindowgeometry --shell "$message")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) key Return
    for _ in $(seq $((100 * scale))); do
      [ -z "$(xdotool search --onlyvisible --name '^Vantaro$' 2>/dev/null)" ] && break
      sleep 0.05
    done
    [ -z "$(xdotool search --onlyvisible --name '^Vantaro$' 2>/dev/null)" ] || fail "the message did not close"
    click_control $CANCEL
    for _ in $(seq $((100 * scale))); do kill -0 "$dialog_pid" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$dialog_pid" 2>/dev/null && fail "Cancel did not end the program"
    wait "$dialog_pid"
    status=$?
    [ "$status" -ne 0 ] || fail "the exit status says nothing of the failed save"
    ;;
  destroyed_or_signalled_ends)
    # Nobody can answer a dialog whose window another client destroyed: it ends as Cancel does,
    # and so does one sent a termination signal.
    for way in destroy TERM; do
      open_dialog
      if [ "$way" = destroy ]; then
        "$x_helper" destroy "$((dialog_window))" || fail "the dialog's window could not be destroyed"
      else
        kill -TERM "$dialog_pid"
      fi
      ends_with_success_within 1 || fail "$way: the dialog did not end with status 0 within a second"
      [ ! -e "$settings" ] || fail "$way: settings were written"
    done
    ;;
  without_fonts_fits_the_screen)
    # No font at all: the text cannot show, but the dialog still fits the 1024 x 768 screen.
    printf '<?xml version="1.0"?>\n<fontconfig><cachedir>%s</cachedir></fontconfig>\n' "$work/font-cache" \
      >"$work/no-fonts.conf"
    FONTCONFIG_FILE=$work/no-fonts.conf open_dialog
    eval "$(xdotool getwindowgeometry --shell "$dialog_window")"
    [ "$WIDTH" -le 1024 ] && [ "$HEIGHT" -le 768 ] || fail "the dialog is ${WIDTH}x$HEIGHT on a 1024x768 screen"
    ;;
  simultaneous_dialogs_one_runs)
    # Two configuration dialogs started at the same moment: one shows, the other ends.
    "$saver" -c >/dev/null 2>&1 & first=$!
    "$saver" -c >/dev/null 2>&1 & second=$!
    pids+=("$first" "$second")
    sleep "$(awk -v s="$scale" 'BEGIN { print 4 * s }')"
    running=0
    for p in "$first" "$second"; do kill -0 "$p" 2>/dev/null && running=$((running + 1)); done
    windows=$(xdotool search --onlyvisible --class ssKZClass 2>/dev/null | wc -l)
    [ "$running" -eq 1 ] && [ "$windows" -eq 1 ] || fail "$running dialogs run, $windows windows shown"
    [ ! -e "$settings" ] || fail "settings were written"
    ;;
  *)
    fail "unknown scenario $scenario"
    ;;
esac
echo "PASS: $scenario"
