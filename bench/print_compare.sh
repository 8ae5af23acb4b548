#!/bin/sh
# Prints the render benchmark's 1,000,000 points on one PDF page with the program's page loop
# (bench/render_bench.cpp, BM_PrintMillionPointsToPdf) and with MapServer's map2img through its
# CAIRO/PDF driver reading the same points from a shapefile, and prints CPU time and file size
# of both. Both PDFs are rasterised with pdftoppm beside the program's own PNG of the view, so
# the three pictures can be compared by eye.
#   bench/print_compare.sh [RELEASE_BUILD_DIR] [KEEP_DIR]
# Needs map2img (mapserver-bin), ogr2ogr (gdal-bin) and pdftoppm (poppler-utils) for the
# comparison only; the program never depends on them.
set -eu
build=${1:-build/release}
bench="$build/bench/render_bench"
if [ $# -ge 2 ]; then
  work=$2
  mkdir -p "$work"
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/tolvane-print-compare.XXXXXX")
  trap 'rm -rf "$work"' EXIT
fi
command -v map2img >/dev/null || { echo "map2img is missing (apt-get install mapserver-bin)"; exit 1; }
command -v ogr2ogr >/dev/null || { echo "ogr2ogr is missing (apt-get install gdal-bin)"; exit 1; }
command -v pdftoppm >/dev/null || { echo "pdftoppm is missing (apt-get install poppler-utils)"; exit 1; }
[ -x "$build/bench/render_bench" ] || { echo "build the render_bench target in $build first"; exit 1; }

# The program's figures (CPU per printed page, PDF bytes); the points are written as WKT.
# (Two runs: the CSV reporter wants every run of one call to have the same counters.)
for case in BM_DrawMillionPoints BM_PrintMillionPointsToPdf; do
  TOLVANE_BENCH_EXPORT="$work" QT_QPA_PLATFORM=offscreen "$bench" --benchmark_filter="$case" \
    --benchmark_format=csv 2>/dev/null | grep '^"BM_'
done > "$work/tolvane.csv"
ogr2ogr -q -f "ESRI Shapefile" "$work/points.shp" "$work/points.csv" -oo GEOM_POSSIBLE_NAMES=WKT \
  -a_srs EPSG:4326 -nlt POINT -select id
read -r minx miny maxx maxy < "$work/extent.txt"

# The printed image: fitted to a landscape Letter page's printable part (10.5 x 7.25 inches)
# in the view's 4:3 proportions, 9.67 x 7.25 inches, in PDF points; the program's dots are 4 screen
# pixels, 3 points, wide.
cat > "$work/print.map" <<EOF
MAP
  SIZE 696 522
  EXTENT $minx $miny $maxx $maxy
  IMAGECOLOR 255 255 255
  PROJECTION "init=epsg:4326" END
  OUTPUTFORMAT NAME "pdf" DRIVER "CAIRO/PDF" MIMETYPE "application/x-pdf" IMAGEMODE RGB
    EXTENSION "pdf" END
  IMAGETYPE "pdf"
  SYMBOL NAME "square" TYPE VECTOR FILLED TRUE POINTS 0 0 0 1 1 1 1 0 0 0 END END
  LAYER NAME "points" TYPE POINT STATUS ON DATA "$work/points.shp"
    CLASS STYLE SYMBOL "square" SIZE 3 COLOR 0 0 0 END END
  END
END
EOF
# map2img's whole run (reading the shapefile included), CPU as user + system seconds.
set -- $( { /usr/bin/time -f "%e %U %S" map2img -m "$work/print.map" -o "$work/map2img.pdf" \
  >/dev/null; } 2>&1 | tail -1)
m_wall=$1
m_cpu=$(echo "$2 $3" | awk '{ printf "%.0f", ($1 + $2) * 1000 }')
m_bytes=$(stat -c %s "$work/map2img.pdf")

# Google Benchmark's CSV: name,iterations,real_time,cpu_time,time_unit,...; the bytes counter
# is the last filled column.
line=$(grep BM_PrintMillionPointsToPdf "$work/tolvane.csv")
t_cpu=$(echo "$line" | cut -d, -f4 | awk '{ printf "%.0f", $1 }')
t_wall=$(echo "$line" | cut -d, -f3 | awk '{ printf "%.0f", $1 }')
t_bytes=$(stat -c %s "$work/tolvane_points.pdf")
pdftoppm -r 96 -png -singlefile "$work/tolvane_points.pdf" "$work/tolvane_pdf"
pdftoppm -r 96 -png -singlefile "$work/map2img.pdf" "$work/map2img_pdf"

echo "case,tolvane_cpu_ms,tolvane_wall_ms,tolvane_bytes,map2img_cpu_ms,map2img_wall_s,map2img_bytes,cpu_ratio,size_ratio"
echo "1000000 points to one PDF page,$t_cpu,$t_wall,$t_bytes,$m_cpu,$m_wall,$m_bytes,$(echo "$t_cpu $m_cpu" | awk '{ printf "%.2f", $1 / $2 }'),$(echo "$t_bytes $m_bytes" | awk '{ printf "%.2f", $1 / $2 }')"
echo "pictures: $work/tolvane_points.png (the view), $work/tolvane_pdf.png, $work/map2img_pdf.png"
