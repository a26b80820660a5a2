#!/usr/bin/env bash
# End-to-end checks of the saver on a virtual display of its own.
#   saver_e2e.sh SCENARIO PATH/TO/vantaro PATH/TO/x_helper
set -u
scenario=$1
saver=$2
helper=$3

# shellcheck source=tests/e2e/virtual_display.sh
source "$(dirname "$0")/virtual_display.sh"
export XDG_CONFIG_HOME=$work/config
export SDL_AUDIODRIVER=dummy

pointer() { "$helper" move "$1" "$2" || fail "cannot move the pointer"; }

# Starts the saver in the background with the given switches; sets $saver_pid.
start_saver() {
  "$saver" "$@" >"$work/saver.out" 2>"$work/saver.err" &
  saver_pid=$!
  pids+=("$saver_pid")
}

wait_for_window() {
  window=$(wait_for_saver_window "$saver_pid" $((200 * scale)) any)
  [ -n "$window" ] && return 0
  kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended before its window appeared: $(cat "$work/saver.err")"
  fail "no window of class ssKZClass"
}

# Time limits are multiplied by this (the sanitizer build is slower).
scale=${E2E_TIME_SCALE:-1}

# Succeeds when the saver process ends within $1 seconds.
ends_within() { process_ends_within "$saver_pid" "$1"; }

# Lets the saver draw for a while (its first programme loads its models first).
let_it_draw() { sleep "$(awk "BEGIN { print ${1:-4} * $scale }")"; }

# With the stored size $1 the full-screen saver draws and ends on a key with status 0, and
# says once on stderr why it does not use that size (a line matching $2).
shows_with_warning() {
  start_saver
  wait_for_window
  let_it_draw 1
  xdotool key a
  ends_within $((3 * scale)) || fail "$1: did not end on a key"
  wait "$saver_pid"
  local status=$?
  [ "$status" -eq 0 ] || fail "$1: exit status $status"
  [ "$(wc -l <"$work/saver.err")" -eq 1 ] || fail "$1: expected one line on stderr, got: $(cat "$work/saver.err")"
  grep -q "$2" "$work/saver.err" || fail "$1: the line does not say why: $(cat "$work/saver.err")"
}

# Distinct colours in the window's picture: sky, ground and aircraft give many; a cleared
# frame gives one.
colours_in_window() {
  import -window "$1" "$work/shot.png" 2>/dev/null || return 1
  convert "$work/shot.png" -format '%k' info:
}

# Waits until the window shows a drawn frame: the first programme has loaded its models (which
# takes seconds in a sanitised build on a busy machine) and the loop is taking input again.
wait_until_drawn() {
  for _ in $(seq 60); do
    [ "$(colours_in_window "$window" 2>/dev/null || echo 0)" -gt 50 ] && return 0
    sleep 0.25
  done
  fail "the window never showed a drawn frame"
}

window_geometry() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }

# Starts a stand-in for a host's window of the given size; sets $host_window (decimal).
start_host() {
  "$helper" host "$1" "$2" >"$work/host$3.id" &
  host_pid=$!
  pids+=("$host_pid")
  for _ in $(seq 100); do [ -s "$work/host$3.id" ] && break; sleep 0.05; done
  host_window=$(cat "$work/host$3.id")
  [ -n "$host_window" ] || fail "the host window did not appear"
}

# Window $1 as WIDTHxHEIGHT+X+Y on the screen.
screen_geometry() {
  xwininfo -id "$1" 2>/dev/null |
    awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$2} /Height:/ {h=$2}
         END {if (w) print w "x" h "+" x "+" y}'
}

# Every visible window of class ssKZClass as WIDTHxHEIGHT+X+Y, sorted, one a line.
saver_geometries() {
  xdotool search --onlyvisible --class ssKZClass 2>/dev/null | while read -r w; do screen_geometry "$w"; done | sort
}

# Waits until the saver's windows are exactly these (sorted geometries, blank-separated).
wait_for_monitors() {
  for _ in $(seq $((100 * scale))); do
    [ "$(saver_geometries | xargs)" = "$1" ] && return 0
    kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended: $(cat "$work/saver.err")"
    sleep 0.05
  done
  fail "the saver's windows are $(saver_geometries | xargs), not $1"
}

# The screen shows the picture on the first monitor given (WIDTHxHEIGHT+X+Y) and black on the
# others. The screenshot is kept in $E2E_SHOT_DIR when that is set.
check_monitors_shown() {
  local primary=$1 region
  window=$(xdotool search --onlyvisible --class ssKZClass | while read -r w; do
    [ "$(screen_geometry "$w")" = "$primary" ] && echo "$w"
  done | head -n 1)
  wait_until_drawn
  import -window root "$work/screen.png" || fail "no screenshot"
  [ -n "${E2E_SHOT_DIR:-}" ] && cp "$work/screen.png" "$E2E_SHOT_DIR/$scenario.png"
  colours=$(convert "$work/screen.png" -crop "$primary" +repage -format '%k' info:)
  echo "colours on the primary monitor $primary: $colours"
  [ "$colours" -gt 50 ] || fail "the primary monitor shows $colours colours"
  # Its lower right quarter too: the picture fills the monitor, not a corner of it.
  colours=$(convert "$work/screen.png" -crop "$primary" +repage -gravity southeast -crop 50%x50%+0+0 +repage \
    -format '%k' info:)
  [ "$colours" -gt 20 ] || fail "the lower right of the primary monitor shows $colours colours"
  shift
  for region in "$@"; do
    [ "$(convert "$work/screen.png" -crop "$region" +repage -format '%[fx:maxima.r+maxima.g+maxima.b]' info:)" = 0 ] ||
      fail "the monitor at $region is not black"
  done
}

case "$scenario" in
  *_monitors_* | monitors_*) start_monitors_display 200 299 3840 1200 ;;
  *) start_display 200 299 ;;
esac
pointer 400 300
sleep 0.2

case "$scenario" in
  windowed_draws)
    start_saver -w
    wait_for_window
    [ "$(window_geometry "$window")" = "640x480" ] || fail "client area $(window_geometry "$window"), not 640x480"
    wait_until_drawn
    colours=$(colours_in_window "$window")
    echo "colours in the test window: $colours"
    [ "${colours:-0}" -gt 50 ] || fail "the window shows $colours colours: no sky and ground"
    ;;
  key_closes)
    start_saver -w
    wait_for_window
    wait_until_drawn
    xdotool key --window "$window" a
    ends_within 1 || fail "still running a second after a key"
    ;;
  mouse_six_pixels_closes)
    start_saver -w
    wait_for_window
    wait_until_drawn
    pointer 406 300
    ends_within 1 || fail "still running a second after a 6-pixel move"
    ;;
  mouse_five_pixels_stays)
    start_saver -w
    wait_for_window
    let_it_draw 2
    pointer 405 300; sleep 0.1; pointer 405 305; sleep 0.1; pointer 395 295
    ! ends_within 2 || fail "a move of 5 pixels closed the saver"
    ;;
  click_stays)
    start_saver -w
    wait_for_window
    let_it_draw 2
    xdotool click 1
    ! ends_within 2 || fail "a click without movement closed the saver"
    ;;
  second_instance_exits)
    start_saver -w
    wait_for_window
    first=$saver_pid
    expect_second_instances_end "-w" "" "-s" "-c" "-a" "-p 12345"
    kill -0 "$first" || fail "the first instance ended"
    ;;
  exit_switch)
    for switches in "-a" "/A" "-a:1234"; do
      timeout 5 "$saver" "$switches" >/dev/null 2>&1 || fail "'$switches' did not end at once with status 0"
    done
    [ -z "$(xdotool search --class ssKZClass 2>/dev/null)" ] || fail "a window appeared"
    [ ! -e "$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini" ] || fail "the settings were written"
    ;;
  preview_child)
    "$helper" host 320 240 >"$work/host.id" &
    host_pid=$!
    pids+=("$host_pid")
    for _ in $(seq 100); do [ -s "$work/host.id" ] && break; sleep 0.05; done
    parent=$(cat "$work/host.id")
    start_saver -p "$parent"
    wait_for_window
    tree_parent=$(xwininfo -children -id "$window" | awk '/Parent window id:/ {print $4}')
    [ "$((tree_parent))" -eq "$parent" ] || fail "the preview's parent is $tree_parent, not $parent"
    [ "$(window_geometry "$window")" = "320x240" ] || fail "the preview is $(window_geometry "$window")"
    sleep 1
    import -window "$window" "$work/preview.png"
    centre=$(convert "$work/preview.png" -crop 32x32+144+104 -format '%k' info:)
    corner=$(convert "$work/preview.png" -crop 32x32+0+0 -format '%[fx:maxima.r+maxima.g+maxima.b]' info:)
    [ "$centre" -gt 4 ] || fail "no icon in the centre of the preview ($centre colours)"
    [ "$corner" = "0" ] || fail "the preview is not black around the icon"
    xdotool key --window "$window" a
    pointer 600 500
    ! ends_within 1 || fail "the preview ended on input"
    # The host's pane changes size: the preview fills it again, the icon in its new middle.
    xdotool windowsize "$parent" 400 300
    for _ in $(seq 40); do [ "$(window_geometry "$window")" = "400x300" ] && break; sleep 0.05; done
    [ "$(window_geometry "$window")" = "400x300" ] || fail "the preview stayed $(window_geometry "$window")"
    sleep 0.5
    import -window "$window" "$work/preview.png"
    centre=$(convert "$work/preview.png" -crop 32x32+184+134 -format '%k' info:)
    [ "$centre" -gt 4 ] || fail "no icon in the middle of the resized preview ($centre colours)"
    # Moved out of the pane, it still ends with the pane it was given.
    xdotool windowreparent "$window" "$(xwininfo -root | awk '/Window id:/ {print $4}')"
    kill "$host_pid"
    ends_within 3 || fail "the preview outlived its parent window"
    ;;
  full_screen_covers)
    start_saver
    wait_for_window
    [ "$(window_geometry "$window")" = "1024x768" ] || fail "full screen is $(window_geometry "$window")"
    wait_until_drawn
    colours=$(colours_in_window root)
    echo "colours on the screen: $colours"
    [ "${colours:-0}" -gt 50 ] || fail "the screen shows $colours colours"
    xdotool key a
    ends_within 1 || fail "full screen did not end on a key"
    ;;
  settings_untouched)
    mkdir -p "$XDG_CONFIG_HOME/KELDRAN"
    printf '[Option]\nProgram=\\x03\\x18\nSound=0\nWidth=640\nHeight=480\nVolume=1234\nSmoke=3\n' \
      >"$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini"
    before=$(md5sum <"$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini")
    start_saver -w
    wait_for_window
    let_it_draw 3
    xdotool key a
    ends_within 2 || fail "did not end"
    start_saver
    wait_for_window
    let_it_draw 2
    xdotool key a
    ends_within 2 || fail "did not end"
    after=$(md5sum <"$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini")
    [ "$before" = "$after" ] || fail "the settings file changed"
    ;;
  unusable_resolution)
    # A stored size no display can have is drawn at the default 800 x 600: the saver shows,
    # with one line on stderr saying why.
    mkdir -p "$XDG_CONFIG_HOME/KELDRAN"
    for size in "Width=0" "Width=-640" "Height=99999999"; do
      printf '[Option]\n%s\nSound=0\n' "$size" >"$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini"
      shows_with_warning "$size" 'not usable\|any display'
    done
    ;;
  hosted_draws_in_host_window)
    start_host 480 360 ""
    XSCREENSAVER_WINDOW=$(printf '0x%x' "$host_window") start_saver --root
    wait_for_window
    [ "$(saver_windows_in "$host_window" | wc -l)" -eq 1 ] || fail "no saver window inside the host's window"
    [ "$(xdotool search --class ssKZClass | wc -l)" -eq 1 ] || fail "the saver made a window of its own besides"
    [ "$(window_geometry "$window")" = "480x360" ] || fail "the saver draws at $(window_geometry "$window")"
    let_it_draw 6
    colours=$(colours_in_window "$window")
    echo "colours in the host's window: $colours"
    [ "${colours:-0}" -gt 50 ] || fail "the host's window shows $colours colours"
    # Outside the host's window the screen stays as it was: nothing of ours covers it.
    import -window root "$work/root.png"
    outside=$(convert "$work/root.png" -crop 500x300+500+400 -format '%[fx:maxima.r+maxima.g+maxima.b]' info:)
    [ "$outside" = "0" ] || fail "something was drawn outside the host's window"
    # The host ends the saver, not the user.
    xdotool key a
    pointer 700 600
    ! ends_within 2 || fail "the hosted saver ended on input"
    kill -TERM "$saver_pid"
    ends_within 2 || fail "the hosted saver outlived SIGTERM by 2 seconds"
    wait "$saver_pid"; status=$?
    [ "$status" -eq 0 ] || fail "SIGTERM ended the saver with status $status"
    [ -z "$(saver_windows_in "$host_window")" ] || fail "the saver's window stayed in the host's window"
    ;;
  hosted_one_per_screen)
    # Two hosts' windows, each with its saver, named once in decimal and once in hex.
    start_host 320 240 1; first_host=$host_window
    XSCREENSAVER_WINDOW=$first_host start_saver -root; first=$saver_pid
    wait_for_window
    start_host 320 240 2; second_host=$host_window
    XSCREENSAVER_WINDOW=$(printf '0X%X' "$second_host") start_saver --root; second=$saver_pid
    for _ in $(seq $((100 * scale))); do [ -n "$(saver_windows_in "$second_host")" ] && break; sleep 0.05; done
    [ -n "$(saver_windows_in "$second_host")" ] || fail "the second saver made no window: $(cat "$work/saver.err")"
    let_it_draw 3
    kill -0 "$first" && kill -0 "$second" || fail "one of the two savers ended"
    # A saver started without a host's window still keeps to the one-saver rule.
    timeout 5 "$saver" -w >/dev/null 2>&1 || fail "a stand-alone test window beside them did not end quietly"
    [ "$(xdotool search --class ssKZClass | wc -l)" -eq 2 ] || fail "a stand-alone saver started beside the hosted ones"
    # The host's window going ends its saver.
    kill "$host_pid"
    saver_pid=$second
    ends_within 3 || fail "the saver outlived its host's window"
    kill -0 "$first" || fail "the other screen's saver ended too"
    ;;
  low_colour_screens)
    # 16-bit screens have 5-6-5 configurations; 15-bit ones have none, and are drawn through a
    # window of another visual inside ours. Every mode draws there and still takes its input.
    for depth in 16 15; do
      start_display 200 299 "$depth"
      pointer 400 300
      for mode in -w "" --root; do
        if [ "$mode" = --root ]; then
          start_host 480 360 "$depth"
          XSCREENSAVER_WINDOW=$host_window start_saver --root
        else
          start_saver $mode
        fi
        wait_for_window
        # The screen, not the window: the server need not give a window's inner windows of
        # another depth in its picture.
        for _ in $(seq 60); do
          colours=$(colours_in_window root)
          [ "${colours:-0}" -gt 50 ] && break
          sleep 0.25
        done
        echo "$depth-bit screen, '${mode:-full screen}': $colours colours"
        [ "${colours:-0}" -gt 50 ] || fail "$depth-bit '$mode' shows $colours colours: $(cat "$work/saver.err")"
        case "$mode" in
          -w) xdotool key --window "$window" a ;;
          "") pointer 406 300 ;;
          --root) kill -TERM "$saver_pid"; kill "$host_pid" ;;
        esac
        ends_within 1 || fail "$depth-bit '$mode' still runs a second after its end was asked for"
        wait "$saver_pid" || fail "$depth-bit '$mode' ended with status $?: $(cat "$work/saver.err")"
        [ ! -s "$work/saver.err" ] || fail "$depth-bit '$mode' said: $(cat "$work/saver.err")"
      done
      pointer 400 300
    done
    ;;
  hosted_no_such_window)
    for value in 0x3fffffe 12abc 0x; do
      XSCREENSAVER_WINDOW=$value timeout 10 "$saver" --root >"$work/out" 2>"$work/err"
      status=$?
      [ "$status" -eq 1 ] || fail "XSCREENSAVER_WINDOW=$value: exit status $status"
      [ "$(wc -l <"$work/err")" -eq 1 ] || fail "XSCREENSAVER_WINDOW=$value: expected one line, got: $(cat "$work/err")"
    done
    [ -z "$(xdotool search --class ssKZClass 2>/dev/null)" ] || fail "a window appeared"
    # The other modes ignore the variable.
    XSCREENSAVER_WINDOW=0x3fffffe start_saver -w
    wait_for_window
    [ "$(window_geometry "$window")" = "640x480" ] || fail "the test window changed"
    ;;
  sound_device_closed_when_off)
    # SDL's disk driver writes what the audio device plays to a file: no file, no device.
    export SDL_AUDIODRIVER=disk
    mkdir -p "$XDG_CONFIG_HOME/KELDRAN"
    printf '[Option]\nSound=0\n' >"$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini"
    SDL_DISKAUDIOFILE=$work/off.raw start_saver -w
    wait_for_window
    let_it_draw 2
    xdotool key a
    ends_within 2 || fail "did not end"
    [ ! -e "$work/off.raw" ] || fail "with Sound=0 the audio device was opened"
    # The preview shows only the icon: nothing plays there, whatever Sound says.
    printf '[Option]\nSound=1\n' >"$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini"
    start_host 320 240 ""
    SDL_DISKAUDIOFILE=$work/preview.raw start_saver -p "$host_window"
    wait_for_window
    let_it_draw 2
    kill -TERM "$saver_pid"
    ends_within 2 || fail "the preview did not end on SIGTERM"
    [ ! -e "$work/preview.raw" ] || fail "the preview opened the audio device"
    # With sound on the same check sees the recording play.
    SDL_DISKAUDIOFILE=$work/on.raw start_saver -w
    wait_for_window
    let_it_draw 2
    xdotool key a
    ends_within 2 || fail "did not end"
    [ -s "$work/on.raw" ] || fail "with Sound=1 the audio device played nothing"
    ;;
  oversized_resolution)
    # Beyond the memory the saver allows itself (an 8K screen's pixels) or wider than any
    # display: drawn at 800 x 600 instead, the line saying why.
    mkdir -p "$XDG_CONFIG_HOME/KELDRAN"
    for size in 'Width=16384\nHeight=16384' 'Width=8192\nHeight=8192' 'Width=40000\nHeight=16'; do
      printf "[Option]\n$size\nSound=0\n" >"$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini"
      shows_with_warning "$size" 'memory\|any display'
    done
    # The largest the dialog offers runs without a word.
    printf '[Option]\nWidth=1600\nHeight=1200\nSound=0\n' >"$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini"
    start_saver
    wait_for_window
    let_it_draw 1
    xdotool key a
    ends_within 2 || fail "1600x1200 did not end on a key"
    [ ! -s "$work/saver.err" ] || fail "1600x1200: $(cat "$work/saver.err")"
    ;;
  hidden_window_draws_nothing)
    # Nobody sees an unmapped or wholly covered window: no frames are drawn for it (at most
    # 0.05 core, where drawing takes about 0.4), and they are drawn again once it shows.
    start_saver -w
    wait_for_window
    wait_until_drawn
    ticks() { awk '{print $14 + $15}' "/proc/$saver_pid/stat"; }
    idles_while() {
      sleep 0.3
      local before used
      before=$(ticks)
      sleep 3
      used=$(($(ticks) - before))
      [ "$used" -le $((15 * $(getconf CLK_TCK) / 100)) ] || fail "$1: $used clock ticks of CPU in 3 s"
    }
    xdotool windowunmap "$window"
    idles_while "unmapped"
    xdotool windowmap "$window"
    wait_until_drawn
    start_host 1024 768 cover
    idles_while "covered by another window"
    kill "$host_pid"
    wait_until_drawn
    ;;
  closed_standard_streams)
    # Started with stderr closed, as some launchers do: the warning about the damaged value
    # must not land in the display connection, which would take descriptor 2.
    mkdir -p "$XDG_CONFIG_HOME/KELDRAN"
    printf '[Option]\nWidth=abc\nSound=0\n' >"$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini"
    "$saver" -w >/dev/null 2>&- &
    saver_pid=$!
    pids+=("$saver_pid")
    wait_for_window
    wait_until_drawn
    xdotool key a
    ends_within 1 || fail "still running a second after a key"
    ;;
  settings_fifo)
    # A FIFO at the settings path is no settings file: defaults, one line, and no waiting on it.
    mkdir -p "$XDG_CONFIG_HOME/KELDRAN"
    mkfifo "$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini"
    timeout $((10 * scale)) "$saver" -a >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 0 ] || fail "-a with a FIFO for settings: exit status $status"
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "expected one line on stderr, got: $(cat "$work/err")"
    grep -q 'not a regular file' "$work/err" || fail "the line does not say why: $(cat "$work/err")"
    start_saver -w
    wait_for_window
    let_it_draw 1
    xdotool key a
    ends_within 2 || fail "did not end"
    [ -p "$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini" ] || fail "the FIFO was replaced"
    ;;
  simultaneous_starts_one_runs)
    # Two savers started at the same moment: exactly one runs, the other ends with status 0.
    for try in 1 2 3 4 5; do
      "$saver" -w >/dev/null 2>&1 & first=$!
      "$saver" -w >/dev/null 2>&1 & second=$!
      pids+=("$first" "$second")
      let_it_draw 3
      running=0
      for p in "$first" "$second"; do kill -0 "$p" 2>/dev/null && running=$((running + 1)); done
      windows=$(xdotool search --class ssKZClass 2>/dev/null | wc -l)
      [ "$running" -eq 1 ] && [ "$windows" -eq 1 ] || fail "try $try: $running savers run, $windows windows"
      for p in "$first" "$second"; do
        if kill -0 "$p" 2>/dev/null; then
          kill -TERM "$p"
        else
          wait "$p"; status=$?
          [ "$status" -eq 0 ] || fail "try $try: the second saver ended with status $status"
        fi
      done
      wait "$first" "$second" 2>/dev/null
    done
    ;;
  no_display_says_so)
    for display in "" ":999"; do
      for switches in "-p 12345" "-w" "" "-s"; do
        # shellcheck disable=SC2086
        DISPLAY=$display timeout $((10 * scale)) "$saver" $switches >"$work/out" 2>"$work/err"
        status=$?
        [ "$status" -eq 1 ] || fail "DISPLAY='$display' '$switches': exit status $status"
        [ "$(wc -l <"$work/err")" -eq 1 ] || fail "DISPLAY='$display' '$switches': $(cat "$work/err")"
        grep -q 'no display' "$work/err" || fail "DISPLAY='$display' '$switches' said: $(cat "$work/err")"
      done
      DISPLAY=$display XSCREENSAVER_WINDOW=0x1234 timeout $((10 * scale)) "$saver" --root >"$work/out" 2>"$work/err"
      status=$?
      [ "$status" -eq 1 ] || fail "DISPLAY='$display' hosted: exit status $status"
      grep -q 'no display' "$work/err" || fail "DISPLAY='$display' hosted said: $(cat "$work/err")"
    done
    ;;
  empty_play_list_is_flat_dark_blue)
    # No programme runs: the frame's camera stays the identity, and the picture is one dark blue.
    mkdir -p "$XDG_CONFIG_HOME/KELDRAN"
    printf '[Option]\nProgram=\nSound=0\n' >"$XDG_CONFIG_HOME/KELDRAN/Vantaro.ini"
    start_saver -w
    wait_for_window
    let_it_draw 2
    colours=$(colours_in_window "$window")
    [ "$colours" = "1" ] || fail "the empty play list shows $colours colours"
    read -r red green blue < <(convert "$work/shot.png" -format '%[fx:int(255*p{320,240}.r)] %[fx:int(255*p{320,240}.g)] %[fx:int(255*p{320,240}.b)]' info:)
    echo "the empty play list's colour: $red $green $blue"
    [ "$blue" -gt "$red" ] && [ "$blue" -gt "$green" ] && [ "$blue" -lt 128 ] ||
      fail "the picture is not dark blue: $red $green $blue"
    xdotool key a
    ends_within 2 || fail "did not end"
    # And the documentation says so.
    root=$(cd "$(dirname "$0")/../.." && pwd)
    for doc in README.md dist/vantaro.6; do
      grep -qi 'flat dark-blue' "$root/$doc" || fail "$doc does not say what the empty play list shows"
    done
    ! grep -qi 'only the sky and the ground' "$root/dist/vantaro.6" || fail "the manual page still promises the sky and the ground"
    ;;
  two_monitors_picture_on_primary)
    # The desktop is red: none of it may show. The pointer starts over the black monitor.
    set_monitors DUMMY0:1024x768+0+0 DUMMY1:800x600+1024+0
    xsetroot -solid red
    pointer 1400 300
    start_saver
    wait_for_monitors "1024x768+0+0 800x600+1024+0"
    check_monitors_shown 1024x768+0+0 800x600+1024+0
    # Over a black window as over the picture: 5 pixels keep it, 6 end it and all its windows.
    pointer 1405 300; sleep 0.1; pointer 1405 305; sleep 0.1; pointer 1395 295
    ! ends_within 2 || fail "a move of 5 pixels over the black monitor closed the saver"
    pointer 1406 300
    ends_within 1 || fail "still running a second after a 6-pixel move over the black monitor"
    [ -z "$(saver_geometries)" ] || fail "windows stayed: $(saver_geometries)"
    ;;
  three_monitors_picture_on_primary)
    # The primary monitor is not the one at the origin; the three differ in size.
    set_monitors DUMMY0:1024x768+800+0 DUMMY1:800x600+0+0 DUMMY2:640x480+1824+0
    xsetroot -solid red
    pointer 1300 400
    start_saver
    wait_for_monitors "1024x768+800+0 640x480+1824+0 800x600+0+0"
    check_monitors_shown 1024x768+800+0 800x600+0+0 640x480+1824+0
    xdotool key a
    ends_within 1 || fail "still running a second after a key"
    [ -z "$(saver_geometries)" ] || fail "windows stayed: $(saver_geometries)"
    ;;
  monitors_followed_while_running)
    set_monitors DUMMY0:800x600+0+0
    xsetroot -solid red
    pointer 400 300
    start_saver
    wait_for_monitors "800x600+0+0"
    # A monitor plugged in gets its black window; the screen growing takes the picture along,
    # still drawn at the stored resolution and scaled; a monitor unplugged loses its window.
    set_monitors DUMMY0:800x600+0+0 DUMMY1:640x480+800+0
    wait_for_monitors "640x480+800+0 800x600+0+0"
    set_monitors DUMMY0:1280x1024+0+0 DUMMY1:640x480+1280+0
    wait_for_monitors "1280x1024+0+0 640x480+1280+0"
    check_monitors_shown 1280x1024+0+0 640x480+1280+0
    set_monitors DUMMY0:1280x1024+0+0
    wait_for_monitors "1280x1024+0+0"
    kill -0 "$saver_pid" || fail "the saver ended on a change of monitors"
    xdotool key a
    ends_within 1 || fail "still running a second after a key"
    ;;
  *)
    fail "unknown scenario $scenario"
    ;;
esac
echo "PASS: $scenario"
