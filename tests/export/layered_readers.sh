#!/usr/bin/env bash
# The layered files and sheets of the demo characters read back by readers that are not ours:
# Python (the zip, the PNGs through Pillow, the Aseprite file by its published layout, the
# sheet's JSON) for all 152, and Krita, which opens a few .ora files under Xvfb and saves them as
# its own.
# Usage: layered_readers.sh VELMORA-CLI MKDEMO WORKDIR
set -euo pipefail

cli=$1 mkdemo=$2 work=$3
check=$(dirname "$0")/layered_check.py
rm -rf "$work"
mkdir -p "$work"
"$mkdemo" "$work/demo" >/dev/null
archive=$work/demo/NCDAT.ALL
export_as() { "$cli" export "$archive" --quiet --out "$work/$1" "${@:2}"; }
export_as elements --elements
export_as elements2 --elements --scale 2
export_as ora --format ora
export_as aseprite --format aseprite
export_as sheet --format sheet --scale 2
/usr/bin/python3 "$check" "$work/elements" "$work/ora" "$work/aseprite" "$work/sheet" \
  "$work/elements2" 2

# Characters with alternatives and hidden layers. Krita keeps its settings under HOME.
mkdir -p "$work/krita" "$work/home"
for ora in "$work"/ora/00[05]-*.ora "$work"/ora/144-*.ora; do
  HOME=$work/home XDG_CONFIG_HOME=$work/home XDG_DATA_HOME=$work/home \
    "$(dirname "$0")/../../scripts/with-xvfb" --log "$work/xvfb.log" \
    krita --nosplash --export --export-filename "$work/krita/$(basename "$ora")" "$ora" \
    >>"$work/krita.log" 2>&1 || { tail -n 20 "$work/krita.log"; exit 1; }
done
/usr/bin/python3 "$check" krita "$work/elements" "$work/krita"
