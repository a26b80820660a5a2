#!/usr/bin/env bash
# The installer under Wine, silently: vantaro.scr in the system folder, the uninstall entry,
# the saver made the current one; then the uninstaller: every file and registry value the
# installer added gone, and the screensaver chosen before put back.
#   installer_test.sh BUILD_DIR PATH/TO/vantaro-setup.exe PATH/TO/installed/vantaro.scr
set -u
build=$1
setup=$2
installed=$3

# shellcheck source=tests/windows_e2e/wine_session.sh
source "$(dirname "$0")/wine_session.sh"
# A server that ends a few seconds after the last Wine process, so that "wineserver -w" waits
# for everything started, the uninstaller's copy of itself included.
stop_wine_server
desktop_value() {
  timeout 60 "$wine" reg query 'HKCU\Control Panel\Desktop' /v "$1" </dev/null 2>/dev/null | tr -d '\r' |
    awk -v name="$1" '$1 == name { $1 = ""; $2 = ""; sub(/^  */, ""); print }'
}
uninstall_entry() { timeout 60 "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantaro' /v "$1" </dev/null 2>/dev/null | tr -d '\r' | grep -c "$1"; }
# The prefix's files, leaving out the temporary folders (installers unpack there).
files() { (cd "$WINEPREFIX/drive_c" && find . -path '*/[Tt]emp' -prune -o -print | sort); }


drive=$WINEPREFIX/drive_c
wine_run reg add 'HKCU\Control Panel\Desktop' /v SCRNSAVE.EXE /d 'C:\windows\system32\other.scr' /f
wine_run reg delete 'HKCU\Control Panel\Desktop' /v ScreenSaveActive /f
timeout 60 wineserver -w
files >"$work/before.txt"

wine_run "$setup" /S || fail "the installer failed"
timeout 120 wineserver -w
cmp -s "$installed" "$drive/windows/system32/vantaro.scr" || fail "system32/vantaro.scr is not the saver"
[ -f "$drive/Program Files/Vantaro/uninstall.exe" ] || fail "no uninstaller"
[ "$(uninstall_entry DisplayName)" = 1 ] || fail "no uninstall entry"
[ "$(desktop_value SCRNSAVE.EXE)" = 'C:\windows\system32\vantaro.scr' ] || fail "not the current screensaver: $(desktop_value SCRNSAVE.EXE)"
[ "$(desktop_value ScreenSaveActive)" = 1 ] || fail "the screensaver is not active"
# The installed saver runs from there: the exit switch ends it at once.
wine_run 'C:\windows\system32\vantaro.scr' /a || fail "the installed saver does not start"

wine_run "C:\\Program Files\\Vantaro\\uninstall.exe" /S || fail "the uninstaller failed"
# It finishes from a copy of itself in the temporary folder; the server ends when it has.
timeout 120 wineserver -w
files >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" || fail "files differ after uninstalling"
[ "$(desktop_value SCRNSAVE.EXE)" = 'C:\windows\system32\other.scr' ] || fail "the previous screensaver is not back: $(desktop_value SCRNSAVE.EXE)"
[ -z "$(desktop_value ScreenSaveActive)" ] || fail "ScreenSaveActive is left: $(desktop_value ScreenSaveActive)"
[ "$(uninstall_entry DisplayName)" = 0 ] || fail "the uninstall entry is left"
echo "installer: $(stat -c %s "$setup") bytes"
echo "PASS"
