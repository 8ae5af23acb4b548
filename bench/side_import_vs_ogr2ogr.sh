#!/usr/bin/env bash
# Imports 1,000,000 points three ways with tolvane-cli — as a coordinate list with a single END
# and its .FLD/.DAT attribute table, as records of the 1.x export format, and as simple point
# records of the interchange format — beside ogr2ogr converting the same points from CSV to an
# ESRI Shapefile. Prints each rate, CPU and wall time, and the ratios against the two goals:
# the side imports at least twice ogr2ogr's points per second and at least 0.8 times the
# interchange format's simple-point import. ogr2ogr (Debian's gdal-bin) is needed by this script
# only, never by the program.
#   bench/side_import_vs_ogr2ogr.sh [BUILD_DIR]   (default: build/bench-release, configured here)
#   SIDE_BENCH_POINTS=N changes the number of points.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$top/build/bench-release}"
if ! command -v ogr2ogr >/dev/null; then
  echo "ogr2ogr is missing: scripts/setup installs it" >&2
  exit 1
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_GUI=OFF \
    -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=ON >/dev/null
fi
if ! cmake --build "$build" --target tolvane-cli >"$build/side-import-bench-build.log" 2>&1; then
  cat "$build/side-import-bench-build.log" >&2
  exit 1
fi
cli="$build/src/tolvane-cli"

work="$(mktemp -d /tmp/tolvane-side-import.XXXXXX)"
trap 'rm -rf "$work"' EXIT
points=${SIDE_BENCH_POINTS:-1000000}

# The same seeded points in four files: the coordinate list and its table, the 1.x export
# (longitudes west positive, kind 5 a symbol), the interchange format's simple point records and
# the CSV for ogr2ogr.
awk -v n="$points" -v w="$work" 'BEGIN {
  srand(7);
  list = w "/points.txt"; dat = w "/points.DAT"; old = w "/points.old"; mie = w "/points.mie";
  csv = w "/points.csv";
  print "NAME LAYER MAP SYMBOL COLOR" > (w "/points.FLD");
  printf "1\r*7 POINTS\r" > old;
  print "lon,lat,name,layer,map,symbol,color" > csv;
  for (i = 0; i < n; i++) {
    lon = -79 + 2 * rand(); lat = 38 + 2 * rand();
    printf "%d, %.6f, %.6f\r\n", i + 1, lon, lat > list;
    printf "Site_%d POINTS Bench 54 RED\r\n", i > dat;
    printf "%X, 7, 5, %.6f %.6f %.6f %.6f 5 0 0 0 0 -1 1 54\rSite_%d\r", i + 1, lat, -lon, lat,
      -lon, i > old;
    printf "%.6f\t%.6f\tSite_%d\tPOINTS\tBench\t54\tRED\r\n", lon, lat, i > mie;
    printf "%.6f,%.6f,Site_%d,POINTS,Bench,54,RED\n", lon, lat, i > csv;
  }
  printf "END\r\n" > list;
}'

# A maps folder of its own for each import, so none finds the others' IDs.
fresh() {
  rm -rf "$work/maps"
  mkdir -p "$work/maps/Settings" "$work/maps/OverlayMaps"
}

# Runs the command and prints "wall cpu" in seconds (cpu = user + system of it and its
# children), then the last line of the command's own standard output.
measure() {
  local TIMEFORMAT='%R %U %S' out times
  out="$work/measure.out"
  times=$({ time "$@" >"$out" 2>/dev/null; } 2>&1)
  awk -v t="$times" 'BEGIN { split(t, f, " "); print f[1], f[2] + f[3] }'
  printf "%s\n" "$(tail -1 "$out")"
}
rate() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", a / b }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

fresh
{ read -r l_wall l_cpu; read -r l_out; } < <(measure "$cli" --maps "$work/maps" import \
  "$work/points.txt")
fresh
{ read -r x_wall x_cpu; read -r x_out; } < <(measure "$cli" --maps "$work/maps" import-old \
  "$work/points.old" --new-map)
fresh
{ read -r m_wall m_cpu; read -r m_out; } < <(measure "$cli" --maps "$work/maps" import \
  "$work/points.mie")
{ read -r o_wall o_cpu; read -r _; } < <(measure ogr2ogr -f "ESRI Shapefile" \
  "$work/ogr_points.shp" "$work/points.csv" -oo X_POSSIBLE_NAMES=lon -oo Y_POSSIBLE_NAMES=lat \
  -oo KEEP_GEOM_COLUMNS=NO)

echo "coordinate list: $l_out"
echo "1.x export:      ${x_out:0:120}"
echo "simple points:   $m_out"
echo "                                          wall s    points/s    cpu s   points/s (cpu)"
line() {
  printf "%-40s %6.2f  %10s   %6.2f  %10s\n" "$1" "$2" "$(rate "$points" "$2")" "$3" \
    "$(rate "$points" "$3")"
}
line "coordinate list + .FLD/.DAT, $points" "$l_wall" "$l_cpu"
line "1.x export records, $points" "$x_wall" "$x_cpu"
line "interchange simple points, $points" "$m_wall" "$m_cpu"
line "ogr2ogr CSV to shapefile, $points" "$o_wall" "$o_cpu"
printf "coordinate list / ogr2ogr     %6s (wall) %6s (cpu)   goal >= 2\n" \
  "$(ratio "$o_wall" "$l_wall")" "$(ratio "$o_cpu" "$l_cpu")"
printf "1.x export / ogr2ogr          %6s (wall) %6s (cpu)   goal >= 2\n" \
  "$(ratio "$o_wall" "$x_wall")" "$(ratio "$o_cpu" "$x_cpu")"
printf "coordinate list / simple pts  %6s (wall) %6s (cpu)   goal >= 0.8\n" \
  "$(ratio "$m_wall" "$l_wall")" "$(ratio "$m_cpu" "$l_cpu")"
printf "1.x export / simple pts       %6s (wall) %6s (cpu)   goal >= 0.8\n" \
  "$(ratio "$m_wall" "$x_wall")" "$(ratio "$m_cpu" "$x_cpu")"
