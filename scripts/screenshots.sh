#!/usr/bin/env bash
# Makes every picture of docs/guide.md and the README's picture: starts the
# emulator on a private X display, drives it with xdotool to each step that
# the guide describes, and saves the window as PNG under docs/. Run it again
# after a change to the window and the pictures follow.
#
#   bash scripts/screenshots.sh [BUILD_DIR]      (default: build)
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

work=$(mktemp -d)
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
MINUS=$(centre 2805 4260 192 252)
STEP=$(centre 2100 105 2115 552 1)
data_lefts=(8295 8055 7815 7575 7275 7035 6795 6555)
address_lefts=(5805 5565 5325 5085 4785 4545 4305 4065 3765 3525 3285 3045)
data_key() { centre "${data_lefts[$1]}" 4260 252 252; }
address_key() { centre "${address_lefts[$1]}" 4260 252 252; }

# ---- Driving the window --------------------------------------------------------
pause() { sleep "${1:-0.3}"; }

# start [FILES...]: a fresh emulator, its window at the top left.
start() {
  "$trainer" --dir "$data" "$@" >"$work/trainer.log" 2>&1 &
  # Kept in a file: each scene runs in a subshell, and the script ends the
  # emulator of a scene that failed.
  echo $! >"$work/trainer.pid"
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name 'SC/MP' | head -1)
  xdotool windowmove --sync "$wid" 0 0 || true
  pause 1
  # The panel lies under the menu bar: the window is the bar plus the panel.
  local h
  h=$(xdotool getwindowgeometry --shell "$wid" | sed -n 's/^HEIGHT=//p')
  menu_h=$((h - $(px 6135)))
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
# byte HH: the data switches set to HH (from all off), Latch, then +.
enter_byte() {
  local v=$((16#$1)) i
  for i in 0 1 2 3 4 5 6 7; do
    [ $(((v >> i) & 1)) = 1 ] && click $(data_key $i)
  done
  click $LATCH
}
# menu TITLE_X KEY: opens a menu of the bar by a click and picks an entry by
# its access key.
menu() {
  xdotool mousemove --window "$wid" "$1" $((menu_h / 2)) click 1
  pause 0.5
  xdotool key "$2"
  pause 0.8
}
# dialog TITLE: the id of a visible window of that title.
dialog() { timeout 10 xdotool search --sync --onlyvisible --name "$1" | head -1; }
# load_listing NAME: Files > Load ASM-file, NAME picked in the file window.
load_listing() {
  menu 20 l
  local dlg
  dlg=$(dialog 'Open Memory Image')
  # Click into the file list, then type the name: the list selects it.
  xdotool mousemove --window "$dlg" $(($(px 192) + $(px 192) + 20)) $(($(px 96) + $(px 480) + 8)) click 1
  pause 0.2
  xdotool type --delay 60 "$1"
  pause 0.3
  xdotool key Return
  pause 0.8
}
# shot NAME [WINDOW]: saves the main window (or WINDOW) as docs/guide/NAME.png.
shot() {
  pause 0.5
  import -window "${2:-$wid}" "$out/$1.png"
  echo "  $out/$1.png"
}

# ---- Scenes, each from a fresh start ---------------------------------------------

scene_panel() {
  start
  shot panel-start
  cp "$out/panel-start.png" "$root/docs/screenshot.png"
  label_panel "$out/panel-start.png" "$out/panel-labelled.png"
  stop
}

# The first program of chapter 2, byte by byte.
first_program=(C4 0A 35 C4 00 31 C4 5A C9 00 00)

scene_entering() {
  start
  click $PLUS
  enter_byte C4
  shot enter-first-byte
  local b
  for b in "${first_program[@]:1}"; do
    click $PLUS
    enter_byte "$b"
  done
  click $RST
  click $SST
  click $RUN
  pause 0.5
  shot first-run
  # Back to program mode, single step on, and five instructions.
  click $RUN
  click $RST
  click $SST
  click $RUN
  local i
  for i in 1 2 3 4; do click $STEP; done
  shot single-step
  stop
}

scene_counter() {
  start
  load_listing COUNTER
  click $RST
  click $SST
  click $RUN
  pause 1
  shot counter-running
  click $HLT
  stop
}

scene_settings() {
  start
  xdotool mousemove --window "$wid" 76 $((menu_h / 2)) click 1
  local dlg
  dlg=$(dialog '^Settings$')
  shot settings "$dlg"
  stop
}

scene_file_window() {
  start
  menu 20 l
  shot file-window "$(dialog 'Open Memory Image')"
  stop
}

# ---- The labelled panel ------------------------------------------------------------

# label_panel IN OUT: the panel on a wider canvas, each part named, a line
# from each name to its part.
label_panel() {
  local in=$1 result=$2 left=230 top=70 right=250 bottom=110
  local w h
  read -r w h < <(identify -format '%w %h' "$in")
  local args=() my=$((top + menu_h))
  # name X Y TEXT TX TY: a line from the text's end at (TX, TY) to the part
  # at panel coordinates (X, Y), and the text.
  name() {
    local x=$(($1 + left)) y=$(($2 + my)) tx=$4 ty=$5 anchor=${6:-West}
    args+=(-stroke '#ffd23f' -strokewidth 2 -draw "line $tx,$ty $x,$y" -draw "circle $x,$y $((x + 3)),$y")
    args+=(-stroke none -fill white -gravity NorthWest)
    if [ "$anchor" = East ]; then
      args+=(-draw "text $((tx - 8 - ${#3} * 8)),$((ty - 9)) '$3'")
    else
      args+=(-draw "text $((tx + 6)),$((ty - 9)) '$3'")
    fi
  }
  read -r x y <<<"$RST"; name "$x" "$y" "RST: reset" 150 $((my + 30)) East
  read -r x y <<<"$HLT"; name "$x" "$y" "HLT: halt request" 150 $((my + 75)) East
  name "$(($(px 180) + 8))" "$(($(px 1125) + 8))" "HALT lamp" 150 $((my + 110)) East
  read -r x y <<<"$RUN"; name "$x" "$y" "Run / Prgm" 150 $((my + 150)) East
  name "$(($(px 180) + 8))" "$(($(px 2115) + 8))" "PRGM/RUN lamp" 150 $((my + 185)) East
  read -r x y <<<"$SST"; name "$x" "$y" "SST: single step" 150 $((my + 225)) East
  name "$(($(px 180) + 8))" "$(($(px 3150) + 8))" "S.STEP lamp" 150 $((my + 255)) East
  read -r x y <<<"$LATCH"; name "$x" "$y" "Latch: store" 150 $((my + 290)) East
  name "$(($(px 4500) + 12))" "$(($(px 900) + 12))" "Output LEDs 7 to 0 (port 0A00)" 480 30
  name "$(($(px 7635) + 12))" "$(($(px 330) + 12))" "Flag LEDs F2 F1 F0" 760 30
  read -r x y <<<"$PLUS"; name "$x" "$y" "+ and -: next, previous address" $((left - 10)) $((my + h - 60)) East
  name "$(($(px 4305) + 8))" "$(($(px 3960) + 8))" "Address switches A11-A0 (yellow: on)" $((left + 200)) $((top + h + 25))
  name "$(($(px 4305) + 8))" "$(($(px 4260) + 8))" "their keys" $((left + 200)) $((top + h + 50))
  name "$(($(px 7275) + 8))" "$(($(px 3960) + 8))" "Data switches D7-D0" $((left + w + 20)) $((my + 250))
  name "$(($(px 7275) + 8))" "$(($(px 4260) + 8))" "their keys" $((left + w + 20)) $((my + 285))
  read -r x y <<<"$STEP"; name "$x" "$y" "Step/Start: go on" $((left + 200)) $((top + h + 75))
  name 60 "$(($(px 4680) + $(px 735) + 10))" "Status: delay, trace, pause, speed" $((left - 10)) $((top + h + 25)) East
  name "$(($(px 4410) + 100))" "$(($(px 4680) + $(px 600)))" "Register display" $((left + w + 20)) $((my + 340))
  name "$(($(px 7035) + 80))" "$(($(px 4680) + $(px 945) + 10))" "Cycles Remaining" $((left + w + 20)) $((my + 380))
  convert "$in" -background '#2b2f36' -gravity NorthWest -splice "${left}x${top}" -gravity SouthEast \
    -splice "${right}x${bottom}" -font DejaVu-Sans -pointsize 13 "${args[@]}" "$result"
  echo "  $result"
}

failed=()
for scene in panel entering counter settings file_window; do
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
