#!/usr/bin/env bash
# Round trips per second of 64-byte messages through the message library (wexo-peer bench
# against wexo-peer echo), beside a bare AF_UNIX echo of the same size (bench/unix_echo, the
# physical limit) and, when the session bus tools are installed, the same echo over D-Bus with
# QtDBus (bench/dbus_echo) and a loop of dbus-send calls. dbus-daemon and dbus-bin are needed by
# this script only, never by the program.
#   bench/iac_roundtrip.sh [BUILD_DIR] [COUNT]   (default: build/bench-release, 20000)
#   TOLVANE_BIN=build/release/src/tolvane bench/iac_roundtrip.sh   (adds the program's answer rate)
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$top/build/bench-release}"
count="${2:-20000}"
size=64
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_GUI=OFF \
    -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=ON >/dev/null
fi
if ! cmake --build "$build" --target WEXO_32 wexo-peer unix_echo -j 1 \
  >"$build/iac-bench-build.log" 2>&1; then
  cat "$build/iac-bench-build.log" >&2
  exit 1
fi
dbus=yes
if ! command -v dbus-run-session >/dev/null || ! command -v dbus-send >/dev/null; then
  echo "dbus-run-session or dbus-send is missing: apt-get install dbus-daemon dbus-bin" \
    "(for this benchmark only); the D-Bus rows are left out" >&2
  dbus=no
elif ! cmake --build "$build" --target dbus_echo -j 1 >>"$build/iac-bench-build.log" 2>&1; then
  echo "bench/dbus_echo was not built (QtDBus missing?); the D-Bus rows are left out" >&2
  dbus=no
fi
peer="$build/src/wexo-peer"

work="$(mktemp -d /tmp/tolvane-iac-roundtrip.XXXXXX)"
echo_pid=""
cleanup() {
  [ -n "$echo_pid" ] && kill "$echo_pid" 2>/dev/null && wait "$echo_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export WEXO_RUNTIME_DIR="$work/runtime"

rate() { sed -n 's/.*"round_trips_per_second":\([0-9.]*\).*/\1/p'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

"$peer" --sign ECHO echo >/dev/null &
echo_pid=$!
for _ in $(seq 100); do
  "$peer" running ECHO >/dev/null 2>&1 && break
  sleep 0.05
done
wexo=$("$peer" --sign BNCH bench ECHO --count "$count" --size "$size" | rate)
kill "$echo_pid"
wait "$echo_pid" || true
echo_pid=""
plain=$("$build/bench/unix_echo" --count "$count" --size "$size" | rate)

qtdbus="-"
dbus_send="-"
if [ "$dbus" = yes ]; then
  sends=200
  # One private session bus for both D-Bus measurements.
  read -r qtdbus dbus_send < <(dbus-run-session -- bash -c '
    set -u
    echo_bin="$1"; count="$2"; size="$3"; sends="$4"
    qt="-"
    if [ -x "$echo_bin" ]; then
      "$echo_bin" serve & server=$!
      for _ in $(seq 100); do
        dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
          org.freedesktop.DBus.NameHasOwner string:local.tolvane.BenchEcho 2>/dev/null |
          grep -q "boolean true" && break
        sleep 0.05
      done
      qt=$("$echo_bin" bench --count "$count" --size "$size" |
        sed -n "s/.*\"round_trips_per_second\":\([0-9.]*\).*/\1/p")
      payload=$(head -c "$size" /dev/zero | tr "\0" x)
      start=$(date +%s.%N)
      for _ in $(seq "$sends"); do
        dbus-send --session --print-reply --dest=local.tolvane.BenchEcho /echo \
          local.tolvane.BenchEcho.Echo "string:$payload" >/dev/null
      done
      end=$(date +%s.%N)
      kill "$server"
      echo "$qt $(awk -v n="$sends" -v a="$start" -v b="$end" "BEGIN { printf \"%.0f\", n / (b - a) }")"
    else
      echo "- -"
    fi
  ' bash "$build/bench/dbus_echo" "$count" "$size" "$sends")
fi

# With TOLVANE_BIN naming a built tolvane, also the program itself: VER? queries one after another,
# each a wexo-peer run (its start included). The program dispatches on its 250 ms timer, so this
# measures the answer time a sibling program sees, not the library.
tolvane="-"
if [ -n "${TOLVANE_BIN:-}" ] && [ -x "$TOLVANE_BIN" ]; then
  queries=20
  program="$work/program"
  mkdir -p "$program/TolvaneMaps/BasemapFiles/Settings" "$work/xdg-data" "$work/config"
  printf 'MAP\nEND\n' >"$program/TolvaneMaps/BasemapFiles/Settings/global.map"
  cp -r "$top/data/fonts" "$program/fonts"
  cp "$build/src/libWEXO_32.so" "$program/"
  QT_QPA_PLATFORM=offscreen TOLVANE_PROGRAM_FOLDER="$program" TOLVANE_UNATTENDED=1 \
    TOLVANE_INSTANCE="tolvane-bench-$$" XDG_DATA_HOME="$work/xdg-data" \
    XDG_CONFIG_HOME="$work/config" "$TOLVANE_BIN" >/dev/null 2>&1 &
  echo_pid=$!
  for _ in $(seq 200); do
    "$peer" running TLV1 >/dev/null 2>&1 && break
    sleep 0.05
  done
  start=$(date +%s.%N)
  for i in $(seq "$queries"); do
    "$peer" --sign BNCH --xtra "q$i" send TLV1 'VER?' --expect 'VER!' >/dev/null
  done
  end=$(date +%s.%N)
  tolvane=$(awk -v n="$queries" -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", n / (b - a) }')
  kill "$echo_pid"
  wait "$echo_pid" || true
  echo_pid=""
fi

# The program's own handling of the connection messages (bench/friends_bench): "HOLA" answered
# "OKHI" with its ".VWR" file written, a 100-item "MENU", and "VER?" beside them.
handling=""
if cmake --build "$build" --target friends_bench -j 1 >>"$build/iac-bench-build.log" 2>&1; then
  handling=$("$build/bench/friends_bench" --benchmark_min_time=0.2 2>/dev/null |
    awk '/^BM_/ { printf "  %-40s %10s %s\n", $1, $2, $3 }')
fi

echo "64-byte round trips per second ($count each; dbus-send: 200 calls)"
printf "  plain AF_UNIX echo (unix_echo)          %10s\n" "$plain"
printf "  libWEXO_32 (wexo-peer bench / echo)     %10s\n" "$wexo"
printf "  QtDBus echo under dbus-run-session      %10s\n" "$qtdbus"
printf "  dbus-send loop                          %10s\n" "$dbus_send"
[ "$tolvane" != "-" ] && printf "  tolvane VER? answers (wexo-peer runs)   %10s\n" "$tolvane"
printf "libWEXO_32 / QtDBus: %s (goal 2)   libWEXO_32 / plain echo: %s (goal 0.2)\n" \
  "$(ratio "$wexo" "$qtdbus")" "$(ratio "$wexo" "$plain")"
if [ -n "$handling" ]; then
  echo "handling one message in the program (goal under 2 ms each)"
  echo "$handling"
fi
