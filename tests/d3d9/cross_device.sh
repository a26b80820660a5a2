#!/usr/bin/env bash
# The same frames drawn by both devices: Direct3D 9 (vantaro-render.exe under Wine) and OpenGL
# (the Linux build's vantaro-render), compared pixel by pixel. Programme frames at several
# points and the view of each model and texture; every frame must reach MIN_PSNR dB.
#   cross_device.sh SOURCE_DIR LINUX_RENDER WINDOWS_BUILD OUT_DIR
# Writes OUT_DIR/table.md (PSNR, largest channel difference, pixels that differ) and the
# pictures under OUT_DIR/gl, OUT_DIR/d3d9 and OUT_DIR/difference (differences x 16).
# Exits 77 (skipped) when the Linux renderer has not been built, unless
# VANTARO_CROSS_DEVICE_REQUIRED is set (scripts/test-all builds it first and sets it).
set -euo pipefail
source_dir=$1 linux_render=$2 windows_build=$3 out=$4
min_psnr=${MIN_PSNR:-30}
size=400x300
fps=15

if [ ! -x "$linux_render" ]; then
  echo "cross-device: $linux_render is not built (build the default preset first): nothing to compare"
  [ -n "${VANTARO_CROSS_DEVICE_REQUIRED:-}" ] && exit 1
  exit 77
fi
command -v compare >/dev/null || { echo "cross-device: ImageMagick's compare is missing (scripts/install-deps)"; exit 1; }

rm -rf "$out"
mkdir -p "$out/gl" "$out/d3d9" "$out/difference" "$out/assets"
cp "$source_dir"/resources/models/*.x "$source_dir"/resources/textures/* "$out/assets/"

# name|arguments, the same for both renderers; paths relative to $out.
frames=()
for programme in 3 10 22 36; do
  for progress in 0.2 0.5 0.8; do
    frames+=("p${programme}-${progress}|--programme $programme --progress $progress --fps $fps")
  done
done
frames+=("SKY|--mesh-file assets/SKY.x --texture-file assets/SKY.jpg --yaw 30 --pitch 20")
frames+=("RUNWAY|--mesh-file assets/RUNWAY.x --texture-file assets/land21.jpg --yaw 30 --pitch 40")
frames+=("KZd|--mesh-file assets/KZd.x --texture-file assets/KZ000.jpg")
for texture in KZ000 KZ001 KZ002 KZ003 KZ004_1 KZ004_2 KZ004_3 KZ004_4 KZ004_5 KZ004_6 smoke; do
  extension=jpg
  [ "$texture" = smoke ] && extension=tga
  frames+=("KZ-$texture|--mesh-file assets/KZ.x --texture-file assets/$texture.$extension")
done

cd "$out"
{
  echo "| frame | PSNR (dB) | largest difference | pixels that differ |"
  echo "|---|---|---|---|"
} > table.md
failed=0
for frame in "${frames[@]}"; do
  name=${frame%%|*}
  read -r -a arguments <<<"${frame#*|}"
  # The two renderers side by side: the Linux one in the background while Wine draws.
  "$linux_render" "${arguments[@]}" --size "$size" --out "gl/$name.png" &
  linux_pid=$!
  timeout 900 "$source_dir/cmake/run-under-wine" "$windows_build" "$windows_build/vantaro-render.exe" "${arguments[@]}" --size "$size" --out "d3d9/$name.png" </dev/null
  wait "$linux_pid"
  # ImageMagick reports on 16-bit channels; "inf" when nothing differs.
  psnr=$(compare -alpha off -metric PSNR "gl/$name.png" "d3d9/$name.png" null: 2>&1 || true)
  peak=$(compare -alpha off -metric PAE "gl/$name.png" "d3d9/$name.png" null: 2>&1 || true)
  count=$(compare -alpha off -metric AE "gl/$name.png" "d3d9/$name.png" null: 2>&1 || true)
  convert "gl/$name.png" "d3d9/$name.png" -alpha off -compose difference -composite -evaluate multiply 16 \
    "difference/$name.png"
  largest=$(( (${peak%% *} + 128) / 257 ))
  echo "| $name | $psnr | $largest | $count |" >> table.md
  if [ "$psnr" != inf ] && ! awk -v p="$psnr" -v m="$min_psnr" 'BEGIN { exit !(p + 0 >= m) }'; then
    echo "cross-device: $name reaches only $psnr dB (at least $min_psnr wanted)"
    failed=1
  fi
done
cat table.md
exit $failed
