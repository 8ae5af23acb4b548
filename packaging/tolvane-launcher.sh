#!/bin/sh
# Starts an installed TOLVANE (or, as tolvane-cli, its command-line tool) from the user's own
# program folder. The program looks for its maps folder inside or beside its program folder, so
# each user gets one under the data folder ($XDG_DATA_HOME/tolvane, else ~/.local/share/tolvane):
# links to the installed programs, fonts and basemap package, which follow upgrades, and a
# first copy of the shipped maps folder, which is the user's data and never overwritten.
set -eu
libdir="${TOLVANE_LIBDIR:-/usr/lib/tolvane}"
sharedir="${TOLVANE_SHAREDIR:-/usr/share/tolvane}"
userdir="${XDG_DATA_HOME:-$HOME/.local/share}/tolvane"

mkdir -p "$userdir"
for item in "$libdir"/*; do
  name="$(basename "$item")"
  # Links only: anything else of that name is the user's and stays.
  if [ -L "$userdir/$name" ] || [ ! -e "$userdir/$name" ]; then
    ln -sfn "$item" "$userdir/$name"
  fi
done
if [ ! -e "$userdir/TolvaneMaps" ]; then
  cp -r "$sharedir/TolvaneMaps" "$userdir/TolvaneMaps.new"
  if [ -f "$sharedir/demo/Cassel_County.mie" ]; then
    # A first start shows a real map: the demo county goes into the new maps folder only.
    "$libdir/tolvane-cli" --maps "$userdir/TolvaneMaps.new" import \
      "$sharedir/demo/Cassel_County.mie" >/dev/null 2>&1 || true
  fi
  mv "$userdir/TolvaneMaps.new" "$userdir/TolvaneMaps"
fi

case "$(basename "$0")" in
  tolvane-cli)
    # A maps folder given before the command word is the caller's choice.
    if [ "${1:-}" = "--maps" ]; then
      exec "$libdir/tolvane-cli" "$@"
    fi
    exec "$libdir/tolvane-cli" --maps "$userdir/TolvaneMaps" "$@"
    ;;
  *)
    TOLVANE_PROGRAM_FOLDER="$userdir" exec "$libdir/tolvane" "$@"
    ;;
esac
