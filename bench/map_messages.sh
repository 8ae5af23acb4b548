#!/usr/bin/env bash
# "MAP " of 200 map folders owned by a sibling program, then "RMAP" of them, sent with wexo-peer
# to the running program (off screen, on a copy of the default maps folder). The program times
# both itself: with TIMEMAPMESSAGES in MPCONFIG.TXT each message ends with the note
# "MPConfig Diagnostic: ... message took N seconds", read here from its event log. Goal: each
# under 1 s. No outside tool adds and removes map folders, so there is nothing to compare with.
#   bench/map_messages.sh [BUILD_DIR] [COUNT]   (default: build/release, 200)
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$top/build/release}"
count="${2:-200}"
if ! cmake --build "$build" --target tolvane WEXO_32 wexo-peer -j 1 \
  >"$build/map-messages-build.log" 2>&1; then
  cat "$build/map-messages-build.log" >&2
  exit 1
fi
peer="$build/src/wexo-peer"
tolvane="$build/src/tolvane"

work="$(mktemp -d /tmp/tolvane-map-messages.XXXXXX)"
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export WEXO_RUNTIME_DIR="$work/runtime"
mkdir -p "$work/runtime" && chmod 700 "$work/runtime"

program="$work/program"
mkdir -p "$program" "$work/xdg-data" "$work/config"
cp -r "$top/data/TolvaneMaps" "$program/TolvaneMaps"
cp -r "$top/data/fonts" "$program/fonts"
cp "$build/src/libWEXO_32.so" "$program/"
printf 'TIMEMAPMESSAGES YES\r\n' >>"$program/TolvaneMaps/Settings/MPCONFIG.TXT"

# The sibling's map folders, each with its NAME.MAP (56 bytes) and one empty overlay file set.
paths="$work/paths.txt"
: >"$paths"
for i in $(seq "$count"); do
  folder="$work/sibling/Map$i"
  mkdir -p "$folder"
  python3 - "$folder/NAME.MAP" "Sibling map $i" <<'PY'
import sys
name = sys.argv[2].encode()
data = name + b"\0" * (42 - len(name)) + b"\0" * 4 + b"00000\0" + b"\0" * 4
open(sys.argv[1], "wb").write(data)
PY
  printf '%s/\r' "$folder" >>"$paths"
done

log="$work/events.log"
QT_QPA_PLATFORM=offscreen TOLVANE_PROGRAM_FOLDER="$program" TOLVANE_UNATTENDED=1 \
  TOLVANE_EVENT_LOG="$log" TOLVANE_INSTANCE="tolvane-mapbench-$$" HOME="$work" \
  XDG_DATA_HOME="$work/xdg-data" XDG_CONFIG_HOME="$work/config" "$tolvane" >/dev/null 2>&1 &
program_pid=$!
for _ in $(seq 600); do
  grep -q ready "$log" 2>/dev/null && break
  sleep 0.1
done

# Waits for the program's note of the code and prints its seconds.
took() {
  local code="$1"
  for _ in $(seq 600); do
    local seconds
    seconds=$(sed -n "s/.*MPConfig Diagnostic: $code message took \([0-9.]*\) seconds.*/\1/p" \
      "$log" | tail -n 1)
    if [ -n "$seconds" ]; then
      echo "$seconds"
      return
    fi
    sleep 0.1
  done
  echo "-"
}

"$peer" --sign DVFM --psig DVFM send TLV1 'MAP ' PSIG=DVFM "PATH=@$paths" \
  OPTN=DELETEALERT >/dev/null
added=$(took MAP)
"$peer" --sign DVFM --psig DVFM send TLV1 RMAP PSIG=DVFM "PATH=@$paths" >/dev/null
removed=$(took RMAP)

echo "map folders owned by a sibling program: $count (load: $(cut -d' ' -f1-3 /proc/loadavg))"
printf '  "MAP " adding them   %8s s (goal under 1 s)\n' "$added"
printf '  "RMAP" removing them %8s s (goal under 1 s)\n' "$removed"
