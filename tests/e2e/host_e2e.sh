#!/usr/bin/env bash
# The saver installed and run by the real screensaver host (xscreensaver) on a virtual display.
#   host_e2e.sh SCENARIO BUILD_DIR            installs the build into a temporary prefix first
#   host_e2e.sh SCENARIO --installed PREFIX   checks what is already installed under PREFIX
# xscreensaver refuses to run display modes as root, so it runs as nobody here: the temporary
# prefix is readable by all, and the fresh HOME belongs to nobody. MATE's host runs them only
# from its own folders under /usr: a build not installed there is mounted there for the
# mate_host scenario, in a mount namespace of the script's own that nothing else sees.
set -u
scenario=$1
installed=""
if [ "$2" = "--installed" ]; then
  installed=$3
else
  build=$2
fi
if [ "$scenario" = mate_host ] && [ -z "$installed" ] && [ -z "${VANTARO_OWN_MOUNTS:-}" ]; then
  unshare --mount --propagation private true 2>/dev/null || { echo "no mount namespace of our own (root only)"; exit 77; }
  VANTARO_OWN_MOUNTS=1 exec unshare --mount --propagation private bash "$0" "$@"
fi
icon_source=$(cd "$(dirname "$0")/../.." && pwd)/resources/icons/vantaro.ico

# shellcheck source=tests/e2e/virtual_display.sh
source "$(dirname "$0")/virtual_display.sh"
chmod 755 "$work"
prefix=${installed:-$work/prefix}
saver=$prefix/libexec/xscreensaver/vantaro

install_into() {
  DESTDIR=${2:-} cmake --install "$build" --prefix "$1" >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$work/install.log")"
}

# Our installed saver's processes, whoever started them.
saver_pids() {
  for exe in /proc/[0-9]*/exe; do
    [ "$(readlink "$exe" 2>/dev/null)" = "$saver" ] && basename "$(dirname "$exe")"
  done
}

# Runs a command as nobody with the fresh HOME.
as_user() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env HOME="$home" DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$home/.config" SDL_AUDIODRIVER=dummy "$@"
}

# Mean brightness (0 to 1) and the number of colours in a region of the screenshot.
region() { convert "$work/screen.png" -crop "$1" -format '%[fx:mean] %k' info:; }

# The saver's picture covers the screen, moves, and shows the formation; the screenshots are
# kept in $VANTARO_SHOTS as $1-early.png and $1-later.png when it is set.
expect_the_saver_drawing() {
  local top top_colours bottom bottom_colours corner level changed painted
  # The first programme loads its models first, which takes seconds in a sanitised build.
  # On a loaded machine a screenshot can also catch the first frames, drawn before the
  # programme has aimed the camera, with the picture in a band across the middle only: wait
  # for the top and the bottom to be drawn as well.
  for _ in $(seq 120); do
    import -window root "$work/screen.png" || fail "no screenshot"
    read -r top top_colours <<<"$(region 1024x200+0+0)"
    read -r bottom bottom_colours <<<"$(region 1024x200+0+568)"
    [ "$top_colours" -gt 20 ] && [ "$bottom_colours" -gt 20 ] && break
    sleep 0.5
  done
  [ -n "${VANTARO_SHOTS:-}" ] && cp "$work/screen.png" "$VANTARO_SHOTS/$1-early.png"
  echo "top of the screen: brightness $top, $top_colours colours; bottom: $bottom, $bottom_colours colours"
  # Sky (and, as the camera looks down, ground) from edge to edge: the picture covers the screen.
  awk "BEGIN { exit !($top > 0.05 && $bottom > 0.05) }" || fail "the screen is not covered (top $top, bottom $bottom)"
  [ "$top_colours" -gt 20 ] && [ "$bottom_colours" -gt 20 ] || fail "the top or the bottom is a flat colour"
  for corner in 100x100+0+0 100x100+924+0 100x100+0+668 100x100+924+668; do
    read -r level _ <<<"$(region "$corner")"
    awk "BEGIN { exit !($level > 0.02) }" || fail "the corner $corner is dark: the picture does not reach it"
  done
  cp "$work/screen.png" "$work/early.png"
  sleep 8
  import -window root "$work/screen.png" || fail "no screenshot"
  [ -n "${VANTARO_SHOTS:-}" ] && cp "$work/screen.png" "$VANTARO_SHOTS/$1-later.png"
  changed=$(compare -metric AE "$work/early.png" "$work/screen.png" null: 2>&1 | cut -d' ' -f1)
  echo "pixels changed between the screenshots: $changed"
  [ "${changed%.*}" -gt 50 ] || fail "the picture stands still"
  # The camera follows the formation: its painted aircraft are the saturated colours near
  # the middle of a pale sky.
  painted=$(convert "$work/screen.png" -crop 400x300+312+234 -colorspace HSL -channel G -separate +channel \
            -threshold 50% -format '%[fx:int(mean*w*h)]' info:)
  echo "saturated pixels in the middle of the screen: $painted"
  [ "$painted" -gt 500 ] || fail "no aircraft in the middle of the screen"
}

case "$scenario" in
  install_layout)
    if [ -n "$installed" ]; then
      root=$prefix
    else
      install_into /usr "$work/stage"
      root=$work/stage/usr
    fi
    for f in libexec/xscreensaver/vantaro share/xscreensaver/config/vantaro.xml share/man/man6/vantaro.6.gz \
             share/applications/vantaro-settings.desktop share/applications/screensavers/vantaro.desktop \
             bin/vantaro-xscreensaver-add share/man/man1/vantaro-xscreensaver-add.1.gz share/doc/vantaro/copyright; do
      [ -f "$root/$f" ] || fail "$f was not installed"
    done
    [ -x "$root/libexec/xscreensaver/vantaro" ] || fail "the saver is not executable"
    [ -x "$root/bin/vantaro-xscreensaver-add" ] || fail "vantaro-xscreensaver-add is not executable"
    grep -q '<command arg="--root"/>' "$root/share/xscreensaver/config/vantaro.xml" ||
      fail "the host description has no --root command"
    if command -v xmllint >/dev/null; then
      xmllint --noout "$root/share/xscreensaver/config/vantaro.xml" || fail "the host description is no XML"
    fi
    # The icon theme holds each size of the icon the saver carries, the same pictures.
    sizes=$(identify -format '%wx%h\n' "$icon_source")
    [ "$(echo "$sizes" | wc -l)" -ge 2 ] || fail "cannot read the sizes of $icon_source"
    frame=0
    for size in $sizes; do
      png=$root/share/icons/hicolor/$size/apps/vantaro.png
      [ -f "$png" ] || fail "no $size icon"
      [ "$(identify -format '%wx%h' "$png")" = "$size" ] || fail "the $size icon is $(identify -format '%wx%h' "$png")"
      differ=$(compare -metric AE "${icon_source}[$frame]" "$png" null: 2>&1)
      [ "$differ" = "0" ] || fail "the $size icon differs from the saver's own in $differ pixels"
      frame=$((frame + 1))
    done
    [ "$(find "$root/share/icons/hicolor" -name vantaro.png | wc -l)" -eq "$frame" ] || fail "icons of other sizes"
    # The manual names the version the build was made with.
    version=$(zcat "$root/share/man/man6/vantaro.6.gz" | sed -n 's/^\.TH .*"Vantaro \([^"]*\)".*/\1/p')
    [[ "$version" =~ ^[0-9]+(\.[0-9]+)+$ ]] || fail "the manual page names no version (\"$version\")"
    if command -v man >/dev/null; then
      for page in man6/vantaro.6.gz man1/vantaro-xscreensaver-add.1.gz; do
        warnings=$(MANWIDTH=80 man --warnings -l "$root/share/man/$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "the manual page $page: $warnings"
      done
    fi
    # The menu entry runs the settings dialog of the saver where it is installed, whatever the
    # prefix; a staged install names the prefix it was made for. The screensaver entry runs the
    # saver in the host's window.
    for entry in "$root/share/applications/vantaro-settings.desktop:-c" \
                 "$root/share/applications/screensavers/vantaro.desktop:--root"; do
      switch=${entry##*:}
      entry=${entry%:*}
      if command -v desktop-file-validate >/dev/null; then
        # A screensaver's category is none of the menu's main ones, which is all the hint says.
        problems=$(desktop-file-validate --no-hints "$entry" 2>&1) || fail "$entry: $problems"
        [ -z "$problems" ] || fail "$entry: $problems"
      fi
      exec_line=$(sed -n 's/^Exec=//p' "$entry")
      [ "$exec_line" = "${installed:-/usr}/libexec/xscreensaver/vantaro $switch" ] || fail "$entry runs '$exec_line'"
      grep -qx 'Icon=vantaro' "$entry" || fail "$entry has another icon"
    done
    grep -qx 'Categories=Settings;.*' "$root/share/applications/vantaro-settings.desktop" ||
      fail "the settings entry is not among the settings"
    grep -qx 'Categories=Screensaver;' "$root/share/applications/screensavers/vantaro.desktop" ||
      fail "the screensaver entry is not among the screensavers"
    ;;
  settings_entry)
    command -v xdotool >/dev/null || { echo "xdotool is not installed"; exit 77; }
    [ -n "$installed" ] || install_into "$prefix"
    start_display 300 399
    home=$work/home
    mkdir -p "$home"
    # What the desktop's menu runs, as it would: the Exec line split at blanks.
    read -r -a command <<<"$(sed -n 's/^Exec=//p' "$prefix/share/applications/vantaro-settings.desktop")"
    [ "${command[0]}" = "$saver" ] || fail "the desktop entry runs ${command[0]}, not $saver"
    HOME=$home XDG_CONFIG_HOME=$home/.config SDL_AUDIODRIVER=dummy NO_AT_BRIDGE=1 "${command[@]}" >"$work/out" 2>&1 &
    dialog_pid=$!
    pids+=("$dialog_pid")
    window=$(wait_for_saver_window "$dialog_pid" 200)
    [ -n "$window" ] || fail "the menu's command opened no dialog: $(cat "$work/out")"
    title=$(xdotool getwindowname "$window")
    [ "$title" = "Vantaro 設定" ] || fail "the menu's command opened '$title', not the settings"
    sleep 0.3
    xdotool windowfocus --sync "$window" key Escape
    for _ in $(seq 100); do kill -0 "$dialog_pid" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$dialog_pid" 2>/dev/null && fail "Escape did not close the settings dialog"
    wait "$dialog_pid" || fail "the settings dialog ended with status $?: $(cat "$work/out")"
    [ ! -e "$home/.config/KELDRAN/Vantaro.ini" ] || fail "closing the dialog wrote the settings"
    ;;
  xscreensaver_list)
    # What real_host does not meet: no settings yet, Vantaro listed already, a file that is no
    # list of settings. The host's defaults come with a new list.
    [ -n "$installed" ] || install_into "$prefix"
    add=$prefix/bin/vantaro-xscreensaver-add
    home=$work/home
    mkdir -p "$home"
    printf '*programs:\t\\\n\t\tmaze --root\t\\n\\\n-\t\tfuzzyflakes --root\t\\n\n' >"$work/defaults"
    export VANTARO_XSCREENSAVER_DEFAULTS=$work/defaults
    HOME=$home "$add" >"$work/add.out" 2>&1 || fail "with no settings: $(cat "$work/add.out")"
    [ "$(ls -A "$home")" = .xscreensaver ] || fail "with no settings it left $(ls -A "$home")"
    grep -c -- '--root' "$home/.xscreensaver" | grep -qx 3 || fail "the new list: $(cat "$home/.xscreensaver")"
    grep -q '^-[[:space:]]*fuzzyflakes' "$home/.xscreensaver" || fail "the defaults' switched-off mode was switched on"
    cp "$home/.xscreensaver" "$work/listed"
    HOME=$home "$add" >"$work/add.out" 2>&1 || fail "listed already: $(cat "$work/add.out")"
    grep -q 'already' "$work/add.out" || fail "listed already, it says: $(cat "$work/add.out")"
    cmp -s "$work/listed" "$home/.xscreensaver" && [ "$(ls -A "$home")" = .xscreensaver ] ||
      fail "listed already, the file was changed or backed up"
    printf 'mode:\t\tone\nprograms: maze --root \\n\n\" a quoted line\n' >"$home/.xscreensaver"
    cp "$home/.xscreensaver" "$work/damaged"
    HOME=$home "$add" >"$work/add.out" 2>&1 && fail "a file it cannot read was taken: $(cat "$work/add.out")"
    grep -q 'line 3' "$work/add.out" || fail "the refusal does not name the line: $(cat "$work/add.out")"
    cmp -s "$work/damaged" "$home/.xscreensaver" && [ "$(ls -A "$home")" = .xscreensaver ] ||
      fail "a file it cannot read was changed or backed up"
    ;;
  real_host)
    for tool in xscreensaver xscreensaver-command setpriv; do
      command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
    done
    start_display 300 399
    [ -n "$installed" ] || install_into "$prefix"
    home=$work/home
    mkdir -p "$home"
    # The user's settings list another mode, switched off; the saver's own command adds it as
    # the second, the one chosen.
    cat >"$home/.xscreensaver" <<END
mode:		one
selected:	1
timeout:	1:00:00
lock:		False
fade:		False
unfade:		False
splash:		False
programs:	\\
-		maze --root	\\n
END
    cp "$home/.xscreensaver" "$work/before"
    chown -R nobody:nogroup "$home"
    as_user "$prefix/bin/vantaro-xscreensaver-add" >"$work/add.out" 2>&1 || fail "vantaro-xscreensaver-add: $(cat "$work/add.out")"
    grep -q 'Restart xscreensaver' "$work/add.out" || fail "vantaro-xscreensaver-add says nothing of restarting: $(cat "$work/add.out")"
    cmp -s "$work/before" "$home/.xscreensaver.bak" || fail "no backup of the old settings"
    # Installed under /usr, the saver is where the host looks for display modes, so the bare
    # name must do, as the README tells users to write it.
    host_command=$saver
    [ "$installed" = /usr ] && host_command=vantaro
    grep -Eq "^[[:space:]]+$host_command --root[[:space:]]+\\\\n\$" "$home/.xscreensaver" ||
      fail "the program list does not run $host_command: $(cat "$home/.xscreensaver")"
    as_user xscreensaver -no-splash >"$work/host.out" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do as_user xscreensaver-command -time >/dev/null 2>&1 && break; sleep 0.1; done
    as_user xscreensaver-command -activate >/dev/null 2>&1 || fail "the host did not start: $(cat "$work/host.out")"
    for _ in $(seq 100); do [ -n "$(saver_pids)" ] && break; sleep 0.1; done
    [ -n "$(saver_pids)" ] || fail "the host started no vantaro: $(cat "$work/host.out")"
    expect_the_saver_drawing host
    owner=$(stat -c %U "/proc/$(saver_pids | head -n 1)")
    [ "$owner" = "nobody" ] || fail "the saver runs as $owner"
    tr '\0' '\n' <"/proc/$(saver_pids | head -n 1)/environ" | grep -q '^XSCREENSAVER_WINDOW=0x' ||
      fail "the host gave no XSCREENSAVER_WINDOW"
    as_user xscreensaver-command -deactivate >/dev/null 2>&1 || fail "-deactivate failed"
    for _ in $(seq 100); do [ -z "$(saver_pids)" ] && break; sleep 0.05; done
    [ -z "$(saver_pids)" ] || fail "a vantaro process was left behind after -deactivate"
    ;;
  mate_host)
    # MATE's host: it lists the screensaver desktop entries, runs the chosen one in a window of
    # its own (a TrueColor visual other than the screen's default) and ends it on deactivation.
    for tool in mate-screensaver mate-screensaver-command dbus-daemon gsettings; do
      command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
    done
    data_dirs=/usr/share
    if [ -z "$installed" ]; then
      install_into /usr "$work/stage"
      mount --bind "$work/stage/usr/libexec/xscreensaver" /usr/libexec/xscreensaver || fail "cannot mount the build"
      data_dirs=$work/stage/usr/share:/usr/share
    elif [ "$installed" != /usr ]; then
      echo "MATE's host runs display modes only from /usr/libexec/xscreensaver, not $installed"
      exit 77
    fi
    saver=/usr/libexec/xscreensaver/vantaro
    start_display 300 399
    home=$work/home
    mkdir -p "$home" "$work/runtime"
    chmod 700 "$work/runtime"
    export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$work/runtime XDG_DATA_DIRS=$data_dirs
    export GSETTINGS_BACKEND=dconf SDL_AUDIODRIVER=dummy DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus
    # A session bus of the test's own carries the host's commands and its settings (dconf).
    dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -S "$work/bus" ] && break; sleep 0.05; done
    gsettings set org.mate.screensaver mode single &&
      gsettings set org.mate.screensaver themes "['screensavers-vantaro']" &&
      gsettings set org.mate.screensaver lock-enabled false || fail "cannot choose the saver in the host's settings"
    mate-screensaver --no-daemon >"$work/host.out" 2>&1 &
    host_pid=$!
    pids+=("$host_pid")
    for _ in $(seq 100); do mate-screensaver-command --query >/dev/null 2>&1 && break; sleep 0.1; done
    mate-screensaver-command --activate >/dev/null 2>&1 || fail "the host did not start: $(cat "$work/host.out")"
    for _ in $(seq 100); do [ -n "$(saver_pids)" ] && break; sleep 0.1; done
    [ -n "$(saver_pids)" ] || fail "the host started no vantaro: $(cat "$work/host.out")"
    expect_the_saver_drawing mate
    pid=$(saver_pids | head -n 1)
    host_window=$(tr '\0' '\n' <"/proc/$pid/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
    [ -n "$host_window" ] || fail "the host gave no XSCREENSAVER_WINDOW"
    [ -n "$(saver_windows_in "$host_window")" ] || fail "the saver draws in no window inside the host's $host_window"
    visual=$(xwininfo -id "$host_window" | sed -n 's/^ *Visual: //p')
    default_visual=$(xdpyinfo | sed -n 's/^ *default visual id: *//p' | head -n 1)
    echo "the host's window has visual $visual, the screen's default is $default_visual"
    # Timed on the one process: a scan of every process takes a while on a busy machine.
    start=$(date +%s%N)
    mate-screensaver-command --deactivate >/dev/null 2>&1 || fail "--deactivate failed"
    process_ends_within "$pid" 3 || fail "vantaro still runs 3 s after --deactivate"
    elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
    echo "vantaro ended ${elapsed} ms after --deactivate"
    [ "$elapsed" -le 2000 ] || fail "vantaro took $elapsed ms to end after --deactivate"
    [ -z "$(saver_pids)" ] || fail "a vantaro process was left behind after --deactivate"
    mate-screensaver-command --exit >/dev/null 2>&1
    process_ends_within "$host_pid" 5 || fail "the host did not exit"
    ;;
  *)
    fail "unknown scenario $scenario"
    ;;
esac
echo "PASS: $scenario"
