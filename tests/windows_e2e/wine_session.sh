# Sourced by the Windows end-to-end scripts, with the build folder in $build: a virtual display
# of the script's own, Wine's environment for the build, and the end-to-end prefix
# (build-windows/wine-prefix-e2e, made once by the first script that needs it), with a server
# of the script's own that ends with it.

command -v wineserver >/dev/null || { echo "Wine is not installed"; exit 77; }
# shellcheck source=tests/e2e/virtual_display.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/virtual_display.sh"
[ -z "${E2E_DISPLAYS:-}" ] && [ -n "${VANTARO_WINDOWS_DISPLAYS:-}" ] && E2E_DISPLAYS=$VANTARO_WINDOWS_DISPLAYS
start_display 600 699

wine_build=$build
# shellcheck source=cmake/wine-env.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-env.sh"
export WINEPREFIX=$build/wine-prefix-e2e

(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 300 "$wine" wineboot -i </dev/null >/dev/null 2>&1
    timeout 120 wineserver -w
  fi
) 9>"$build/wine-prefix-e2e.lock"

wine_run() { timeout 120 "$wine" "$@" </dev/null >/dev/null 2>&1; }

stop_wine_server() {
  timeout 60 wineserver -k 2>/dev/null
  timeout 60 wineserver -w 2>/dev/null
}
# A persistent server of this script's own on its display, detached from the test's output
# (ctest waits for every process holding it).
start_wine_server() {
  stop_wine_server
  wineserver -p </dev/null >/dev/null 2>&1
}
end_wine_session() {
  stop_wine_server
  cleanup
}
trap end_wine_session EXIT
