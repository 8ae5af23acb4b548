#!/usr/bin/env bash
# "SHOW" of 10,000 IDs among 1,000,000 points of one overlay (handled by tolvane-cli messages, the
# program's own handler without a window), beside sqlite3 selecting the same rows from an indexed
# table of the same records with "WHERE id IN (...)". Prints both wall times, what the show found
# and the ratio (the goal is at most 1: not slower). sqlite3 is needed by this script only.
#   bench/show_vs_sqlite.sh [BUILD_DIR]   (default: build/bench-release, configured here)
# SHOW_BENCH_CLI=PATH uses a tolvane-cli that is built already; SHOW_BENCH_POINTS and
# SHOW_BENCH_IDS change the sizes.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$top/build/bench-release}"
if ! command -v sqlite3 >/dev/null; then
  echo "sqlite3 is missing (apt-get install sqlite3)" >&2
  exit 1
fi
cli="${SHOW_BENCH_CLI:-}"
if [ -z "$cli" ]; then
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_GUI=OFF \
      -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=ON >/dev/null
  fi
  if ! cmake --build "$build" --target tolvane-cli >"$build/show-bench-build.log" 2>&1; then
    cat "$build/show-bench-build.log" >&2
    exit 1
  fi
  cli="$build/src/tolvane-cli"
fi

work="$(mktemp -d /tmp/tolvane-show-vs-sqlite.XXXXXX)"
[ -n "${SHOW_BENCH_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
points=${SHOW_BENCH_POINTS:-1000000}
wanted=${SHOW_BENCH_IDS:-10000}
maps="$work/TolvaneMaps"
cp -r "$top/data/TolvaneMaps" "$maps"

# The points as an interchange file with IDs 1 to N, imported into one overlay file.
awk -v n="$points" -v mie="$work/points.mie" 'BEGIN {
  srand(7);
  for (i = 1; i <= n; i++) {
    printf "\"\" \"\" \"\" \"11/15/2026\" 2 \"\" \"Site %d\" 0 \"POINTS\" \"Bench\" POINT \"%016X\" 0 \"\" 0 ONLY 0\r\n", i, i > mie;
    printf "RED 1 54 %.6f %.6f\r\n", -79 + 2 * rand(), 38 + 2 * rand() > mie;
  }
}'
"$cli" --maps "$maps" import "$work/points.mie" >/dev/null

# Every (N / wanted)-th ID, as one list of the overlay on the map, in random order, and the same
# IDs for SQLite.
python3 - "$points" "$wanted" "$work" <<'PY'
import json, random, sys
points, wanted, work = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
step = max(1, points // wanted)
ids = list(range(1, points + 1, step))[:wanted]
random.Random(7).shuffle(ids)
lst2 = ''.join('%016X\tPOINTS\tBench\r' % i for i in ids)
envelope = {'mssg': 'SHOW', 'sign': 'PEER', 'psig': 'PEER', 'xtra': '',
            'params': [['LST2', lst2], ['OPTN', 'SAMEVIEW NOSELECT']]}
open(work + '/show.jsonl', 'w').write(json.dumps(envelope) + '\n')
open(work + '/select.sql', 'w').write(
    'SELECT count(*) FROM objects WHERE id IN (' + ','.join(str(i) for i in ids) + ');\n')
PY

# The same rows in SQLite: the ID as the primary key, the rectangle and the name.
sqlite3 "$work/bench.db" 'CREATE TABLE objects (id INTEGER PRIMARY KEY, x REAL, y REAL, name TEXT);'
awk -v n="$points" 'BEGIN { srand(7); for (i = 1; i <= n; i++) printf "%d,%.6f,%.6f,Site %d\n", i, -79 + 2 * rand(), 38 + 2 * rand(), i }' \
  > "$work/rows.csv"
sqlite3 "$work/bench.db" <<SQL
.mode csv
.import $work/rows.csv objects
SQL

now() { date +%s.%N; }
# The median of several runs of each, so one disturbed run on a busy machine does not decide.
runs=${SHOW_BENCH_RUNS:-7}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for _ in $(seq "$runs"); do
  start=$(now)
  shown=$("$cli" --maps "$maps" messages "$work/show.jsonl" | tail -1)
  echo "$(now) - $start" | bc
done | median > "$work/show.time"
for _ in $(seq "$runs"); do
  start=$(now)
  selected=$(sqlite3 "$work/bench.db" < "$work/select.sql")
  echo "$(now) - $start" | bc
done | median > "$work/sql.time"
shown=$("$cli" --maps "$maps" messages "$work/show.jsonl" | tail -1)
selected=$(sqlite3 "$work/bench.db" < "$work/select.sql")
showTime=$(cat "$work/show.time")
sqlTime=$(cat "$work/sql.time")
echo "points $points, ids $wanted"
echo "tolvane-cli messages SHOW: ${showTime}s (median of $runs)  $shown"
echo "sqlite3 SELECT ... IN:     ${sqlTime}s (median of $runs)  rows $selected"
echo "ratio $(echo "scale=2; $showTime / $sqlTime" | bc) (goal: at most 1)"
