#!/usr/bin/env bash
# The installer under Wine, silently: vantaro.scr in the system folder, the uninstall entry,
# the saver made the current one, installed twice; then the uninstaller, with the saver
# running: the saver ended, every file and registry value the installer added gone, and the
# screensaver chosen before the first install put back. And the installer's pages as a user
# goes through them: the last one opens the screen saver settings with Vantaro selected.
#   installer_test.sh BUILD_DIR PATH/TO/vantaro-setup.exe PATH/TO/installed/vantaro.scr PATH/TO/record_command_line.exe
set -u
build=$1
setup=$2
installed=$3
recorder=$4

# shellcheck source=tests/windows_e2e/wine_session.sh
source "$(dirname "$0")/wine_session.sh"
# A server that ends a few seconds after the last Wine process, so that "wineserver -w" waits
# for everything started, the uninstaller's copy of itself and the saver included.
stop_wine_server
desktop_value() {
  timeout 60 "$wine" reg query 'HKCU\Control Panel\Desktop' /v "$1" </dev/null 2>/dev/null | tr -d '\r' |
    awk -v name="$1" '$1 == name { $1 = ""; $2 = ""; sub(/^  */, ""); print }'
}
uninstall_entry() { timeout 60 "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantaro' /v "$1" </dev/null 2>/dev/null | tr -d '\r' | grep -c "$1"; }
# The prefix's files, leaving out the temporary folders (installers unpack there).
files() { (cd "$WINEPREFIX/drive_c" && find . -path '*/[Tt]emp' -prune -o -print | sort); }
install() {
  wine_run "$setup" /S || fail "the installer failed"
  timeout 120 wineserver -w
}
# Uninstalls while the installed saver runs with the switch $1; the uninstaller ends it.
uninstall_while_running() {
  "$wine" 'C:\windows\system32\vantaro.scr' "$1" </dev/null >/dev/null 2>&1 &
  running=$!
  pids+=("$running")
  sleep $((3 * ${E2E_TIME_SCALE:-1}))
  kill -0 "$running" 2>/dev/null || fail "the installed saver did not start with $1"
  wine_run "C:\\Program Files\\Vantaro\\uninstall.exe" /S || fail "the uninstaller failed"
  # It finishes from a copy of itself in the temporary folder; the server ends when it and
  # the saver have.
  timeout 120 wineserver -w || fail "something still runs after uninstalling with the saver's $1 open"
  [ ! -e "$drive/windows/system32/vantaro.scr" ] || fail "vantaro.scr is left after uninstalling during $1"
}

drive=$WINEPREFIX/drive_c
wine_run reg add 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE /d 'C:\windows\system32\other.scr' /f
wine_run reg delete 'HKCU\Control Panel\Desktop' /v ScreenSaveActive /f
timeout 60 wineserver -w
files >"$work/before.txt"

# Installed twice, as an update over itself is.
install
install
cmp -s "$installed" "$drive/windows/system32/vantaro.scr" || fail "system32/vantaro.scr is not the saver"
[ -f "$drive/Program Files/Vantaro/uninstall.exe" ] || fail "no uninstaller"
[ "$(uninstall_entry DisplayName)" = 1 ] || fail "no uninstall entry"
[ "$(desktop_value SCRNSAVE.EXE)" = 'C:\windows\system32\vantaro.scr' ] || fail "not the current screensaver: $(desktop_value SCRNSAVE.EXE)"
[ "$(desktop_value ScreenSaveActive)" = 1 ] || fail "the screensaver is not active"
# The installed saver runs from there: the exit switch ends it at once.
wine_run 'C:\windows\system32\vantaro.scr' /a || fail "the installed saver does not start"

# Once with the test window open, once with the settings dialog.
uninstall_while_running /w
[ "$(desktop_value SCRNSAVE.EXE)" = 'C:\windows\system32\other.scr' ] || fail "the previous screensaver is not back: $(desktop_value SCRNSAVE.EXE)"
install
uninstall_while_running /c
files >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" || fail "files differ after uninstalling"
[ "$(desktop_value SCRNSAVE.EXE)" = 'C:\windows\system32\other.scr' ] || fail "the previous screensaver is not back: $(desktop_value SCRNSAVE.EXE)"
[ -z "$(desktop_value ScreenSaveActive)" ] || fail "ScreenSaveActive is left: $(desktop_value ScreenSaveActive)"
[ "$(uninstall_entry DisplayName)" = 0 ] || fail "the uninstall entry is left"

# Through the pages with the keyboard: Install, then Finish with its option left on, which
# starts the system's rundll32 (here a recorder of its command line).
rundll32=$drive/windows/system32/rundll32.exe
cp "$rundll32" "$work/rundll32.exe.saved"
cp "$recorder" "$rundll32"
restore_rundll32() { cp "$work/rundll32.exe.saved" "$rundll32"; }
# Wine runs its own rundll32 unless told to load the file that is there.
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;rundll32.exe=n" RECORD_COMMAND_LINE='C:\windows\temp\command-line.txt' \
  "$wine" "$setup" </dev/null >/dev/null 2>&1 &
pids+=($!)
press_on_page() {
  local window=""
  for _ in $(seq 200); do
    window=$(xdotool search --name '^Vantaro Setup' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { restore_rundll32; fail "no installer window for $1"; }
  sleep 1
  [ -n "${E2E_SCREENSHOT:-}" ] && import -window root "${E2E_SCREENSHOT%.png}-installer-$1.png"
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key Return
}
press_on_page components
# The finish page follows once the files are in place.
for _ in $(seq 300); do [ -f "$drive/Program Files/Vantaro/uninstall.exe" ] && break; sleep 0.1; done
sleep $((2 * ${E2E_TIME_SCALE:-1}))
press_on_page finish
for _ in $(seq 100); do [ -s "$drive/windows/temp/command-line.txt" ] && break; sleep 0.1; done
timeout 120 wineserver -w
restore_rundll32
started=$(tr -d '\r\n' <"$drive/windows/temp/command-line.txt" 2>/dev/null)
rm -f "$drive/windows/temp/command-line.txt"
expected='"C:\windows\system32\rundll32.exe" desk.cpl,InstallScreenSaver C:\windows\system32\vantaro.scr'
[ "$started" = "$expected" ] || fail "the finish page started: $started"
wine_run "C:\\Program Files\\Vantaro\\uninstall.exe" /S
timeout 120 wineserver -w

echo "installer: $(stat -c %s "$setup") bytes"
echo "PASS"
