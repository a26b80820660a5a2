# Sourced with the Windows build folder in $wine_build: Wine's environment for that build, so
# that everything Wine writes stays inside it (scripts/test-windows and cmake/run-under-wine).
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || echo wine64)
export WINEPREFIX="$wine_build/wine-prefix" WINEDEBUG=-all
# No .NET or HTML runtime to install, no menu entries or file associations for the host, and
# no debugger to wait on a program that crashes: it ends, and its test fails.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
# The caches Wine and fontconfig write under the home folder, and the folder under TMPDIR
# where Wine keeps its server's socket and lock.
export HOME="$wine_build/wine-home" TMPDIR="$wine_build/tmp"
export XDG_CACHE_HOME="$HOME/.cache" XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
mkdir -p "$HOME" "$TMPDIR"
