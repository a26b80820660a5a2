#!/usr/bin/env bash
# End-to-end checks of vantaro.scr under Wine, each scenario on a virtual display of its own,
# with a Wine server of its own on the end-to-end prefix and the saver's registry key removed
# first. The full-screen scenarios run in a Wine virtual desktop, which offers the display
# modes the saver switches to; the dialog scenarios on the bare display, where xdotool finds
# the dialog by its title.
#   saver_e2e.sh SCENARIO BUILD_DIR PATH/TO/vantaro.scr PATH/TO/preview_host.exe
set -u
scenario=$1
build=$2
saver=$3
host=$4

command -v xdotool >/dev/null || { echo "xdotool is not installed"; exit 77; }
# shellcheck source=tests/windows_e2e/wine_session.sh
source "$(dirname "$0")/wine_session.sh"
scale=${E2E_TIME_SCALE:-1}

reg_set() { wine_run reg add "$1" /v "$2" /d "$3" /f || fail "reg add $1 $2"; }

# A server of this scenario's own, detached from the test's output, ended with the scenario.
wine_session() {
  start_wine_server
  wine_run reg delete 'HKCU\Software\KELDRAN' /f
  # The Japanese dialog fonts, by the fonts installed here.
  reg_set 'HKCU\Software\Wine\Fonts\Replacements' "MS Shell Dlg" IPAPGothic
  reg_set 'HKCU\Software\Wine\Fonts\Replacements' "ＭＳ Ｐゴシック" IPAPGothic
  if [ "$1" = desktop ]; then
    reg_set 'HKCU\Software\Wine\Explorer' Desktop Default
    reg_set 'HKCU\Software\Wine\Explorer\Desktops' Default 1024x768
  else
    wine_run reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f
  fi
}
# Starts the saver with the given switches; sets $saver_pid.
start_saver() {
  "$wine" "$saver" "$@" </dev/null >"$work/saver.out" 2>&1 &
  saver_pid=$!
  pids+=("$saver_pid")
}

colours() { convert "$1" -format '%k' info:; }
pixel() { convert "$1" -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]" -crop "1x1+$2+$3" info:; }

# Waits until the screen shows a drawn picture (more than 50 colours) while the saver runs.
wait_until_drawn() {
  for _ in $(seq $((60 * scale))); do
    import -window root "$work/screen.png" 2>/dev/null
    [ "$(colours "$work/screen.png")" -gt 50 ] && return 0
    kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended before it drew: $(cat "$work/saver.out")"
    sleep 1
  done
  fail "the screen never showed a drawn picture"
}

# The host's preview pane at 100, 100, 200 x 150 for $1 seconds, and the saver's preview in it;
# sets $host_pid, $pane and $saver_pid.
start_preview() {
  "$wine" "$host" 100 100 200 150 "$1" "$(winepath_of "$work/pane")" </dev/null >/dev/null 2>&1 &
  host_pid=$!
  pids+=("$host_pid")
  for _ in $(seq 200); do [ -s "$work/pane" ] && break; sleep 0.05; done
  pane=$(tr -d '\r\n' <"$work/pane")
  [ -n "$pane" ] || fail "the preview pane did not appear"
  start_saver /p "$pane"
}

start_full_screen() {
  wine_session desktop
  xdotool mousemove 400 300
  start_saver /s
  wait_until_drawn
}

# The dialog's window, found by its title; sets $dialog and its geometry $dx $dy $dw $dh.
wait_for_dialog() {
  for _ in $(seq $((200 * scale))); do
    dialog=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
    if [ -n "$dialog" ]; then
      eval "$(xdotool getwindowgeometry --shell "$dialog" | sed 's/^X=/dx=/;s/^Y=/dy=/;s/^WIDTH=/dw=/;s/^HEIGHT=/dh=/')"
      return 0
    fi
    kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended before its dialog appeared: $(cat "$work/saver.out")"
    sleep 0.05
  done
  fail "no dialog titled $1"
}

# Gives the dialog the keyboard with a click on its empty bottom row, between ABOUT and OK.
focus_dialog() { xdotool mousemove $((dx + dw / 2)) $((dy + dh - 20)) click 1; sleep 0.5; }

settings_export() {
  rm -f "$work/option.reg"
  wine_run reg export 'HKCU\Software\KELDRAN\Vantaro\Option' "$(winepath_of "$work/option.reg")" /y
  [ -f "$work/option.reg" ] && iconv -f UTF-16LE -t UTF-8 "$work/option.reg" | tr -d '\r'
}
winepath_of() { echo "Z:${1//\//\\}"; }

dialog_session() {
  wine_session bare
  start_saver "$1"
  wait_for_dialog "Vantaro 設定"
}

case $scenario in
  full_screen_draws_and_a_key_ends_it)
    start_full_screen
    # The virtual desktop took the mode the saver chose, 800 x 600 (the display around it is
    # black), and the picture covers all of it, corner to corner.
    [ "$(pixel "$work/screen.png" 802 300)" = "0,0,0" ] && [ "$(pixel "$work/screen.png" 400 602)" = "0,0,0" ] ||
      fail "the desktop is not 800 x 600"
    for corner in "1 1" "798 1" "1 598" "798 598"; do
      # shellcheck disable=SC2086
      [ "$(pixel "$work/screen.png" $corner)" != "0,0,0" ] || fail "corner $corner is black"
    done
    echo "colours on the screen: $(colours "$work/screen.png")"
    xdotool click 1
    sleep 1.5
    kill -0 "$saver_pid" 2>/dev/null || fail "a click without movement ended the saver"
    xdotool key a
    process_ends_within "$saver_pid" 1 || fail "a key did not end the saver within a second"
    ;;
  a_six_pixel_move_ends_it_a_five_pixel_one_does_not)
    start_full_screen
    xdotool mousemove 405 295
    sleep 1.5
    kill -0 "$saver_pid" 2>/dev/null || fail "a move of 5 pixels ended the saver"
    xdotool mousemove 406 295
    process_ends_within "$saver_pid" 1 || fail "a move of 6 pixels did not end the saver within a second"
    ;;
  a_second_instance_ends_at_once)
    start_full_screen
    first=$saver_pid
    for switches in "/s" "/S" "" "-w" "/c" "/c:1234" "/p 1234" "/a" "x"; do
      # shellcheck disable=SC2086
      start_saver $switches
      process_ends_within "$saver_pid" 5 || fail "a second saver started with '$switches' is still running"
      kill -0 "$first" 2>/dev/null || fail "the first saver ended when one was started with '$switches'"
    done
    ;;
  preview_fills_the_host_window_and_ends_with_it)
    wine_session desktop
    start_preview $((12 * scale))
    sleep $((4 * scale))
    kill -0 "$saver_pid" 2>/dev/null || fail "the preview ended while its window was there: $(cat "$work/saver.out")"
    # Half-way the host lists its children: the saver's window, filling the pane. (What it
    # paints does not reach the screen under Wine, which shows no child window of another
    # process; the painting is checked inside one process by the Windows suite.)
    for _ in $(seq $((200 * scale))); do [ -s "$work/pane.children" ] && break; sleep 0.05; done
    children=$(tr -d '\r' <"$work/pane.children")
    [ "$children" = "ssKZClass 200x150 visible" ] || fail "the pane's children: $children"
    process_ends_within "$host_pid" $((14 * scale)) || fail "the host did not destroy its pane"
    process_ends_within "$saver_pid" 2 || fail "the preview did not end with its window"
    ;;
  a_running_preview_blocks_nothing)
    # The settings page: its preview runs while the user opens the settings and tries the
    # saver. On the bare display, whose one mode the saver takes when 800 x 600 is not offered.
    wine_session bare
    start_preview $((40 * scale))
    preview=$saver_pid
    sleep $((3 * scale))
    kill -0 "$preview" 2>/dev/null || fail "the preview ended: $(cat "$work/saver.out")"
    start_saver "/c:$pane"
    wait_for_dialog "Vantaro 設定"
    sleep 1
    [ -n "${E2E_SCREENSHOT:-}" ] && import -window root "${E2E_SCREENSHOT%.png}-with-preview.png"
    focus_dialog
    xdotool key Escape
    process_ends_within "$saver_pid" 3 || fail "the dialog did not end"
    xdotool mousemove 400 300
    start_saver /s
    wait_until_drawn
    [ -n "${E2E_SCREENSHOT:-}" ] && cp "$work/screen.png" "${E2E_SCREENSHOT%.png}-saver-with-preview.png"
    # The pointer moved, which reaches the saver whichever window has the keyboard here.
    xdotool mousemove 420 300
    process_ends_within "$saver_pid" $((3 * scale)) || fail "moving the pointer did not end the saver"
    kill -0 "$preview" 2>/dev/null || fail "the preview ended with the others"
    ;;
  full_screen_shows_whatever_the_settings_and_environment_say)
    # A stored size no display has is drawn at 800 x 600, one the display lacks at the largest
    # mode it offers within it, and an X11 host's variable means nothing on Windows.
    wine_session desktop
    option='HKCU\Software\KELDRAN\Vantaro\Option'
    for run in "0 600 - 800x600" "99999 600 - 800x600" "1600 1200 - any" "800 600 0x400001 800x600"; do
      read -r width height host_variable expected <<<"$run"
      wine_run reg add "$option" /v Width /t REG_DWORD /d "$width" /f
      wine_run reg add "$option" /v Height /t REG_DWORD /d "$height" /f
      xdotool mousemove 400 300
      if [ "$host_variable" = - ]; then start_saver /s; else XSCREENSAVER_WINDOW=$host_variable start_saver /s; fi
      wait_until_drawn
      if [ "$expected" = 800x600 ]; then
        [ "$(pixel "$work/screen.png" 802 300)" = "0,0,0" ] && [ "$(pixel "$work/screen.png" 798 598)" != "0,0,0" ] ||
          fail "$run: the desktop is not 800 x 600"
      fi
      xdotool key a
      process_ends_within "$saver_pid" 2 || fail "$run: a key did not end the saver"
      wait "$saver_pid"
      status=$?
      [ "$status" -eq 0 ] || fail "$run: exit status $status"
    done
    ;;
  dialog_ok_writes_the_six_values)
    dialog_session /c
    focus_dialog
    xdotool key Return
    process_ends_within "$saver_pid" 3 || fail "OK did not end the dialog"
    export=$(settings_export) || fail "no settings after OK"
    echo "$export"
    for line in '"Sound"=dword:00000001' '"Width"=dword:00000320' '"Height"=dword:00000258' \
                '"Smoke"=dword:00000002' '"Volume"=dword:'; do
      grep -qF "$line" <<<"$export" || fail "missing $line"
    done
    # The play list: the characters 1, 2, 3, 4, 16, 24 and 27.
    grep -q $'"Program"="\x01\x02\x03\x04\x10\x18\x1b"' <<<"$export" || fail "the play list is not the default one"
    ;;
  dialog_cancel_and_escape_write_nothing)
    dialog_session /c
    focus_dialog
    xdotool key Tab space  # from OK to Cancel, pressed
    process_ends_within "$saver_pid" 3 || fail "Cancel did not end the dialog"
    start_saver /c:4660
    wait_for_dialog "Vantaro 設定"
    focus_dialog
    xdotool key Escape
    process_ends_within "$saver_pid" 3 || fail "Escape did not end the dialog"
    [ -z "$(settings_export)" ] || fail "Cancel or Escape wrote settings"
    ;;
  dialog_shows_its_japanese_captions)
    dialog_session /c
    # The title came through the resource intact; E2E_SCREENSHOT keeps the picture to look at.
    [ "$(xdotool getwindowname "$dialog")" = "Vantaro 設定" ] || fail "the title is not Vantaro 設定"
    sleep 1
    [ -n "${E2E_SCREENSHOT:-}" ] && import -window root "$E2E_SCREENSHOT"
    focus_dialog
    xdotool key Escape
    process_ends_within "$saver_pid" 3 || fail "the dialog did not end"
    ;;
  *) fail "unknown scenario $scenario" ;;
esac
echo "PASS: $scenario"
