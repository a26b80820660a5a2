#!/usr/bin/env bash
# The Debian package as a user meets it: built from the build in BUILD_DIR, checked by lintian,
# installed with apt, the installed saver run under the real screensaver host and from the
# desktop's menu entry, then removed with purge, after which nothing it installed may be left.
#   package_test.sh BUILD_DIR
# It installs into the system, so it needs root and skips (status 77) without it. It never
# leaves the package installed, also when it fails half way, and leaves alone a machine where
# the saver is installed already.
set -u
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

fail() { echo "FAIL: $*"; exit 1; }
skip() { echo "SKIP: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "the package test installs the package into the system, which needs root"
for tool in apt-get dpkg dpkg-deb flock; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

# One package test on the machine at a time: another one would remove the package under it.
exec 9>/tmp/vantaro-package-test.lock
flock -w 900 9 || fail "another package test has held /tmp/vantaro-package-test.lock for 15 minutes"

status=$(dpkg-query -W -f='${Status}' vantaro 2>/dev/null)
case "$status" in
  *installed* | *config-files* | *unpacked* | *half*)
    skip "vantaro is on this machine already ($status); this test would replace and purge it. Remove it first: apt-get remove --purge vantaro" ;;
esac
[ -e /usr/libexec/xscreensaver/vantaro ] &&
  skip "/usr/libexec/xscreensaver/vantaro exists outside the package manager (cmake --install?); this test would remove it. Remove it first"

work=$(mktemp -d)
installed=0
cleanup() {
  if [ "$installed" -eq 1 ]; then
    echo "removing the package left installed by the failed test"
    DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -q -o DPkg::Lock::Timeout=300 vantaro >"$work/cleanup.log" 2>&1 ||
      { echo "could not remove the package:"; cat "$work/cleanup.log"; }
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# The package, built now from the build's own version.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
deb=$build/vantaro_${version}_amd64.deb
rm -f "$deb"
cmake --build "$build" --target package >"$work/package.log" 2>&1 || fail "building the package: $(tail -n 30 "$work/package.log")"
[ -f "$deb" ] || fail "the package target wrote no $deb: $(tail -n 30 "$work/package.log")"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vantaro ] || fail "the package is called '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "the package has version '$(field Version)', the build $version"
[ "$(field Architecture)" = amd64 ] || fail "the package is for '$(field Architecture)'"
[[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "the maintainer '$(field Maintainer)' is no name and address"
[ -n "$(field Description)" ] || fail "the package has no description"
depends=$(field Depends)
echo "depends: $depends"
# Computed from the executable: the C library and the toolkits the saver links.
for library in libc6 libgtk-3-0 libsdl2-2.0-0 libepoxy0; do
  [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] || fail "the package does not depend on $library"
done

if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1
  lintian_status=$?
  grep -v 'running with root privileges' "$work/lintian.log" || echo "lintian: no errors, no warnings"
  [ "$lintian_status" -eq 0 ] || fail "lintian reports errors"
else
  echo "lintian is not installed: the package is not linted"
fi

# What exists before the package comes: the folders it shares with the system stay after it.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^/\?$' >"$work/contents"
while read -r path; do
  [ -e "$path" ] && echo "$path"
done <"$work/contents" >"$work/existed"

installed=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 "$deb" \
  >"$work/install.log" 2>&1 || fail "apt-get install: $(tail -n 30 "$work/install.log")"
dpkg-query -W -f='${Status}' vantaro | grep -qx 'install ok installed' || fail "dpkg does not list vantaro as installed"
dpkg -L vantaro | grep -v '^/\.$' >"$work/listed"
[ "$(sort "$work/listed")" = "$(sort "$work/contents")" ] ||
  fail "dpkg lists other files than the package holds: $(diff <(sort "$work/contents") <(sort "$work/listed"))"
[ "$(man -w vantaro 2>/dev/null)" = /usr/share/man/man6/vantaro.6.gz ] || fail "man does not find vantaro(6)"

# The installed files under the real host and from the menu, as the build's own are checked.
skipped=""
for scenario in install_layout settings_entry real_host xscreensaver_list mate_host; do
  bash "$here/../e2e/host_e2e.sh" "$scenario" --installed /usr
  result=$?
  [ "$result" -eq 77 ] && skipped="$skipped $scenario"
  [ "$result" -eq 0 ] || [ "$result" -eq 77 ] || fail "the installed package fails $scenario"
done

DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -q -o DPkg::Lock::Timeout=300 vantaro \
  >"$work/remove.log" 2>&1 || fail "apt-get remove --purge: $(tail -n 30 "$work/remove.log")"
installed=0
dpkg-query -W -f='${Status}' vantaro 2>/dev/null | grep -qv 'not-installed' &&
  fail "dpkg still knows vantaro: $(dpkg-query -W -f='${Status}' vantaro)"
left=$(while read -r path; do
  { [ -e "$path" ] || [ -L "$path" ]; } && ! grep -qxF "$path" "$work/existed" && echo "$path"
done <"$work/listed")
[ -z "$left" ] || fail "left behind after the purge: $left"
gone=$(while read -r path; do [ -e "$path" ] || echo "$path"; done <"$work/existed")
[ -z "$gone" ] || fail "the purge removed what was there before the package: $gone"

[ -z "$skipped" ] || skip "the package installed and purged cleanly, but these checks were skipped:$skipped"
echo "PASS: the package builds, installs, runs under the host and from the menu, and purges cleanly"
