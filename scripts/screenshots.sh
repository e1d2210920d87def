#!/bin/sh
# Runs the real program under a private virtual display with a desktop-like
# background, a window manager and a quiet sound server, and saves screenshots of
# Tovrin on the desktop, Tovrin speaking, the pop-up menu, the chat window in
# use and the options window into docs/screenshots/.
# Usage: scripts/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
out=${2:-$here/docs/screenshots}
width=1280
height=800

for tool in Xvfb xdpyinfo xwininfo xdotool openbox pulseaudio pactl import display convert; do
    command -v "$tool" >/dev/null 2>&1 || {
        echo "error: $tool is missing (see the test section of deps/debian-packages.txt)" >&2
        exit 1
    }
done
[ -x "$build/tovrinkin" ] || { echo "error: no $build/tovrinkin; build first" >&2; exit 1; }

work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A display number nobody uses.
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 "${width}x${height}x24" -nolisten tcp >/dev/null 2>&1 &
pids="$pids $!"
export DISPLAY=":$display"
tries=0
until xdpyinfo >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -lt 50 ] || { echo "error: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done

# The desktop: a calm gradient with a panel along the top.
convert -size "${width}x${height}" gradient:'#7fb2d6-#2c5d8a' \
    -fill '#1e2a36' -draw "rectangle 0,0 $width,28" \
    -fill '#dfe8f0' -font DejaVu-Sans -pointsize 13 \
    -annotate "+$((width - 56))+19" '10:42' \
    -annotate "+14+19" 'Applications' \
    "$work/desktop.png"
# (display reports failure after setting the root window's picture; the
# screenshots show whether it is there.)
display -window root "$work/desktop.png" || true
openbox >/dev/null 2>&1 &
pids="$pids $!"
sleep 1

# A program directory of its own, with a user who has met Tovrin before.
program="$work/program"
mkdir -p "$program/snds"
cp "$build/tovrinkin" "$build/readme.txt" "$build/fonts.cmd" "$build/tovrin.acs" "$program/"
cp "$build/snds/welcome.mp3" "$program/snds/"
printf '[MAIN]\r\nFIRST=1\r\nLSOUND=0\r\n[USER]\r\nNAME=Alex\r\n' >"$program/main.ini"

# A quiet sound server: a speaker that plays into nothing and a silent
# microphone, so that Tovrin talks and listens as on a real desktop.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm \
    --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=speaker" \
    --load="module-null-sink sink_name=room" \
    --load="module-remap-source source_name=microphone master=room.monitor" \
    >"$work/sound.log" 2>&1 &
pids="$pids $!"
tries=0
until pactl info >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ $tries -lt 50 ] || { echo "error: the sound server did not start" >&2; exit 1; }
    sleep 0.1
done
pactl set-default-sink speaker
pactl set-default-source microphone

mkdir -p "$out"
shot() { import -window root "$out/$1"; echo "saved $out/$1"; }

"$program/tovrinkin" >"$work/program.log" 2>&1 &
program_pid=$!
pids="$pids $program_pid"
# Waits for a visible window with exactly this title and prints its id.
window() {
    xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1
}
# Sets X, Y, WIDTH and HEIGHT to a window's client area on the screen.
where() {
    info=$(xwininfo -id "$1")
    X=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
    Y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
    WIDTH=$(echo "$info" | sed -n 's/.*Width: *//p')
    HEIGHT=$(echo "$info" | sed -n 's/.*Height: *//p')
}
# Clicks at a point of a window's client area.
click_in() {
    where "$1"
    xdotool mousemove $((X + $2)) $((Y + $3)) click 1
}
# Opens the figure's pop-up menu and picks the entry after that many steps down.
menu_entry() {
    where "$figure"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
    sleep 1
    xdotool key --delay 150 $(yes Down | head -n "$1") Return
}

# The splash, then Tovrin appears and greets: the balloon is up while it speaks.
sleep 6
shot speaking.png
sleep 7
figure=$(window Tovrin)
xdotool mousemove 300 300
shot desktop.png

# Dragged into the open, Tovrin shows the menu beside itself.
where "$figure"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) mousedown 1
for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((X + WIDTH / 2 - step * 60)) $((Y + HEIGHT / 2 - step * 30))
    sleep 0.05
done
xdotool mouseup 1
sleep 1
where "$figure"
xdotool mousemove $((X + WIDTH * 2 / 3)) $((Y + HEIGHT / 3)) click 3
sleep 1
shot menu.png
xdotool key Escape
sleep 1

# The chat window: started, a phrase typed and said.
menu_entry 1
chat=$(window "Real Chat 1")
sleep 1
click_in "$chat" 124 12
sleep 1
click_in "$chat" 100 60
xdotool key ctrl+a
xdotool type --delay 60 "What a lovely day!"
click_in "$chat" 344 60
sleep 2.5
shot chat.png
xdotool windowclose "$chat"
sleep 4

menu_entry 4
window Options >/dev/null
sleep 1
shot options.png

kill "$program_pid" 2>/dev/null || true
