#!/usr/bin/env bash
# The search engine beside sqlite3 and ogrinfo on 1,000,000 named points: starts with "mar",
# contains "nor", and within 1 mile of 78 W 39 N. The points (names from a seeded syllable
# generator) are imported with tolvane-cli into the map "Grid" in grid-cell order (the block
# index is built by the benchmark) and into "Random" in random order; the same rows go into a
# sqlite3 table with an R*Tree (timed with .timer on) and into a GeoPackage for ogrinfo -sql.
# sqlite3 and ogrinfo (Debian's sqlite3 and gdal-bin) are needed by this script only.
#   bench/search_compare.sh [BUILD_DIR]   (default: build/bench-release, configured here)
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$top/build/bench-release}"
for tool in sqlite3 ogrinfo ogr2ogr; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing: apt-get install sqlite3 gdal-bin (for this benchmark only)" >&2
    exit 1
  fi
done
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_GUI=OFF \
    -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=ON >/dev/null
fi
if ! cmake --build "$build" -j 1 --target tolvane-cli search_bench >"$build/search-bench-build.log" 2>&1; then
  cat "$build/search-bench-build.log" >&2
  exit 1
fi
cli="$build/src/tolvane-cli"

work="$(mktemp -d /tmp/tolvane-search-compare.XXXXXX)"
if [ "${SEARCH_BENCH_KEEP:-0}" = 1 ]; then echo "work folder: $work"; else trap 'rm -rf "$work"' EXIT; fi
points="${SEARCH_BENCH_POINTS:-1000000}"

# The rows: id, longitude, latitude, name, and the grid cell (32 x 32 cells over the area, so a
# cell holds about a block of 1000 records).
awk -v n="$points" 'BEGIN {
  srand(20261209);
  split("ma ri no ta ke lo sa ven dor mar nor el an bel ca di fu go ha ju li mo pe qu ro su te vi wa ye zo", syl, " ");
  ns = length(syl);
  for (i = 0; i < n; i++) {
    lon = -79 + 2 * rand(); lat = 38 + 2 * rand();
    k = 2 + int(rand() * 2); name = "";
    for (j = 0; j < k; j++) name = name syl[1 + int(rand() * ns)];
    name = toupper(substr(name, 1, 1)) substr(name, 2);
    cell = int((lat - 38) / 2 * 32) * 32 + int((lon + 79) / 2 * 32);
    printf "%d,%.6f,%.6f,%s,%d\n", i, lon, lat, name, cell;
  }
}' >"$work/random.csv"
sort -t, -k5,5n -s "$work/random.csv" >"$work/grid.csv"
to_mie() {
  awk -F, -v map="$2" '{ printf "%s\t%s\t%s\tPOINTS\t%s\t54\tRED\r\n", $2, $3, $4, map }' "$1"
}
to_mie "$work/grid.csv" Grid >"$work/grid.mie"
to_mie "$work/random.csv" Random >"$work/random.mie"
mkdir -p "$work/maps/Settings" "$work/maps/OverlayMaps"
"$cli" --maps "$work/maps" import "$work/grid.mie" >/dev/null 2>&1
"$cli" --maps "$work/maps" import "$work/random.mie" >/dev/null 2>&1

echo "== TOLVANE (in process, search_bench)"
TOLVANE_SEARCH_BENCH_MAPS="$work/maps" "$build/bench/search_bench" \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>&1 |
  grep -vE "_mean|_stddev|_cv" || true

# One mile round 78 W 39 N as a box for the R*Tree, then the exact test.
box="r.minx >= -78.0186 AND r.maxx <= -77.9814 AND r.miny >= 38.98552 AND r.maxy <= 39.01448"
exact="((p.lon + 78) * 0.777146 * 69.0459911616) * ((p.lon + 78) * 0.777146 * 69.0459911616) + ((p.lat - 39) * 69.0459911616) * ((p.lat - 39) * 69.0459911616) <= 1"
for order in grid random; do
  db="$work/$order.db"
  sqlite3 "$db" <<SQL >/dev/null
CREATE TABLE p(id INTEGER PRIMARY KEY, lon REAL, lat REAL, name TEXT, cell INTEGER);
.mode csv
.import $work/$order.csv p
CREATE VIRTUAL TABLE r USING rtree(id, minx, maxx, miny, maxy);
INSERT INTO r SELECT id, lon, lon, lat, lat FROM p;
SQL
  echo "== sqlite3 3.x, $order order (.timer on; real seconds)"
  sqlite3 "$db" <<SQL
.timer on
SELECT 'starts mar', count(*) FROM p WHERE name LIKE 'mar%';
SELECT 'contains nor', count(*) FROM p WHERE name LIKE '%nor%';
SELECT 'within 1 mi', count(*) FROM p JOIN r ON p.id = r.id WHERE $box AND $exact;
SQL
done

echo "== ogrinfo -sql on a GeoPackage (grid order; wall seconds, opening included)"
{ echo "lon,lat,name"; awk -F, '{ print $2 "," $3 "," $4 }' "$work/grid.csv"; } >"$work/pts.csv"
ogr2ogr -f GPKG "$work/pts.gpkg" "$work/pts.csv" -nln pts -oo X_POSSIBLE_NAMES=lon \
  -oo Y_POSSIBLE_NAMES=lat -oo KEEP_GEOM_COLUMNS=YES -oo AUTODETECT_TYPE=YES >/dev/null 2>&1
ogr_time() {
  local TIMEFORMAT='%R'
  { time ogrinfo -q -sql "$1" "$work/pts.gpkg" >/dev/null 2>&1; } 2>&1
}
echo "starts mar   $(ogr_time "SELECT count(*) FROM pts WHERE name LIKE 'mar%'")"
echo "contains nor $(ogr_time "SELECT count(*) FROM pts WHERE name LIKE '%nor%'")"
# The GeoPackage's own R*Tree of the geometry column, then the exact test.
echo "within 1 mi  $(ogr_time "SELECT count(*) FROM pts p JOIN rtree_pts_geom r ON p.fid = r.id WHERE $box AND $exact")"
