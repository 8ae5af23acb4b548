#!/usr/bin/env bash
# Exports the import benchmark's 1,000,000 points and 10,000 polylines of 100 points as
# shapefiles with tolvane-cli (the interchange work file and the conversion by the basemap
# package's mie2shp tool timed apart), beside ogr2ogr converting the same data from CSV (WKT for
# the lines) to an ESRI Shapefile. Prints both, the ratios, CPU and wall time. ogr2ogr (Debian's
# gdal-bin) is needed by this script only, never by the program.
#   bench/export_vs_ogr2ogr.sh [BUILD_DIR]   (default: build/bench-release, configured here)
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$top/build/bench-release}"
for tool in ogr2ogr php; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing: scripts/setup installs it" >&2
    exit 1
  fi
done
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_GUI=OFF \
    -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=ON >/dev/null
fi
if ! cmake --build "$build" --target tolvane-cli tolvane-convert >"$build/export-bench-build.log" 2>&1; then
  cat "$build/export-bench-build.log" >&2
  exit 1
fi
cli="$build/src/tolvane-cli"

work="$(mktemp -d /tmp/tolvane-export-vs-ogr2ogr.XXXXXX)"
trap 'rm -rf "$work"' EXIT
points=${EXPORT_BENCH_POINTS:-1000000}
lines=${EXPORT_BENCH_LINES:-10000}

# The import benchmark's seeded data, with the same points and lines as CSV for ogr2ogr.
awk -v n="$points" -v csv="$work/points.csv" -v mie="$work/points.mie" 'BEGIN {
  srand(7);
  print "lon,lat,name,layer,map,symbol,color" > csv;
  for (i = 0; i < n; i++) {
    lon = -79 + 2 * rand(); lat = 38 + 2 * rand();
    printf "%.6f,%.6f,Site %d,POINTS,Bench,54,RED\n", lon, lat, i > csv;
    printf "%.6f\t%.6f\tSite %d\tPOINTS\tBench\t54\tRED\r\n", lon, lat, i > mie;
  }
}'
awk -v n="$lines" -v out="$work/polylines.mie" -v csv="$work/polylines.csv" 'BEGIN {
  srand(11);
  print "WKT,name,layer,map" > csv;
  for (i = 0; i < n; i++) {
    printf "\"\" \"\" \"\" \"1/1/2026\" 2 \"\" \"Road %d\" 0 \"ROADS\" \"Bench\" POLYLINE \"\" 0 \"\" 0 ONLY 0\r\nBLACK 1 BLACK NONE {\r\n", i > out;
    x = -79 + 2 * rand(); y = 38 + 2 * rand();
    wkt = "";
    for (p = 0; p < 100; p++) {
      printf " { %s %.6f %.6f }\r\n", (p == 0 ? "FROM" : "TO"), x, y > out;
      wkt = wkt sprintf("%s%.6f %.6f", (p == 0 ? "" : ","), x, y);
      x += 0.002 * rand() - 0.001; y += 0.002 * rand() - 0.001;
    }
    printf "}\r\n" > out;
    printf "\"LINESTRING (%s)\",Road %d,ROADS,Bench\n", wkt, i > csv;
  }
}'

mkdir -p "$work/maps/Settings" "$work/maps/OverlayMaps"
"$cli" --maps "$work/maps" import "$work/points.mie" >/dev/null 2>&1
"$cli" --maps "$work/maps" import "$work/polylines.mie" >/dev/null 2>&1

# Runs the command and prints "wall cpu" in seconds (cpu = user + system of it and its
# children), then the command's own standard output on the next line.
measure() {
  local TIMEFORMAT='%R %U %S' out times
  out="$work/measure.out"
  times=$({ time "$@" >"$out" 2>/dev/null; } 2>&1)
  awk -v t="$times" 'BEGIN { split(t, f, " "); print f[1], f[2] + f[3] }'
  printf "%s\n" "$(head -1 "$out")"
}
seconds_of() { sed -n "s/.*\"$1\":\([0-9.]*\).*/\1/p" <<<"$2"; }
rate() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", a / b }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

{ read -r t_wall t_cpu; read -r t_json; } < <(measure "$cli" --maps "$work/maps" export \
  --format shapefile --kind points --out "$work/tolvane_points.shp" --overlay Bench POINTS)
{ read -r o_wall o_cpu; read -r _; } < <(measure ogr2ogr -f "ESRI Shapefile" \
  "$work/ogr_points.shp" "$work/points.csv" -oo X_POSSIBLE_NAMES=lon -oo Y_POSSIBLE_NAMES=lat \
  -oo KEEP_GEOM_COLUMNS=NO)
{ read -r l_wall l_cpu; read -r l_json; } < <(measure "$cli" --maps "$work/maps" export \
  --format shapefile --kind polylines --out "$work/tolvane_lines.shp" --overlay Bench ROADS)
{ read -r ol_wall ol_cpu; read -r _; } < <(measure ogr2ogr -f "ESRI Shapefile" \
  "$work/ogr_lines.shp" "$work/polylines.csv" -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO)

echo "                                         wall s   objects/s    cpu s  objects/s (cpu)"
printf "tolvane-cli export, %d points          %6.2f  %10s   %6.2f  %10s\n" "$points" \
  "$t_wall" "$(rate "$points" "$t_wall")" "$t_cpu" "$(rate "$points" "$t_cpu")"
printf "  of which work file %.2f s, conversion %.2f s\n" "$(seconds_of write "$t_json")" \
  "$(seconds_of convert "$t_json")"
printf "ogr2ogr CSV to shapefile, %d points    %6.2f  %10s   %6.2f  %10s\n" "$points" \
  "$o_wall" "$(rate "$points" "$o_wall")" "$o_cpu" "$(rate "$points" "$o_cpu")"
printf "points: tolvane rate / ogr2ogr rate      %6s (wall)   %6s (cpu)   goal >= 2\n" \
  "$(ratio "$o_wall" "$t_wall")" "$(ratio "$o_cpu" "$t_cpu")"
printf "tolvane-cli export, %d polylines x 100   %6.2f  %10s   %6.2f  %10s\n" "$lines" \
  "$l_wall" "$(rate "$lines" "$l_wall")" "$l_cpu" "$(rate "$lines" "$l_cpu")"
printf "  of which work file %.2f s, conversion %.2f s\n" "$(seconds_of write "$l_json")" \
  "$(seconds_of convert "$l_json")"
printf "ogr2ogr WKT CSV to shapefile, %d lines  %6.2f  %10s   %6.2f  %10s\n" "$lines" \
  "$ol_wall" "$(rate "$lines" "$ol_wall")" "$ol_cpu" "$(rate "$lines" "$ol_cpu")"
printf "polylines: tolvane rate / ogr2ogr rate   %6s (wall)   %6s (cpu)   goal >= 1\n" \
  "$(ratio "$ol_wall" "$l_wall")" "$(ratio "$ol_cpu" "$l_cpu")"
