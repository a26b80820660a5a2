#!/usr/bin/env bash
# The saver losing its display or its window while it draws, again and again: each time it
# must end by itself within a second (never left spinning), and write nothing.
#   lost_display_e2e.sh MODE WAY COUNT PATH/TO/vantaro PATH/TO/x_helper
# MODE: windowed (-w), hosted (--root in a host's window), full_screen, preview (-p).
# WAY:  server_ends      the X server ends under it (a fresh server each time);
#       window_destroyed its window is destroyed: by xdotool windowkill (which also kills its
#                        display connection) and, in turn, by another client that leaves the
#                        connection alone (x_helper destroy, or the host destroying its own window
#                        around the saver's).
set -u
mode=$1
way=$2
count=$3
saver=$(realpath "$4")
helper=$(realpath "$5")

# shellcheck source=tests/e2e/virtual_display.sh
source "$(dirname "$0")/virtual_display.sh"
command -v xdotool >/dev/null || { echo "xdotool is not installed"; exit 77; }
export XDG_CONFIG_HOME=$work/config
export SDL_AUDIODRIVER=dummy
mkdir -p "$XDG_CONFIG_HOME" "$work/cwd"
scale=${E2E_TIME_SCALE:-1}
# The limit is the one users are promised, in either build.
limit_ms=${LOSS_LIMIT_MS:-1000}

# Starts a stand-in for a host's window; sets $host_pid and $host_window (decimal).
start_host() {
  rm -f "$work/host.id"  # the last host's id must not be taken for this one's
  "$helper" host 480 360 >"$work/host.id" &
  host_pid=$!
  pids+=("$host_pid")
  host_window=""
  for _ in $(seq 100); do [ -s "$work/host.id" ] && break; sleep 0.05; done
  host_window=$(cat "$work/host.id")
  [ -n "$host_window" ] || fail "the host window did not appear"
}

# Starts the saver in $mode; sets $saver_pid and $window (the saver's window).
start_saver() {
  local switches=()
  case "$mode" in
    windowed) switches=(-w) ;;
    full_screen) switches=() ;;
    hosted) start_host; switches=(--root) ;;
    preview) start_host; switches=(-p "$host_window") ;;
    *) fail "unknown mode $mode" ;;
  esac
  if [ "$mode" = hosted ]; then
    (cd "$work/cwd" && XSCREENSAVER_WINDOW=$(printf '0x%x' "$host_window") exec "$saver" "${switches[@]}") \
      >"$work/saver.out" 2>"$work/saver.err" &
  else
    (cd "$work/cwd" && exec "$saver" "${switches[@]}") >"$work/saver.out" 2>"$work/saver.err" &
  fi
  saver_pid=$!
  pids+=("$saver_pid")
  local where=any
  if [ "$mode" = hosted ] || [ "$mode" = preview ]; then where=$host_window; fi
  window=$(wait_for_saver_window "$saver_pid" $((200 * scale)) "$where")
  [ -n "$window" ] && return 0
  kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended before its window appeared: $(cat "$work/saver.err")"
  fail "no saver window appeared"
}

# Loses the display or the window the way iteration $1 asks.
lose() {
  case "$way" in
    server_ends) kill "$server_pid" ;;
    window_destroyed)
      if [ $(($1 % 2)) -eq 1 ]; then
        xdotool windowkill "$window"
      elif [ "$mode" = hosted ] || [ "$mode" = preview ]; then
        kill "$host_pid"  # the host tears its window down, the saver's with it
      else
        "$helper" destroy "$((window))"
      fi
      ;;
    *) fail "unknown way $way" ;;
  esac
}

# The time in ms, and a pause of $1 seconds, without starting a process: the measurements must
# not wait for the machine to find time for one.
now_ms() { local t=${EPOCHREALTIME/./}; echo $((t / 1000)); }
mkfifo "$work/never"
exec {never}<>"$work/never"  # opened for both ends: never ready, never at its end
pause() { read -r -t "$1" -u "$never" || true; }

# Waits for the saver to end; the time since $1 (ms) in $ended_ms, its status in $status;
# false when it is still running, or ended, after $limit_ms.
ends_in_time() {
  local start=$1
  while kill -0 "$saver_pid" 2>/dev/null; do
    ended_ms=$(($(now_ms) - start))
    if [ "$ended_ms" -gt "$limit_ms" ]; then
      # Still there: spinning or stuck. Kill it so that the loop does not hang as well.
      cpu=$(ps -o %cpu= -p "$saver_pid" 2>/dev/null | tr -d ' ')
      kill -9 "$saver_pid" 2>/dev/null
      wait "$saver_pid" 2>/dev/null
      return 1
    fi
    pause 0.005
  done
  ended_ms=$(($(now_ms) - start))
  wait "$saver_pid"
  status=$?
  [ "$ended_ms" -le "$limit_ms" ]
}

[ "$way" = window_destroyed ] && { start_display 500 599; server_pid=${pids[0]}; }
longest=0
for i in $(seq "$count"); do
  if [ "$way" = server_ends ]; then
    start_display 500 599
    server_pid=${pids[${#pids[@]} - 1]}
  fi
  start_saver
  # Into the frame loop: the first programme loads its models, then frames follow; the loss
  # comes at a different moment each time.
  sleep "$(awk -v s="$scale" -v r="$RANDOM" 'BEGIN { print (0.6 + (r % 800) / 1000) * s }')"
  kill -0 "$saver_pid" 2>/dev/null || fail "try $i: the saver ended before its loss: $(cat "$work/saver.err")"
  # Timed from before the loss: the tools that cause it take their time too.
  lost_at=$(now_ms)
  lose "$i"
  if ! ends_in_time "$lost_at"; then
    fail "try $i of $count: the saver was still running ${ended_ms} ms after its $way (${cpu:-?}% of a core): $(cat "$work/saver.err")"
  fi
  [ "$status" -lt 128 ] || fail "try $i: the saver died of signal $((status - 128)): $(cat "$work/saver.err")"
  [ -z "$(ls -A "$XDG_CONFIG_HOME")" ] || fail "try $i: the saver wrote settings: $(ls -R "$XDG_CONFIG_HOME")"
  [ -z "$(ls -A "$work/cwd")" ] || fail "try $i: the saver left files behind: $(ls -A "$work/cwd")"
  [ "$ended_ms" -gt "$longest" ] && longest=$ended_ms
  echo "try $i: ended in $ended_ms ms with status $status"
  if [ "$way" = server_ends ]; then
    wait "$server_pid" 2>/dev/null
  fi
  if [ -n "${host_pid:-}" ]; then
    kill "$host_pid" 2>/dev/null
    wait "$host_pid" 2>/dev/null
    host_pid=""
  fi
done
echo "$mode, $way: $count of $count ended within ${limit_ms} ms (longest $longest ms)"
echo "PASS: $mode $way"
