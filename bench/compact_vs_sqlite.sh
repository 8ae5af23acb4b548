#!/usr/bin/env bash
# Compacts an overlay file of 1,000,000 points of which every second is deleted with tolvane-cli
# (every file and the folder synced, as compaction always does), beside sqlite3 running VACUUM on
# a table of the same records with the same rows deleted, and beside cp of the .OBJ and .SUM
# followed by sync (the floor: the bytes have to be written once). Prints sizes and wall times
# and the ratio to VACUUM (the goal is at most 1.5). sqlite3 is needed by this script only.
#   bench/compact_vs_sqlite.sh [BUILD_DIR]   (default: build/bench-release, configured here)
# COMPACT_BENCH_CLI=PATH uses a tolvane-cli that is built already; COMPACT_BENCH_POINTS changes
# the number of points.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$top/build/bench-release}"
if ! command -v sqlite3 >/dev/null; then
  echo "sqlite3 is missing (apt-get install sqlite3)" >&2
  exit 1
fi
cli="${COMPACT_BENCH_CLI:-}"
if [ -z "$cli" ]; then
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_GUI=OFF \
      -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=ON >/dev/null
  fi
  if ! cmake --build "$build" --target tolvane-cli >"$build/compact-bench-build.log" 2>&1; then
    cat "$build/compact-bench-build.log" >&2
    exit 1
  fi
  cli="$build/src/tolvane-cli"
fi

work="$(mktemp -d /tmp/tolvane-compact-vs-sqlite.XXXXXX)"
[ -n "${COMPACT_BENCH_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
points=${COMPACT_BENCH_POINTS:-1000000}
maps="$work/TolvaneMaps"
cp -r "$top/data/TolvaneMaps" "$maps"

# The points as an interchange file, imported into one overlay file.
awk -v n="$points" -v mie="$work/points.mie" 'BEGIN {
  srand(7);
  for (i = 0; i < n; i++) {
    printf "%.6f\t%.6f\tSite %d\tPOINTS\tBench\t54\tRED\r\n", -79 + 2 * rand(), 38 + 2 * rand(), i > mie;
  }
}'
"$cli" --maps "$maps" import "$work/points.mie" >/dev/null
folder="$(dirname "$(find "$maps/OverlayMaps" -name '*.SUM' -size +1M | head -1)")"
base="$(basename "$(find "$folder" -name '*.SUM' -size +1M | head -1)" .SUM)"

# Every second object deleted, as the Delete command marks it: the summary position complemented.
# The .LYR count follows, as the deletion keeps it.
python3 - "$folder/$base.SUM" "$folder/$base.LYR" <<'PY'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, 'rb').read())
for at in range(0, len(data), 64):
    (position,) = struct.unpack_from('>i', data, at)
    struct.pack_into('>i', data, at, ~position)
open(path, 'wb').write(data)
header = bytearray(open(sys.argv[2], 'rb').read())
struct.pack_into('>i', header, 48, len(data) // 32 - (len(data) // 32 + 1) // 2)
open(sys.argv[2], 'wb').write(header)
PY
objBefore=$(stat -c %s "$folder/$base.OBJ")
sumBefore=$(stat -c %s "$folder/$base.SUM")

# The same records in SQLite: one row per object with its bytes, every second row deleted.
python3 - "$folder/$base.OBJ" "$folder/$base.SUM" "$work/bench.db" <<'PY'
import sqlite3, struct, sys
obj = open(sys.argv[1], 'rb').read()
summary = open(sys.argv[2], 'rb').read()
db = sqlite3.connect(sys.argv[3])
db.execute('PRAGMA journal_mode=DELETE')
db.execute('PRAGMA synchronous=FULL')
db.execute('CREATE TABLE objects (id INTEGER PRIMARY KEY, x1, y1, x2, y2, idhigh, idlow, name, record BLOB)')
rows = []
for i, at in enumerate(range(0, len(summary), 32)):
    position, x1, y1, x2, y2, high, low = struct.unpack_from('>7i', summary, at)
    real = position if position >= 0 else ~position
    (length,) = struct.unpack_from('>i', obj, real)
    rows.append((i, x1, y1, x2, y2, high, low, summary[at + 28:at + 32], obj[real:real + 4 + length]))
db.executemany('INSERT INTO objects VALUES (?,?,?,?,?,?,?,?,?)', rows)
db.commit()
db.execute('DELETE FROM objects WHERE id % 2 = 0')
db.commit()
db.close()
PY
dbBefore=$(stat -c %s "$work/bench.db")

now() { date +%s.%N; }
sync
t0=$(now)
cp "$folder/$base.OBJ" "$work/copy.OBJ"
cp "$folder/$base.SUM" "$work/copy.SUM"
sync
t1=$(now)
sqlite3 "$work/bench.db" 'PRAGMA synchronous=FULL; VACUUM;'
t2=$(now)
line="$("$cli" --maps "$maps" compact --map Bench)"
t3=$(now)
dbAfter=$(stat -c %s "$work/bench.db")
objAfter=$(stat -c %s "$folder/$base.OBJ")
sumAfter=$(stat -c %s "$folder/$base.SUM")
"$cli" --maps "$maps" verify Bench >/dev/null 2>&1 || echo "verify found problems after compact" >&2

awk -v cp="$(echo "$t1 - $t0" | bc)" -v vac="$(echo "$t2 - $t1" | bc)" \
    -v cmp="$(echo "$t3 - $t2" | bc)" -v ob="$objBefore" -v oa="$objAfter" -v sb="$sumBefore" \
    -v sa="$sumAfter" -v db="$dbBefore" -v da="$dbAfter" -v n="$points" 'BEGIN {
  printf "points %d, every second deleted\n", n;
  printf "tolvane-cli compact: .OBJ %.1f -> %.1f MB, .SUM %.1f -> %.1f MB, %.2f s (with the program start)\n", ob / 1e6, oa / 1e6, sb / 1e6, sa / 1e6, cmp;
  printf "sqlite3 VACUUM:      %.1f -> %.1f MB, %.2f s\n", db / 1e6, da / 1e6, vac;
  printf "cp + sync:           %.2f s\n", cp;
  printf "compact / VACUUM:    %.2f (goal <= 1.5)\n", cmp / vac;
}'
echo "$line"
