#!/usr/bin/env bash
# Renders Rappahannock County, VA at 1024 x 768 with `tolvane-cli basemap render` (the render
# script the program writes, run by the basemap package's PHP) beside MapServer's map2img drawing
# the same map file, extent and projection, 11 runs each. Prints the median wall times, their
# ratio and the share of pixels that differ between the two pictures. map2img (Debian's
# mapserver-bin) and GDAL's Python binding (python3-gdal) are needed by this script only.
#   bench/basemap_vs_map2img.sh [BUILD_DIR]   (default: build/bench-release, configured here)
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$top/build/bench-release}"
for tool in map2img php /usr/bin/python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing: scripts/setup installs it" >&2
    exit 1
  fi
done
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_GUI=OFF \
    -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=ON >/dev/null
fi
if ! cmake --build "$build" --target tolvane-cli tolvane_basemap_package \
    >"$build/basemap-bench-build.log" 2>&1; then
  cat "$build/basemap-bench-build.log" >&2
  exit 1
fi
build="$(cd "$build" && pwd)"
cli="$build/src/tolvane-cli"
tools="$build/src/basemaptools"
runs=${BASEMAP_BENCH_RUNS:-11}

work="$(mktemp -d /tmp/tolvane-basemap-vs-map2img.XXXXXX)"
trap 'rm -rf "$work"' EXIT
cp -r "$top/data/TolvaneMaps" "$work/maps"
exchange="$work/maps/BasemapFiles/Temp"
view="38.68,-78.16,300000"

now() { date +%s.%N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

: >"$work/ours.txt"
for _ in $(seq "$runs"); do
  start=$(now)
  "$cli" --maps "$work/maps" basemap render --view "$view" --size 1024x768 \
    --out "$work/ours.png" >"$work/ours.json" 2>/dev/null
  end=$(now)
  echo "$end - $start" | bc -l >>"$work/ours.txt"
done
grep -q '"ok":true' "$work/ours.json" || { cat "$work/ours.json" >&2; exit 1; }

# The same map file with the view's projection, the extent the program wrote, absolute paths.
extent=$(sed -n 's/^\$oMap->setExtent(\(.*\));$/\1/p' "$exchange/makemap.php" | tr ',' ' ')
projection=$(sed -n 's/^\$oMap->setProjection("\([^"]*\)",MS_TRUE);$/\1/p' "$exchange/makemap.php")
# A map file spells each parameter of a projection as a string of its own.
projection=${projection//,/\" \"}
sed -e "s|^  UNITS DD|  UNITS METERS|" \
    -e "s|^    \"init=epsg:4326\"$|    \"$projection\"|" \
    -e "s|SHAPEPATH \"data\"|SHAPEPATH \"$tools/data\"|" \
    -e "s|FONTSET \"fonts.txt\"|FONTSET \"$tools/fonts.txt\"|" \
    "$tools/basemap.map" >"$work/same.map"
# The layers the basemap button shows, as include2.php switches them.
layers="land countries counties states places"

: >"$work/theirs.txt"
for _ in $(seq "$runs"); do
  start=$(now)
  # shellcheck disable=SC2086
  map2img -m "$work/same.map" -e $extent -s 1024 768 -l "$layers" -o "$work/theirs.png" \
    >"$work/map2img.log" 2>&1 || { cat "$work/map2img.log" >&2; exit 1; }
  end=$(now)
  echo "$end - $start" | bc -l >>"$work/theirs.txt"
done

ours=$(median <"$work/ours.txt")
theirs=$(median <"$work/theirs.txt")
different=$(/usr/bin/python3 - "$work/ours.png" "$work/theirs.png" <<'PY'
import sys
from osgeo import gdal
a = gdal.Open(sys.argv[1]).ReadAsArray().astype(int)
b = gdal.Open(sys.argv[2]).ReadAsArray().astype(int)
if a.shape != b.shape:
    print("sizes differ: %s %s" % (a.shape, b.shape))
    sys.exit(0)
bands = a.reshape(-1, a.shape[-2] * a.shape[-1]) if a.ndim == 3 else a.reshape(1, -1)
other = b.reshape(-1, b.shape[-2] * b.shape[-1]) if b.ndim == 3 else b.reshape(1, -1)
differ = (abs(bands - other) > 0).any(axis=0).sum()
print("%.3f %% (%d of %d)" % (100.0 * differ / bands.shape[1], differ, bands.shape[1]))
PY
)
printf 'tolvane-cli basemap render: %.3f s (median of %d)\n' "$ours" "$runs"
printf 'map2img, same map:           %.3f s (median of %d)\n' "$theirs" "$runs"
printf 'ratio:                       %.2f (goal: at most 1.25)\n' "$(echo "$ours / $theirs" | bc -l)"
echo "pixels differing:            $different (goal: at most 0.5 %)"
