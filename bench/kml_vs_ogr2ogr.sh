#!/usr/bin/env bash
# Converts 10,000 polygons of 100 points from interchange text to KML with `tolvane-convert
# mie2kml` (what the basemap package's zep2kml.php runs for the ZEPHA export) beside ogr2ogr
# writing KML from the same polygons as WKT in CSV, 5 runs each. Prints the median wall and CPU
# times and the ratio (goal: at least ogr2ogr's speed, ratio >= 1). ogr2ogr (Debian's gdal-bin)
# is needed by this script only, never by the program.
#   bench/kml_vs_ogr2ogr.sh [BUILD_DIR]   (default: build/bench-release, configured here)
# KML_BENCH_POLYGONS changes the number of polygons, KML_BENCH_RUNS the number of runs.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$top/build/bench-release}"
if ! command -v ogr2ogr >/dev/null; then
  echo "ogr2ogr is missing: scripts/setup installs gdal-bin" >&2
  exit 1
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_GUI=OFF \
    -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=ON >/dev/null
fi
if ! cmake --build "$build" --target tolvane-convert >"$build/kml-bench-build.log" 2>&1; then
  cat "$build/kml-bench-build.log" >&2
  exit 1
fi
converter="$build/src/basemaptools/bin/tolvane-convert"
polygons=${KML_BENCH_POLYGONS:-10000}
runs=${KML_BENCH_RUNS:-5}

work="$(mktemp -d /tmp/tolvane-kml-vs-ogr2ogr.XXXXXX)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/ours"

# Seeded polygons: 100 points round a centre at random radii, the same in both inputs.
awk -v n="$polygons" -v out="$work/ours/zepha.mie" -v csv="$work/polygons.csv" 'BEGIN {
  srand(13);
  print "WKT,name,layer" > csv;
  for (i = 0; i < n; i++) {
    printf "\"\" \"\" \"\" \"1/1/2026\" 2 \"\" \"Zone %d\" 0 \"ZEPHA\" \"\" POLYGON \"\" 0 \"\" 0 ONLY 0\r\nRED 1 BLACK BLACK {\r\n", i > out;
    cx = -79 + 2 * rand(); cy = 38 + 2 * rand();
    wkt = "";
    for (p = 0; p < 100; p++) {
      a = 6.283185307 * p / 100; r = 0.01 + 0.005 * rand();
      x = sprintf("%.6f", cx + r * cos(a)); y = sprintf("%.6f", cy + r * sin(a));
      if (p == 0) { x0 = x; y0 = y; }
      printf " { %s %s %s }\r\n", (p == 0 ? "FROM" : "TO"), x, y > out;
      wkt = wkt sprintf("%s%s %s", (p == 0 ? "" : ","), x, y);
    }
    printf "}\r\n" > out;
    printf "\"POLYGON ((%s,%s %s))\",Zone %d,ZEPHA\n", wkt, x0, y0, i > csv;
  }
}'

# Runs the command and prints "wall cpu" in seconds (cpu = user + system of it and its children).
measure() {
  local TIMEFORMAT='%R %U %S' times
  times=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  awk -v t="$times" 'BEGIN { split(t, f, " "); print f[1], f[2] + f[3] }'
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

: >"$work/ours.txt"
: >"$work/ogr.txt"
for _ in $(seq "$runs"); do
  measure "$converter" mie2kml "$work/ours/zepha.mie" >>"$work/ours.txt"
  rm -f "$work/ogr.kml"
  measure ogr2ogr -f KML "$work/ogr.kml" "$work/polygons.csv" -oo GEOM_POSSIBLE_NAMES=WKT \
    -oo KEEP_GEOM_COLUMNS=NO >>"$work/ogr.txt"
done
placemarks=$(grep -c "<Placemark>" "$work/ours/zepha_polygons.kml" || true)
ogr_placemarks=$(grep -c "<Placemark" "$work/ogr.kml" || true)
t_wall=$(cut -d' ' -f1 "$work/ours.txt" | median)
t_cpu=$(cut -d' ' -f2 "$work/ours.txt" | median)
o_wall=$(cut -d' ' -f1 "$work/ogr.txt" | median)
o_cpu=$(cut -d' ' -f2 "$work/ogr.txt" | median)

echo "polygons of 100 points to KML, median of $runs runs      wall s   cpu s   placemarks  bytes"
printf "tolvane-convert mie2kml                              %6.2f  %6.2f  %10s  %s\n" \
  "$t_wall" "$t_cpu" "$placemarks" "$(stat -c %s "$work/ours/zepha_polygons.kml")"
printf "ogr2ogr -f KML from WKT CSV                          %6.2f  %6.2f  %10s  %s\n" \
  "$o_wall" "$o_cpu" "$ogr_placemarks" "$(stat -c %s "$work/ogr.kml")"
printf "ogr2ogr time / tolvane time                          %6s  %6s   (goal >= 1)\n" \
  "$(ratio "$o_wall" "$t_wall")" "$(ratio "$o_cpu" "$t_cpu")"
