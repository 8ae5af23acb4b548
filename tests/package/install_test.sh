#!/usr/bin/env bash
# Installs a built TOLVANE package into a fresh root and uses it as a new user would: the checks
# of the menu entry, AppStream data and man pages, tolvane-cli on a copy of the demo maps folder
# from /usr/bin, and two starts of the program off screen through the launcher — the first makes
# the per-user program folder with its fonts and basemap package, the second reuses it and leaves
# the user's maps alone. Exits non-zero at the first failed check.
#   tests/package/install_test.sh PACKAGE.deb
set -euo pipefail
deb="$(realpath "$1")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
root="$work/root"
mkdir -p "$root"
dpkg-deb -x "$deb" "$root"
fail() { echo "install_test: $*" >&2; exit 1; }

for file in usr/bin/tolvane usr/bin/tolvane-cli usr/lib/tolvane/tolvane usr/lib/tolvane/tolvane-cli \
            usr/lib/tolvane/libWEXO_32.so usr/lib/tolvane/basemaptools/bin/tolvane-convert \
            usr/lib/tolvane/compass.png \
            usr/share/tolvane/TolvaneMaps/Settings usr/share/applications/tolvane.desktop \
            usr/share/icons/hicolor/scalable/apps/tolvane.svg usr/share/doc/tolvane/copyright; do
  [ -e "$root/$file" ] || fail "missing /$file"
done
ls "$root"/usr/lib/tolvane/fonts/*.ttf >/dev/null || fail "no symbol fonts"
desktop-file-validate "$root/usr/share/applications/tolvane.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.tolvane.Tolvane.metainfo.xml" \
  >/dev/null || fail "AppStream data"
for page in tolvane tolvane-cli tolvane-convert wexo-peer runtool; do
  [ -f "$root/usr/share/man/man1/$page.1.gz" ] || fail "no man page for $page"
  if command -v man >/dev/null; then
    MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>/dev/null | grep -q . ||
      fail "man page of $page does not render"
  fi
done

export TOLVANE_LIBDIR="$root/usr/lib/tolvane" TOLVANE_SHAREDIR="$root/usr/share/tolvane"
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen TOLVANE_UNATTENDED=1
export TOLVANE_INSTANCE="tolvane-package-test-$$" ASAN_OPTIONS=detect_leaks=0
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
user="$XDG_DATA_HOME/tolvane"

# tolvane-cli from /usr/bin on the user's maps folder (made on first use, with the demo county)
# and on a maps folder named outright.
"$root/usr/bin/tolvane-cli" maps 2>/dev/null | grep -q '"name":"Cassel County"' ||
  fail "tolvane-cli does not see the demo county"
cp -r "$user/TolvaneMaps" "$work/copy"
"$root/usr/bin/tolvane-cli" --maps "$work/copy" search --any 2>/dev/null | tail -1 |
  grep -q '"count":296' || fail "tolvane-cli --maps on a copy"

start() {
  printf 'wait 300\nquit\n' > "$work/script"
  TOLVANE_EVENT_LOG="$work/events$1.log" TOLVANE_INPUT_SCRIPT="$work/script" \
    TOLVANE_MAP_SNAPSHOT="$work/map$1.png" timeout 120 "$root/usr/bin/tolvane" \
    > "$work/out$1.txt" 2>&1 || fail "start $1 failed: $(cat "$work/out$1.txt")"
  grep -q '^ready' "$work/events$1.log" || fail "start $1 never became ready"
  ! grep '^alert' "$work/events$1.log" || fail "start $1 raised an alert"
}
start 1
for link in tolvane fonts basemaptools libWEXO_32.so; do
  [ -L "$user/$link" ] || fail "the per-user folder has no $link"
done
[ -f "$work/map1.png" ] || fail "the map was not drawn"
# The user's data stays as it is on the second start.
echo "mine" > "$user/TolvaneMaps/notes.txt"
layers="$(md5sum < "$user/TolvaneMaps/Settings/LAYERS2.PLT")"
start 2
[ "$(cat "$user/TolvaneMaps/notes.txt")" = "mine" ] || fail "the second start touched the maps"
[ "$(md5sum < "$user/TolvaneMaps/Settings/LAYERS2.PLT")" = "$layers" ] ||
  fail "the second start rewrote the overlay list"
echo "install_test: passed"
