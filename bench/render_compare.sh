#!/bin/sh
# Draws 1,000,000 points and, separately, 100,000 polylines of 20 points into 1024 x 768 with
# the program's drawing pass (bench/render_bench.cpp) and with MapServer's map2img reading the
# same objects from shapefiles, and prints both times and their ratio.
#   bench/render_compare.sh [RELEASE_BUILD_DIR]
# Needs map2img (mapserver-bin) and ogr2ogr (gdal-bin) for the comparison only; the program
# never depends on them.
set -eu
build=${1:-build/release}
bench="$build/bench/render_bench"
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-render-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
command -v map2img >/dev/null || { echo "map2img is missing (apt-get install mapserver-bin)"; exit 1; }
command -v ogr2ogr >/dev/null || { echo "ogr2ogr is missing (apt-get install gdal-bin)"; exit 1; }
[ -x "$bench" ] || { echo "build the render_bench target in $build first"; exit 1; }

# The program's figures; the same objects are written as WKT for the shapefiles.
TOLVANE_BENCH_EXPORT="$work" QT_QPA_PLATFORM=offscreen "$bench" \
  --benchmark_format=csv 2>/dev/null | grep '^"BM_' > "$work/tolvane.csv"
ogr2ogr -q -f "ESRI Shapefile" "$work/points.shp" "$work/points.csv" -oo GEOM_POSSIBLE_NAMES=WKT \
  -a_srs EPSG:4326 -nlt POINT -select id
ogr2ogr -q -f "ESRI Shapefile" "$work/lines.shp" "$work/lines.csv" -oo GEOM_POSSIBLE_NAMES=WKT \
  -a_srs EPSG:4326 -nlt LINESTRING -select id
read -r minx miny maxx maxy < "$work/extent.txt"

# Black 4-pixel squares and black 1-pixel lines, as the program draws them.
cat > "$work/points.map" <<EOF
MAP
  SIZE 1024 768
  EXTENT $minx $miny $maxx $maxy
  IMAGECOLOR 255 255 255
  IMAGETYPE png
  PROJECTION "init=epsg:4326" END
  SYMBOL NAME "square" TYPE VECTOR FILLED TRUE POINTS 0 0 0 1 1 1 1 0 0 0 END END
  LAYER NAME "points" TYPE POINT STATUS ON DATA "$work/points.shp"
    CLASS STYLE SYMBOL "square" SIZE 4 COLOR 0 0 0 END END
  END
END
EOF
cat > "$work/lines.map" <<EOF
MAP
  SIZE 1024 768
  EXTENT $minx $miny $maxx $maxy
  IMAGECOLOR 255 255 255
  IMAGETYPE png
  PROJECTION "init=epsg:4326" END
  LAYER NAME "lines" TYPE LINE STATUS ON DATA "$work/lines.shp"
    CLASS STYLE COLOR 0 0 0 WIDTH 1 END END
  END
END
EOF

# map2img draws each map n times after reading the mapfile once; the time per drawing is the
# difference between n and one drawing, divided by n - 1. Both sides count CPU time (user and
# system), which other work on a busy machine disturbs less than the elapsed time.
map2img_ms() {
  n=$2
  t1=$( { /usr/bin/time -f "%U %S" map2img -m "$1" -o "$work/out.png" -c 1 >/dev/null; } 2>&1 |
    tail -1 | awk '{ print $1 + $2 }')
  tn=$( { /usr/bin/time -f "%U %S" map2img -m "$1" -o "$work/out.png" -c "$n" >/dev/null; } 2>&1 |
    tail -1 | awk '{ print $1 + $2 }')
  echo "$t1 $tn $n" | awk '{ printf "%.1f", ($2 - $1) * 1000 / ($3 - 1) }'
}
ms_points=$(map2img_ms "$work/points.map" 11)
ms_lines=$(map2img_ms "$work/lines.map" 11)

tv_points=$(grep BM_DrawMillionPoints "$work/tolvane.csv" | cut -d, -f4)
tv_lines=$(grep BM_DrawHundredThousandPolylines "$work/tolvane.csv" | cut -d, -f4)
echo "case,tolvane_ms,map2img_ms,map2img_over_tolvane"
echo "1000000 points,$tv_points,$ms_points,$(echo "$ms_points $tv_points" | awk '{ printf "%.2f", $1 / $2 }')"
echo "100000 polylines x 20,$tv_lines,$ms_lines,$(echo "$ms_lines $tv_lines" | awk '{ printf "%.2f", $1 / $2 }')"
