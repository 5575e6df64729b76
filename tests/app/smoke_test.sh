#!/usr/bin/env bash
# The viewer on a real X display (Xvfb), driven by keys as a person would drive it: open the
# three layers through the shortcuts and the dialogs' default names, step, zoom, check the
# caption and the pixels of a screenshot, and quit; then start it with the three archives as
# arguments, zoom to 3x, check again, and find the zoom restored at the next start.
# Usage: smoke_test.sh VELMORA MKDEMO WORKDIR. Exits 77 (skipped) without Xvfb or xdotool.
set -euo pipefail

viewer=$1 mkdemo=$2 work=$3

if [ -z "${VLM_SMOKE_DISPLAY:-}" ]; then
  for tool in Xvfb xdotool import convert; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "smoke test skipped: $tool is not installed"
      exit 77
    fi
  done
  rm -rf "$work"
  mkdir -p "$work"
  "$mkdemo" "$work/demo" >/dev/null
  exec env VLM_SMOKE_DISPLAY=1 "$(dirname "$0")/../../scripts/with-xvfb" --log "$work/xvfb.log" \
    "$0" "$@"
fi

fail() {
  echo "FAIL: $*"
  # What the viewer said, for a failure seen only in a log.
  grep -v XDG_RUNTIME_DIR "$work/viewer.log" 2>/dev/null | tail -n 20 || true
  import -window root "$work/failure.png" 2>/dev/null || true
  exit 1
}

# Waits up to 10 s for a command to succeed.
wait_for() {
  for _ in $(seq 100); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

cd "$work/demo"
# The viewer keeps its settings here, not in the user's folder.
export XDG_CONFIG_HOME=$work/config
rm -rf "$XDG_CONFIG_HOME"

start_viewer() {
  QT_QPA_PLATFORM=xcb "$viewer" "$@" >>"$work/viewer.log" 2>&1 &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true' EXIT
  wait_for xdotool search --onlyvisible --name '^Velmora Viewer' || fail "the main window did not appear"
  win=$(xdotool search --onlyvisible --name '^Velmora Viewer' | head -1)
}
start_viewer

title_is() { [ "$(xdotool getwindowname "$win")" = "$1" ]; }
expect_title() {
  wait_for title_is "$1" || fail "caption '$(xdotool getwindowname "$win")', expected '$1'"
}
focus_main() { xdotool windowfocus --sync "$win"; }
# Another window than the main window has the keyboard: the open dialog.
dialog_has_focus() { [ "$(xdotool getwindowfocus)" != "$win" ]; }

expect_title "Velmora Viewer -/0 -/0 -/0"

open_with_enter() {
  focus_main
  xdotool key "ctrl+$1"
  wait_for dialog_has_focus || fail "no open dialog after ctrl+$1"
  sleep 0.3
  xdotool key Return
  wait_for title_is "$2" || fail "after ctrl+$1 and Enter: '$(xdotool getwindowname "$win")'"
}
# The wallpaper command leaves its caption to the next paint, which the closing dialog causes.
open_with_enter w "Velmora Viewer 0/22 -/0 -/0"
open_with_enter g "Velmora Viewer 0/22 0/500 -/0"
open_with_enter c "Velmora Viewer 0/22 0/500 0/152"
focus_main
xdotool key ctrl+n
expect_title "Velmora Viewer 0/22 0/500 1/152"

# The menu keys work while the tools window has the keyboard.
tools=$(xdotool search --name '^Velmora Tools' | head -1)
[ -n "$tools" ] || fail "no tools window"
xdotool windowfocus --sync "$tools"
xdotool key ctrl+n
expect_title "Velmora Viewer 0/22 0/500 2/152"

# Put the tools window away, so that it cannot stand over the picture.
focus_main
xdotool key ctrl+y
wait_for bash -c "! xdotool search --onlyvisible --name '^Velmora Tools$'" ||
  fail "ctrl+y did not hide the tools window"

geometry_is() { xdotool getwindowgeometry "$win" | grep -q "Geometry: $1x"; }

# Checks the picture at zoom step n in a screenshot: it stands between the menu bar and the
# status line, its pixels where the demo draws them, every one an n x n block.
check_picture() {
  local n=$1
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$win")"
  import -window root "$work/screen.png"
  # The picture's top row: the first, down the window's left column, in the wallpaper frame's
  # colour (the menu bar above it is grey).
  row=$(convert "$work/screen.png" -crop "1x200+$X+$Y" +repage -depth 8 txt:- |
    awk '/#E7E7F7/ && !found { found = NR } END { print found }')
  [ -n "$row" ] || fail "no picture under the menu bar"
  TOP=$((Y + row - 2))
  [ $((TOP + 224 * n)) -lt $((Y + HEIGHT)) ] || fail "no status line under the picture"

  # Colour of picture pixel (x, y), as 8-bit r,g,b; dx, dy pick a pixel of its n x n block.
  pixel() {
    local sx=$((X + n * $1 + ${3:-0})) sy=$((TOP + n * $2 + ${4:-0}))
    convert "$work/screen.png" -format "%[fx:int(255*p{$sx,$sy}.r+0.5)],%[fx:int(255*p{$sx,$sy}.g+0.5)],%[fx:int(255*p{$sx,$sy}.b+0.5)]" info:
  }
  expect_pixel() {
    local got
    got=$(pixel "$1" "$2")
    [ "$got" = "$3" ] || fail "picture pixel $1,$2 is $got, expected $3 ($4)"
  }
  expect_pixel 0 0 "231,231,247" "the wallpaper's frame"
  expect_pixel 150 180 "255,255,255" "the wallpaper's number"
  expect_pixel 282 20 "255,255,255" "the background's number"
  local last=$((n - 1))
  for y in 60 120 200; do
    for x in 10 100 200 300; do
      first=$(pixel "$x" "$y")
      for d in "$last 0" "0 $last" "$last $last" "1 1"; do
        # shellcheck disable=SC2086
        [ "$(pixel "$x" "$y" $d)" = "$first" ] || fail "picture pixel $x,$y is not a $n x $n block"
      done
    done
  done
}

# Exit ends the program although the tools window may still be open.
exit_viewer() {
  focus_main
  xdotool key ctrl+x
  wait_for bash -c "! kill -0 $pid" || fail "the viewer did not end on ctrl+x"
  trap - EXIT
}

# Double size: the picture is 640 x 448, between the menu bar and the status line.
focus_main
xdotool key ctrl+z
wait_for geometry_is 640 || fail "zoom did not widen the window"
check_picture 2
exit_viewer

# The three archives as arguments, each in its layer whatever the order; the zoom of the last
# session comes back, the tools window stays put away.
start_viewer NCDAT.ALL EYECATCH.ALL NBGFILE1.ALL
expect_title "Velmora Viewer 0/22 0/500 0/152"
wait_for geometry_is 640 || fail "the zoom of the last session did not come back"
xdotool search --onlyvisible --name '^Velmora Tools$' >/dev/null && fail "the tools window came back"
focus_main
xdotool key ctrl+plus
wait_for geometry_is 960 || fail "ctrl+plus did not zoom to 3x"
check_picture 3
# Plain keys step in the main window.
focus_main
xdotool key Right Next
expect_title "Velmora Viewer 1/22 0/500 1/152"
exit_viewer

# Archives are not reopened; the zoom is.
start_viewer
expect_title "Velmora Viewer -/0 -/0 -/0"
wait_for geometry_is 960 || fail "the zoom of 3x did not come back"
exit_viewer
echo "smoke test passed"
