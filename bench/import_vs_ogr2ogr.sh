#!/usr/bin/env bash
# Imports 1,000,000 points with tolvane-cli and converts the same points from CSV to an ESRI
# Shapefile with ogr2ogr, side by side, then imports 10,000 polylines of 100 points; prints the
# objects per second of each and the ratio. ogr2ogr (Debian's gdal-bin) is needed by this
# script only, never by the program.
#   bench/import_vs_ogr2ogr.sh [BUILD_DIR]   (default: build/bench-release, configured here)
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$top/build/bench-release}"
if ! command -v ogr2ogr >/dev/null; then
  echo "ogr2ogr is missing: apt-get install gdal-bin (for this benchmark only)" >&2
  exit 1
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_GUI=OFF \
    -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=ON >/dev/null
fi
if ! cmake --build "$build" --target tolvane-cli >"$build/import-bench-build.log" 2>&1; then
  cat "$build/import-bench-build.log" >&2
  exit 1
fi
cli="$build/src/tolvane-cli"

work="$(mktemp -d /tmp/tolvane-import-vs-ogr2ogr.XXXXXX)"
trap 'rm -rf "$work"' EXIT
points=1000000

# The same seeded points in both forms: CSV for ogr2ogr, simple point records for the import.
awk -v n="$points" -v csv="$work/points.csv" -v mie="$work/points.mie" 'BEGIN {
  srand(7);
  print "lon,lat,name,symbol,color" > csv;
  for (i = 0; i < n; i++) {
    lon = -79 + 2 * rand(); lat = 38 + 2 * rand();
    printf "%.6f,%.6f,Site %d,54,RED\n", lon, lat, i > csv;
    printf "%.6f\t%.6f\tSite %d\tPOINTS\tBench\t54\tRED\r\n", lon, lat, i > mie;
  }
}'
awk -v n=10000 -v out="$work/polylines.mie" 'BEGIN {
  srand(11);
  for (i = 0; i < n; i++) {
    printf "\"\" \"\" \"\" \"1/1/2026\" 2 \"\" \"Road %d\" 0 \"ROADS\" \"Bench\" POLYLINE \"\" 0 \"\" 0 ONLY 0\r\nBLACK 1 BLACK NONE {\r\n", i > out;
    x = -79 + 2 * rand(); y = 38 + 2 * rand();
    for (p = 0; p < 100; p++) {
      printf " { %s %.6f %.6f }\r\n", (p == 0 ? "FROM" : "TO"), x, y > out;
      x += 0.002 * rand() - 0.001; y += 0.002 * rand() - 0.001;
    }
    printf "}\r\n" > out;
  }
}'

fresh_maps() {
  rm -rf "$work/maps"
  mkdir -p "$work/maps/Settings" "$work/maps/OverlayMaps"
}

# Runs the command and prints "wall cpu" in seconds (cpu = user + system), so a busy machine
# shows in the wall time but not in the CPU time.
measure() {
  local TIMEFORMAT='%R %U %S' out
  out=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  awk -v t="$out" 'BEGIN { split(t, f, " "); print f[1], f[2] + f[3] }'
}
div() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", a / b }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

fresh_maps
read -r tolvane_wall tolvane_cpu < <(measure "$cli" --maps "$work/maps" import "$work/points.mie")
read -r ogr_wall ogr_cpu < <(measure ogr2ogr -f "ESRI Shapefile" "$work/points.shp" \
  "$work/points.csv" -oo X_POSSIBLE_NAMES=lon -oo Y_POSSIBLE_NAMES=lat -oo KEEP_GEOM_COLUMNS=NO)
fresh_maps
read -r lines_wall lines_cpu < <(measure "$cli" --maps "$work/maps" import "$work/polylines.mie")

echo "                                      wall s  points/s    cpu s  points/s (cpu)"
printf "tolvane-cli import, %d points      %6.2f  %8s   %6.2f  %8s\n" "$points" \
  "$tolvane_wall" "$(div "$points" "$tolvane_wall")" "$tolvane_cpu" "$(div "$points" "$tolvane_cpu")"
printf "ogr2ogr CSV to shapefile, %d points %6.2f  %8s   %6.2f  %8s\n" "$points" "$ogr_wall" \
  "$(div "$points" "$ogr_wall")" "$ogr_cpu" "$(div "$points" "$ogr_cpu")"
printf "ratio tolvane / ogr2ogr                 %6s             %6s\n" \
  "$(ratio "$ogr_wall" "$tolvane_wall")" "$(ratio "$ogr_cpu" "$tolvane_cpu")"
printf "tolvane-cli import, 10000 polylines of 100 points: %.2f s wall, %.2f s cpu, %s polylines/s\n" \
  "$lines_wall" "$lines_cpu" "$(div 10000 "$lines_wall")"
