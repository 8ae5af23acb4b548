#!/bin/sh
# What the latitude/longitude grid and the decorations add to a 1024 x 768 drawing pass
# (bench/decorations_bench.cpp), on the demo county and on 1,000,000 points, beside what a GRID
# layer adds to MapServer's map2img drawing the same points. Prints each case's time in
# milliseconds and the share it adds to the pass alone; the goal is under 5 % for the grid and
# for all decorations on the demo county.
#   bench/grid_compare.sh [RELEASE_BUILD_DIR]
# Needs map2img (mapserver-bin) and ogr2ogr (gdal-bin) for the comparison only.
set -eu
build=${1:-build/release}
bench="$build/bench/decorations_bench"
cli="$build/src/tolvane-cli"
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-grid-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
command -v map2img >/dev/null || { echo "map2img is missing (apt-get install mapserver-bin)"; exit 1; }
command -v ogr2ogr >/dev/null || { echo "ogr2ogr is missing (apt-get install gdal-bin)"; exit 1; }
[ -x "$bench" ] || { echo "build the decorations_bench target in $build first"; exit 1; }
[ -x "$cli" ] || { echo "build the tolvane-cli target in $build first"; exit 1; }

# The demo county in a maps folder of its own.
cp -r data/TolvaneMaps "$work/maps"
"$cli" --maps "$work/maps" import data/demo/Cassel_County.mie >/dev/null

# One run per benchmark: the CSV reporter stops when runs of one call have different counters.
run_bench() { # OUT.csv [maps folder]
  for case in BM_Pass BM_PassWithGrid BM_PassWithAllDecorations BM_ComposeDecorations \
      BM_UpdateReferenceView500Files; do
    TOLVANE_BENCH_MAPS="${2:-}" TOLVANE_BENCH_EXPORT="$work" QT_QPA_PLATFORM=offscreen "$bench" \
      --benchmark_filter="^$case/" --benchmark_format=csv 2>/dev/null | grep '^"BM_'
  done > "$1"
}
run_bench "$work/county.csv" "$work/maps"
run_bench "$work/points.csv.bench"

ms() { grep "^\"$2[/\"]" "$1" | cut -d, -f4; }
share() { echo "$1 $2" | awk '{ printf "%+.1f%%", ($2 - $1) * 100 / $1 }'; }

# map2img: the points alone and with a GRID layer of about five meridians and six parallels
# (the program's spacing for this view is 2 degrees by 1), labelled in decimal degrees.
ogr2ogr -q -f "ESRI Shapefile" "$work/points.shp" "$work/points.csv" -oo GEOM_POSSIBLE_NAMES=WKT \
  -a_srs EPSG:4326 -nlt POINT -select id
read -r minx miny maxx maxy < "$work/extent.txt"
mapfile() { # OUT.map WITH_GRID
  {
    echo "MAP SIZE 1024 768 EXTENT $minx $miny $maxx $maxy IMAGECOLOR 255 255 255 IMAGETYPE png"
    echo "  PROJECTION \"init=epsg:4326\" END"
    echo "  SYMBOL NAME \"square\" TYPE VECTOR FILLED TRUE POINTS 0 0 0 1 1 1 1 0 0 0 END END"
    echo "  LAYER NAME \"points\" TYPE POINT STATUS ON DATA \"$work/points.shp\""
    echo "    CLASS STYLE SYMBOL \"square\" SIZE 4 COLOR 0 0 0 END END END"
    if [ "$2" = 1 ]; then
      echo "  LAYER NAME \"grid\" TYPE LINE STATUS ON PROJECTION \"init=epsg:4326\" END"
      echo "    CLASS STYLE COLOR 0 0 0 WIDTH 1 END LABEL TYPE BITMAP SIZE SMALL COLOR 0 0 0 END END"
      echo "    GRID LABELFORMAT \"DD\" MININTERVAL 1 MAXINTERVAL 2 MAXSUBDIVIDE 5 END END"
    fi
    echo "END"
  } > "$1"
}
mapfile "$work/plain.map" 0
mapfile "$work/grid.map" 1
# CPU time per drawing: n drawings less one, divided by n - 1 (the mapfile read once).
map2img_ms() {
  t1=$( { /usr/bin/time -f "%U %S" map2img -m "$1" -o "$work/out.png" -c 1 >/dev/null; } 2>&1 |
    tail -1 | awk '{ print $1 + $2 }')
  tn=$( { /usr/bin/time -f "%U %S" map2img -m "$1" -o "$work/out.png" -c 11 >/dev/null; } 2>&1 |
    tail -1 | awk '{ print $1 + $2 }')
  echo "$t1 $tn" | awk '{ printf "%.1f", ($2 - $1) * 1000 / 10 }'
}
m_plain=$(map2img_ms "$work/plain.map")
m_grid=$(map2img_ms "$work/grid.map")

echo "scene,pass_ms,grid_ms,grid_share,all_ms,all_share,compose_ms,update_reference_500_ms"
for scene in county points; do
  f="$work/$scene.csv"
  [ "$scene" = points ] && f="$work/points.csv.bench"
  p=$(ms "$f" BM_Pass)
  g=$(ms "$f" BM_PassWithGrid)
  a=$(ms "$f" BM_PassWithAllDecorations)
  echo "$scene,$p,$g,$(share "$p" "$g"),$a,$(share "$p" "$a"),$(ms "$f" BM_ComposeDecorations),$(ms "$f" BM_UpdateReferenceView500Files)"
done
echo "map2img points,$m_plain,$m_grid,$(share "$m_plain" "$m_grid"),,,,"
