#!/usr/bin/env bash
# The renderer's listings are the same bytes on Windows as on Linux: the catalogue, the tracks
# of every third programme and poses at several points (camera, transforms and smoke flags
# computed by the same core on two C libraries).
#   same_listings.sh SOURCE_DIR LINUX_RENDER WINDOWS_BUILD OUT_DIR
# Exits 77 (skipped) when the Linux renderer has not been built, unless
# VANTARO_CROSS_DEVICE_REQUIRED is set.
set -euo pipefail
source_dir=$1 linux_render=$2 windows_build=$3 out=$4

if [ ! -x "$linux_render" ]; then
  echo "same-listings: $linux_render is not built (build the default preset first): nothing to compare"
  [ -n "${VANTARO_CROSS_DEVICE_REQUIRED:-}" ] && exit 1
  exit 77
fi
rm -rf "$out"
mkdir -p "$out/linux" "$out/windows"

listings=("list|--list")
for programme in $(seq 1 3 40); do
  listings+=("track$programme|--dump-track $programme")
done
for programme in 3 10 22 35 36; do
  for progress in 0 0.37 0.91 1; do
    listings+=("pose$programme-$progress|--dump-pose $programme $progress")
  done
done

failed=0
for listing in "${listings[@]}"; do
  name=${listing%%|*}
  read -r -a arguments <<<"${listing#*|}"
  "$linux_render" "${arguments[@]}" > "$out/linux/$name.txt"
  timeout 120 "$source_dir/cmake/run-under-wine" "$windows_build" "$windows_build/vantaro-render.exe" \
    "${arguments[@]}" > "$out/windows/$name.txt" </dev/null
  if ! cmp -s "$out/linux/$name.txt" "$out/windows/$name.txt"; then
    echo "same-listings: ${listing#*|} differs:"
    diff "$out/linux/$name.txt" "$out/windows/$name.txt" | head -4
    failed=1
  fi
done
echo "same-listings: ${#listings[@]} listings compared"
exit $failed
