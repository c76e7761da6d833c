#!/usr/bin/env bash
# Makes every picture of docs/guide.md and the README's picture: starts the
# emulator on a private X display, drives it with xdotool to each step that
# the guide describes, and saves the window as PNG under docs/. Run it again
# after a change to the window and the pictures follow; then look at them,
# since a moved control shows only there.
#
#   bash scripts/screenshots.sh [BUILD_DIR [SCENE...]]
#
# BUILD_DIR defaults to build; SCENEs (panel, entering, ...) make only
# those pictures.
#
# Installs Xvfb, xdotool and ImageMagick when they are missing (as root on
# Debian). The emulator runs on a copy of the data folder, so that its trace
# log and saved files stay out of the source tree. A scene that fails is
# named at the end and the script exits with status 1; the others are made.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out=$root/docs/guide
trainer=$build/scmp-trainer

for tool in Xvfb xdotool import convert; do
  if ! command -v "$tool" >/dev/null; then
    bash "$root/scripts/deps.sh" xvfb xdotool imagemagick
    break
  fi
done
[ -x "$trainer" ] || { echo "screenshots: $trainer not found; build first" >&2; exit 1; }
mkdir -p "$out"

# A fixed folder, because the file windows in the pictures show its path.
work=${TMPDIR:-/tmp}/scmp-guide
mkdir "$work" 2>/dev/null || { echo "screenshots: $work exists: another run is going on, or remove it" >&2; exit 1; }
cp -r "$root/Scmp" "$work/Scmp"
data=$work/Scmp/

# A display nobody uses.
d=90
while [ -e /tmp/.X11-unix/X$d ] || [ -e /tmp/.X$d-lock ]; do d=$((d + 1)); done
Xvfb :$d -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=:$d
# The same pixels whatever the desktop the script is started from.
export QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 QT_AUTO_SCREEN_SCALE_FACTOR=0 QT_ENABLE_HIGHDPI_SCALING=0
unset QT_SCREEN_SCALE_FACTORS QT_FONT_DPI
# A configuration folder of its own: nothing remembered from the user's
# runs (theme, zoom, window places) changes the pictures.
export XDG_CONFIG_HOME=$work/config
wid=
menu_h=0

cleanup() {
  stop
  kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# ---- Positions ---------------------------------------------------------------
# The panel is laid out in twips (ui/panel_layout.h), 15 to the pixel.
px() { echo $((($1 + 7) / 15)); }
# centre LEFT TOP WIDTH HEIGHT [STRIP]: the pixel centre of a rectangle in
# twips, relative to the panel (STRIP=1: relative to the lower strip).
centre() {
  local y0=0
  [ "${5:-0}" = 1 ] && y0=$(px 4680)
  echo "$(($(px "$1") + $(px "$3") / 2)) $((y0 + $(px "$2") + $(px "$4") / 2))"
}
RST=$(centre 615 270 915 492)
HLT=$(centre 630 1080 852 492)
RUN=$(centre 630 1920 852 780)
SST=$(centre 630 3060 852 552)
LATCH=$(centre 630 3960 852 552)
PLUS=$(centre 2805 3960 192 240)
STEP=$(centre 2100 105 2115 552 1)
data_lefts=(8295 8055 7815 7575 7275 7035 6795 6555)
data_key() { centre "${data_lefts[$1]}" 4260 252 252; }

# ---- Driving the window --------------------------------------------------------
pause() { sleep "${1:-0.3}"; }

# start [FILES...]: a fresh emulator, its window at the top left.
start() {
  # Nothing remembered from an earlier scene either.
  rm -rf "$XDG_CONFIG_HOME"
  # From the work folder, so that files named relative to it show so.
  (cd "$work" && exec "$trainer" --dir "$data" "$@" >"$work/trainer.log" 2>&1) &
  # Kept in a file: each scene runs in a subshell, and the script ends the
  # emulator of a scene that failed.
  echo $! >"$work/trainer.pid"
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^SC/MP Trainer' | head -1)
  [ -n "$wid" ] || { echo "screenshots: the window did not appear" >&2; return 1; }
  xdotool windowmove --sync "$wid" 0 0 || true
  pause 1
  # The panel lies under the menu bar: the window is the bar plus the panel,
  # at the size it opens with, which every position here assumes.
  local w h
  eval "$(xdotool getwindowgeometry --shell "$wid" | grep -E '^(WIDTH|HEIGHT)=')"
  w=$WIDTH h=$HEIGHT
  # Under QT_SCALE_FACTOR=2 the window has twice the pixels.
  local scale=${QT_SCALE_FACTOR%%.*}
  menu_h=$(((h - scale * $(px 6135)) / scale))
  if [ "$w" -ne "$((scale * $(px 8865)))" ] || [ "$menu_h" -lt 10 ] || [ "$menu_h" -gt 60 ]; then
    echo "screenshots: the window is ${w}x${h}, not the panel's $(px 8865) wide; ui/panel_layout.h changed?" >&2
    return 1
  fi
}
stop() {
  [ -f "$work/trainer.pid" ] || return 0
  local pid
  pid=$(cat "$work/trainer.pid")
  rm -f "$work/trainer.pid"
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
}
# click X Y: a click at panel coordinates.
click() {
  xdotool mousemove --window "$wid" "$1" $(($2 + menu_h)) click 1
  pause 0.15
}
# enter_byte HH: the data switches set to HH (from all off), then Latch.
enter_byte() {
  local v=$((16#$1)) i
  for i in 0 1 2 3 4 5 6 7; do
    [ $(((v >> i) & 1)) = 1 ] && click $(data_key $i)
  done
  click $LATCH
}
# keys KEY...: key presses to the main window, such as alt+f l for
# Files > Load ASM-file (menus are opened by their access keys).
keys() {
  xdotool windowfocus --sync "$wid" 2>/dev/null || true
  local k
  for k in "$@"; do
    xdotool key "$k"
    pause 0.4
  done
  pause 0.4
}
# dialog TITLE: the id of a visible window of that title.
dialog() { timeout 10 xdotool search --sync --onlyvisible --name "$1" | head -1; }
# load_listing NAME: Files > Load ASM-file, NAME picked in the file window.
load_listing() {
  keys alt+f l
  local dlg
  dlg=$(dialog '^Load ASM-file$')
  # Click into the file list (its first row, under the path box), then type
  # the name: the list selects it.
  xdotool mousemove --window "$dlg" 60 100 click 1
  pause 0.2
  xdotool type --delay 60 "$1"
  pause 0.3
  xdotool key Return
  pause 0.8
}
# shot NAME [WINDOW]: saves the main window (or WINDOW) as docs/guide/NAME.png.
shot() {
  pause 0.5
  import -window "${2:-$wid}" "$work/shot.png"
  save_png "$work/shot.png" "$out/$1.png"
}
# save_png IN OUT [CONVERT ARGS...]: writes OUT without the time stamps that
# would make an unchanged picture differ from its last version.
save_png() {
  local in=$1 result=$2
  shift 2
  convert "$in" "$@" -strip -define png:exclude-chunks=date,time "$result"
  echo "  $result"
}

# ---- Scenes, each from a fresh start ---------------------------------------------

# The panel at start-up: the README's picture, and the labelled one.
scene_panel() {
  start
  pause 0.5
  import -window "$wid" "$work/panel.png"
  save_png "$work/panel.png" "$root/docs/screenshot.png"
  label_panel "$work/panel.png" "$out/panel-labelled.png"
}

# The first program of chapter 2, byte by byte.
first_program=(C4 0A 35 C4 00 31 C4 5A C9 00 00)

# enter_first_program [FROM [COUNT]]: chapter 2's bytes from byte FROM (0:
# address 001) on, COUNT of them (all by default), as a user enters them:
# +, the switches, Latch. Each byte goes into fresh memory, where the
# switches show 00 after +.
enter_first_program() {
  local b
  for b in "${first_program[@]:${1:-0}:${2:-${#first_program[@]}}}"; do
    click $PLUS
    enter_byte "$b"
  done
}

scene_entering() {
  start
  click $PLUS
  enter_byte C4
  shot enter-first-byte
  # Up to C9 at 009, where the guide's key sequence leaves the address
  # switches: the two 00 bytes after it are in fresh memory already.
  enter_first_program 1 8
  click $RST
  click $SST
  click $RUN
  pause 0.5
  shot first-run
}

# The first program by the keys that chapter 2 gives, then single-stepped
# with the keys: single step is on from the start, so RST, Run / Prgm and
# four Step/Start run it up to LDI 0x5A.
scene_single_step() {
  start
  keys plus 7 6 2 l  plus 3 1 l  plus 5 4 2 0 l  plus 7 6 2 l  plus plus 5 4 0 l  plus 7 6 2 l \
    plus 6 4 3 1 l  plus 7 6 3 0 l
  keys r p space space space space
  shot single-step
}

scene_counter() {
  start
  keys alt+p Return
  load_listing COUNTER
  click $RST
  click $SST
  click $RUN
  pause 1
  shot counter-running
  click $HLT
}

scene_settings() {
  start
  keys alt+s
  local dlg
  dlg=$(dialog '^Settings$')
  shot settings "$dlg"
}

scene_keyboard() {
  start
  keys alt+h k
  shot keyboard "$(dialog '^Keyboard$')"
}

# The Speed menu, open: it lies over the window, so the screen is taken
# where the window is.
scene_speed_menu() {
  start
  keys alt+p
  import -window root -crop "$(px 8865)x$(($(px 6135) + menu_h))+0+0" "$work/shot.png"
  save_png "$work/shot.png" "$out/speed-menu.png"
}

scene_file_window() {
  start
  keys alt+f l
  shot file-window "$(dialog '^Load ASM-file$')"
}

# make_mine: the program of chapter 4, from the guide itself, with the two
# typing errors that the chapter fixes: STO for ST and DNOE for DONE.
make_mine() {
  sed -n '/^; MINE:/,/^```/p' "$root/docs/guide.md" | sed '$d' |
    sed 's/^        ST 0(P1)    /        STO 0(P1)   /; s/JZ DONE /JZ DNOE /' >"$work/MINE.s"
}

# The window's list of the assembler's messages, for MINE.s named on the
# command line.
scene_assembler_window() {
  make_mine
  start MINE.s
  shot assemble-errors-window "$(dialog '^Assemble Source$')"
}

# ---- The Monitor ------------------------------------------------------------------
# The Monitor opens at 1240 x 740; it is put under the panel, and the
# places below are relative to it, measured from its pictures: the margin
# of the disassembly's row for LOOP (015) while P0 is 000, memory cell 02A
# (COUNT), and the Step Back button under the registers.
mon=
MON_Y=460
LOOP_MARGIN="24 427"
CELL_02A="983 224"
STEP_BACK="50 107"

# open_monitor SOURCE: the emulator with SOURCE loaded and the Monitor open.
open_monitor() {
  start "$1"
  keys ctrl+m
  mon=$(dialog '^Monitor$')
  xdotool windowmove --sync "$mon" 0 $MON_Y
  pause 1
}
# click_monitor X Y [BUTTON]
click_monitor() {
  xdotool mousemove --window "$mon" "$1" "$2" click "${3:-1}"
  pause 0.4
}
# both NAME: the panel and the Monitor in one picture.
both() {
  pause 0.6
  import -window "$wid" "$work/panel.png"
  import -window "$mon" "$work/monitor.png"
  convert "$work/panel.png" "$work/monitor.png" -background '#d6d6d6' -append "$work/shot.png"
  save_png "$work/shot.png" "$out/$1.png"
}

scene_monitor_break() {
  open_monitor "$data/Samples/SUMBUG.s"
  click_monitor $LOOP_MARGIN
  keys r s p
  both monitor-break
}

scene_monitor_watch() {
  open_monitor "$data/Samples/SUMBUG.s"
  # Right-click the cell, and take the one entry of its menu.
  click_monitor $CELL_02A 3
  xdotool key Down Return
  pause 0.4
  keys r s p
  keys space
  both monitor-watch
  click_monitor $STEP_BACK
  both monitor-step-back
}

# The dark theme (View > Theme > Dark) with Lamps as Text, stopped at a
# breakpoint: the strip, the Monitor and its legend in dark colours.
scene_dark_theme() {
  open_monitor "$data/Samples/SUMBUG.s"
  click_monitor $LOOP_MARGIN
  keys alt+v h d
  keys ctrl+l
  keys r s p
  both dark-theme
}

# At 200% screen scaling: drawn at twice the pixels, not enlarged.
scene_scale_2() {
  export QT_SCALE_FACTOR=2
  start
  keys 6 4 3 1 ctrl+l
  shot scale-2
}

# Files > Run Tests... on SUMBUG with the tests of exercise 5, then Show on
# the first failed test: the panel and the Monitor at the failing instruction.
scene_test_results() {
  start "$data/Samples/SUMBUG.s"
  keys ctrl+t
  dialog '^Run Tests$' >/dev/null
  pause 0.5
  # The path box has the focus.
  xdotool key ctrl+a
  xdotool type --delay 30 "$data/Samples/EX5_SUM.test"
  pause 0.3
  xdotool key Return
  local results
  results=$(dialog '^Test Results$')
  xdotool windowmove --sync "$results" 0 $MON_Y
  shot test-results "$results"
  xdotool key alt+s
  mon=$(dialog '^Monitor$')
  xdotool windowmove --sync "$mon" 0 $MON_Y
  both test-show
}

# ---- The editor ----------------------------------------------------------------------

# editor_window: the id of the editor.
editor_window() { dialog ' - Editor$'; }
# assemble_source PATH: Files > Assemble Source..., PATH typed into the
# path box (which has the focus); the source opens in the editor.
assemble_source() {
  keys alt+f a
  dialog '^Assemble Source$' >/dev/null
  xdotool key ctrl+a
  xdotool type --delay 30 "$1"
  pause 0.3
  xdotool key Return
  pause 1
}
# editor_keys KEY...: key presses to the editor.
editor_keys() {
  xdotool windowfocus --sync "$ed" 2>/dev/null || true
  local k
  for k in "$@"; do
    xdotool key "$k"
    pause 0.3
  done
  pause 0.5
}

scene_editor_errors() {
  sed -e 's/ST 0(P1)        ; show it/STO 0(P1)       ; show it/' -e 's/JZ DONE/JZ DNOE/' \
    "$data/Samples/EX4_TABLE.s" >"$work/MINE.s"
  start
  assemble_source "$work/MINE.s"
  # The messages' window first; then the editor with the marks.
  xdotool key Escape
  ed=$(editor_window)
  # A click on the second message goes to its line, which brings both
  # marked lines into view.
  xdotool mousemove --window "$ed" 80 361 click 1
  pause 0.6
  import -window "$ed" "$work/shot.png"
  save_png "$work/shot.png" "$out/editor-errors.png"
}

scene_editor_break() {
  start
  assemble_source "$data/Samples/SUMBUG.s"
  ed=$(editor_window)
  # Line 29, LOOP: a breakpoint (F9), then RST on the panel and Run (F5).
  editor_keys ctrl+Home
  xdotool key --repeat 28 --delay 20 Down
  editor_keys F9
  keys r
  # Run / Continue on the editor's toolbar.
  xdotool mousemove --window "$ed" 190 33 click 1
  pause 1
  import -window "$wid" "$work/panel.png"
  import -window "$ed" "$work/editor.png"
  convert "$work/panel.png" "$work/editor.png" -background '#d6d6d6' -gravity NorthWest +append "$work/shot.png"
  save_png "$work/shot.png" "$out/editor-break.png"
}

# ---- The labelled panel ------------------------------------------------------------

# label_panel IN OUT: the panel with a numbered mark beside each part and a
# legend of the numbers to its right. Chapter 1 of the guide uses the same
# numbers.
label_panel() {
  local in=$1 result=$2 legend=340
  local w h
  read -r w h <<<"$(identify -format '%w %h' "$in")"
  local marks=() lines=() n=0
  # mark X Y TEXT: the next number at panel coordinates (X, Y).
  mark() {
    n=$((n + 1))
    local x=$1 y=$(($2 + menu_h)) dx=4
    [ $n -ge 10 ] && dx=8
    marks+=(-fill '#ffd23f' -stroke black -strokewidth 1 -draw "circle $x,$y $((x + 8)),$y")
    marks+=(-fill black -stroke none -draw "text $((x - dx)),$((y - 7)) '$n'")
    lines+=(-fill '#ffd23f' -draw "circle $((w + 22)),$((14 + n * 22)) $((w + 30)),$((14 + n * 22))")
    lines+=(-fill black -draw "text $((w + 22 - dx)),$((7 + n * 22)) '$n'")
    lines+=(-fill white -draw "text $((w + 38)),$((6 + n * 22)) '$3'")
  }
  mark 111 "$(($(px 270) + $(px 492) / 2))" "RST: reset"
  mark 111 "$(($(px 1080) + $(px 492) / 2))" "HLT: halt, and take the halt back"
  mark 36 "$(($(px 1125) + 8))" "HALT lamp: a halt is requested"
  mark 111 "$(($(px 1920) + $(px 780) / 2))" "Run / Prgm: run mode or program mode"
  mark 36 "$(($(px 2115) + 8))" "RUN/PRGM lamp: green program, red run"
  mark 111 "$(($(px 3060) + $(px 552) / 2))" "SST: single step on or off"
  mark 36 "$(($(px 3150) + 8))" "S.STEP lamp: single step is on"
  mark 111 "$(($(px 3960) + $(px 552) / 2))" "Latch: store the data switches"
  mark 288 "$(($(px 900) + 12))" "Output LEDs 7 to 0, the port 0A00"
  mark 432 33 "Flag LEDs F2, F1, F0"
  mark 307 "$(($(px 3960) - 27))" "Address switches A11 to A0 and keys"
  mark 193 "$(($(px 3960) - 9))" "+ and -: next and previous address"
  mark 524 "$(($(px 3960) - 27))" "Data switches D7 to D0 and keys"
  mark 100 "$(($(px 4680) + 18))" "Status: delay, trace, pause, fast or slow"
  mark 131 "$(($(px 4680) + $(px 105) + $(px 552) / 2))" "Step/Start: go on from where it stopped"
  mark 131 "$(($(px 4680) + $(px 735) + $(px 330) / 2))" "The speed in force (Speed menu)"
  mark 286 "$(($(px 4680) + $(px 105) + $(px 1275) - 12))" "Register display"
  mark 581 "$(($(px 4680) + $(px 945) + $(px 330) / 2))" "Cycles Remaining: steps to the pause"
  save_png "$in" "$result" -background '#2b2f36' -gravity NorthWest -extent "$((w + legend))x$h" \
    -font DejaVu-Sans-Bold -pointsize 11 "${marks[@]}" "${lines[@]}"
}

failed=()
scenes=(panel entering single_step keyboard counter speed_menu settings file_window assembler_window
  monitor_break monitor_watch dark_theme scale_2 test_results editor_errors editor_break)
[ $# -gt 1 ] && scenes=("${@:2}")
for scene in "${scenes[@]}"; do
  echo "scene $scene"
  set +e
  (set -e; "scene_$scene")
  status=$?
  set -e
  stop
  if [ $status -ne 0 ]; then
    failed+=("$scene")
    cat "$work/trainer.log" >&2 2>/dev/null || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "screenshots: these scenes failed: ${failed[*]} (the emulator's output: see above)" >&2
  exit 1
fi
echo "screenshots: all pictures made"
