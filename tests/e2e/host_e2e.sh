#!/usr/bin/env bash
# The saver installed and run by the real screensaver host (xscreensaver) on a virtual display.
#   host_e2e.sh SCENARIO BUILD_DIR
# The host refuses to run display modes as root, so it runs as nobody here: the temporary
# prefix is readable by all, and the fresh HOME belongs to nobody.
set -u
scenario=$1
build=$2

# shellcheck source=tests/e2e/virtual_display.sh
source "$(dirname "$0")/virtual_display.sh"
chmod 755 "$work"
prefix=$work/prefix

install_into() {
  DESTDIR=${2:-} cmake --install "$build" --prefix "$1" >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$work/install.log")"
}

# Our installed saver's processes, whoever started them.
saver_pids() {
  for exe in /proc/[0-9]*/exe; do
    [ "$(readlink "$exe" 2>/dev/null)" = "$prefix/libexec/xscreensaver/vantaro" ] && basename "$(dirname "$exe")"
  done
}

# Runs a command as nobody with the fresh HOME.
as_user() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env HOME="$home" DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$home/.config" SDL_AUDIODRIVER=dummy "$@"
}

# Mean brightness (0 to 1) and the number of colours in a region of the screenshot.
region() { convert "$work/screen.png" -crop "$1" -format '%[fx:mean] %k' info:; }

case "$scenario" in
  install_layout)
    install_into /usr "$work/stage"
    for f in usr/libexec/xscreensaver/vantaro usr/share/xscreensaver/config/vantaro.xml \
             usr/share/man/man6/vantaro.6 usr/share/icons/hicolor/128x128/apps/vantaro.png; do
      [ -f "$work/stage/$f" ] || fail "$f was not installed under DESTDIR"
    done
    [ -x "$work/stage/usr/libexec/xscreensaver/vantaro" ] || fail "the saver is not executable"
    grep -q '<command arg="--root"/>' "$work/stage/usr/share/xscreensaver/config/vantaro.xml" ||
      fail "the host description has no --root command"
    [ "$(identify -format '%wx%h' "$work/stage/usr/share/icons/hicolor/128x128/apps/vantaro.png")" = "128x128" ] ||
      fail "the icon is not 128 by 128"
    if command -v xmllint >/dev/null; then
      xmllint --noout "$work/stage/usr/share/xscreensaver/config/vantaro.xml" || fail "the host description is no XML"
    fi
    if command -v man >/dev/null; then
      warnings=$(MANWIDTH=80 man --warnings -l "$work/stage/usr/share/man/man6/vantaro.6" 2>&1 >/dev/null)
      [ -z "$warnings" ] || fail "the manual page: $warnings"
    fi
    ;;
  real_host)
    for tool in xscreensaver xscreensaver-command setpriv; do
      command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
    done
    start_display 300 399
    install_into "$prefix"
    home=$work/home
    mkdir -p "$home"
    cat >"$home/.xscreensaver" <<END
mode:		one
selected:	0
timeout:	1:00:00
lock:		False
fade:		False
unfade:		False
splash:		False
programs:	$prefix/libexec/xscreensaver/vantaro --root \n
END
    chown -R nobody:nogroup "$home"
    as_user xscreensaver -no-splash >"$work/host.out" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do as_user xscreensaver-command -time >/dev/null 2>&1 && break; sleep 0.1; done
    as_user xscreensaver-command -activate >/dev/null 2>&1 || fail "the host did not start: $(cat "$work/host.out")"
    for _ in $(seq 100); do [ -n "$(saver_pids)" ] && break; sleep 0.1; done
    [ -n "$(saver_pids)" ] || fail "the host started no vantaro: $(cat "$work/host.out")"
    # The first programme loads its models first, which takes seconds in a sanitised build.
    for _ in $(seq 120); do
      import -window root "$work/screen.png" || fail "no screenshot"
      [ "$(convert "$work/screen.png" -format '%k' info:)" -gt 50 ] && break
      sleep 0.5
    done
    [ -n "${VANTARO_SHOTS:-}" ] && cp "$work/screen.png" "$VANTARO_SHOTS/host-early.png"
    read -r top top_colours <<<"$(region 1024x200+0+0)"
    read -r bottom bottom_colours <<<"$(region 1024x200+0+568)"
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
    [ -n "${VANTARO_SHOTS:-}" ] && cp "$work/screen.png" "$VANTARO_SHOTS/host-later.png"
    changed=$(compare -metric AE "$work/early.png" "$work/screen.png" null: 2>&1 | cut -d' ' -f1)
    echo "pixels changed between the screenshots: $changed"
    [ "${changed%.*}" -gt 50 ] || fail "the picture stands still"
    # The camera follows the formation: its painted aircraft are the saturated colours near
    # the middle of a pale sky.
    painted=$(convert "$work/screen.png" -crop 400x300+312+234 -colorspace HSL -channel G -separate +channel \
              -threshold 50% -format '%[fx:int(mean*w*h)]' info:)
    echo "saturated pixels in the middle of the screen: $painted"
    [ "$painted" -gt 500 ] || fail "no aircraft in the middle of the screen"
    owner=$(stat -c %U "/proc/$(saver_pids | head -n 1)")
    [ "$owner" = "nobody" ] || fail "the saver runs as $owner"
    tr '\0' '\n' <"/proc/$(saver_pids | head -n 1)/environ" | grep -q '^XSCREENSAVER_WINDOW=0x' ||
      fail "the host gave no XSCREENSAVER_WINDOW"
    as_user xscreensaver-command -deactivate >/dev/null 2>&1 || fail "-deactivate failed"
    for _ in $(seq 100); do [ -z "$(saver_pids)" ] && break; sleep 0.05; done
    [ -z "$(saver_pids)" ] || fail "a vantaro process was left behind after -deactivate"
    ;;
  *)
    fail "unknown scenario $scenario"
    ;;
esac
echo "PASS: $scenario"
