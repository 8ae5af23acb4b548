#!/bin/sh
# The union of two seeded star-shaped polygons of 100,000 vertices each (thousands of crossings),
# made by tolvane-cli and by GEOS (through python3-shapely, needed only here: apt-get install
# python3-shapely). Prints both times, their ratio and both areas; the goal is at most twice
# GEOS's time, with the even-odd area of our rings within 1e-6 (relative) of GEOS's area.
#
#   bench/polygon_union_compare.sh [BUILD_DIR] [VERTICES]
#
# BUILD_DIR holds src/tolvane and src/tolvane-cli (default build/release). The program is
# started once off screen to make the User's Map of a scratch maps folder.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build/release"}
vertices=${2:-100000}
python=/usr/bin/python3
cli="$build/src/tolvane-cli"
program="$build/src/tolvane"

"$python" -c 'import shapely' 2>/dev/null || {
  echo "polygon_union_compare: python3-shapely is missing (apt-get install python3-shapely)" >&2
  exit 2
}
[ -x "$cli" ] && [ -x "$program" ] || {
  echo "polygon_union_compare: build tolvane and tolvane-cli in $build first" >&2
  exit 2
}

work=$(mktemp -d)
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root"
cp -r "$here/data/TolvaneMaps" "$work/root/TolvaneMaps"
maps="$work/root/TolvaneMaps"
echo quit >"$work/quit.txt"
QT_QPA_PLATFORM=offscreen TOLVANE_PROGRAM_FOLDER="$work/root" TOLVANE_UNATTENDED=1 \
  TOLVANE_INSTANCE="polygon-bench-$$" TOLVANE_INPUT_SCRIPT="$work/quit.txt" \
  "$program" >"$work/program.log" 2>&1 || true

# Two stars around nearby centres: radii waving 2,000 times around with a little noise at every
# vertex, so the outlines cross a few thousand times.
"$python" - "$vertices" "$work/stars.txt" <<'EOF'
import math, random, sys
n = int(sys.argv[1])
rng = random.Random(20261209)
with open(sys.argv[2], "w") as out:
    for index, (cx, cy) in enumerate([(-77.0, 38.9), (-77.001, 38.9005)], start=1):
        phase = rng.random() * 2 * math.pi
        out.write("%d, 1\n" % index)
        for k in range(n):
            a = 2 * math.pi * k / n
            r = 5.0 * (1 + 0.0005 * math.sin(2000 * a + phase) + 0.00001 * (rng.random() - 0.5))
            out.write("%.6f %.6f\n" % (cx + r * math.cos(a), cy + r * math.sin(a)))
        out.write("END\n")
    out.write("END\n")
EOF
"$cli" --maps "$maps" import "$work/stars.txt" >"$work/import.log" 2>&1
positions=$("$cli" --maps "$maps" objects "User's map" "IMPORTED OBJECTS" 2>/dev/null |
  sed -n 's/^{"position":\([0-9]*\),.*/\1/p' | tr '\n' ' ')

start=$(date +%s.%N)
# shellcheck disable=SC2086
"$cli" --maps "$maps" polygon union "User's map" "IMPORTED OBJECTS" $positions \
  >"$work/union.json" 2>"$work/union.log"
end=$(date +%s.%N)
ours=$(echo "$end - $start" | bc -l)

"$python" - "$work/stars.txt" "$work/union.json" "$ours" <<'EOF'
import json, sys, time
import numpy
from shapely.geometry import MultiLineString, Polygon
from shapely.ops import polygonize, unary_union

stars, ring = [], []
for line in open(sys.argv[1]):
    line = line.strip()
    if line == "END":
        if ring:
            stars.append(ring)
        ring = []
    elif "," not in line:
        lon, lat = map(float, line.split())
        # World units as stored: millionths of a degree.
        ring.append((round((lon + 180) * 1e6), round((lat + 90) * 1e6)))

a, b = Polygon(stars[0]).buffer(0), Polygon(stars[1]).buffer(0)
start = time.perf_counter()
geos = unary_union([a, b])
geos_time = time.perf_counter() - start

# Our rings, area by even-odd: the faces our segments enclose, each counted when a point inside
# it crosses an odd number of our segments going toward +x (the rule the program fills by).
points = json.load(open(sys.argv[2]))["points"]
segments, rings, previous = [], 0, None
open_chains, chain_start = 0, None
for x, y, new_piece in points:
    if new_piece:
        rings += 1
        if previous is not None and previous != chain_start:
            open_chains += 1
        chain_start = (x, y)
    elif previous is not None:
        segments.append((previous[0], previous[1], x, y))
    previous = (x, y)
if previous != chain_start:
    open_chains += 1
s = numpy.array(segments, dtype=float)
faces = list(polygonize(unary_union(MultiLineString([((a, b), (c, d)) for a, b, c, d in segments]))))
def odd(px, py):
    ax, ay, bx, by = s[:, 0], s[:, 1], s[:, 2], s[:, 3]
    straddle = (ay > py) != (by > py)
    x = ax + (py - ay) * (bx - ax) / numpy.where(by == ay, 1, by - ay)
    return int(numpy.count_nonzero(straddle & (x > px))) % 2 == 1
# A piece the rounding left open keeps the faces around it from closing; their area is then
# not comparable, and the open pieces are counted above.
ours_area = sum(f.area for f in faces if odd(*f.representative_point().coords[0]))
ours_time = float(sys.argv[3])
print("vertices      %d + %d" % (len(stars[0]), len(stars[1])))
print("result        %d points in %d pieces (%d left open)" % (len(points), rings, open_chains))
print("tolvane-cli   %.3f s (start-up, reading, union, output)" % ours_time)
print("GEOS          %.3f s (union only)" % geos_time)
print("ratio         %.2f" % (ours_time / geos_time))
print("area ours     %.1f square world units" % ours_area)
print("area GEOS     %.1f square world units" % geos.area)
print("relative diff %.3g" % (abs(ours_area - geos.area) / geos.area))
EOF
