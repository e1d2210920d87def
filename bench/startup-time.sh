#!/bin/sh
# Start-up time of the real program under a private Xvfb server: from exec to
# the splash window on the screen, and to Tovrin on the screen (the splash
# shows for its two seconds first). Also the resident memory once Tovrin is
# up and the CPU it uses over 30 s of idling.
# Usage: bench/startup-time.sh [build-dir] [runs]
set -eu
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r "$build/tovrinkin" "$build/tovrin.acs" "$build/readme.txt" "$build/fonts.cmd" "$build/snds" "$work/"
printf '[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Sam\r\n' > "$work/main.ini"

display=:$(( 90 + $$ % 100 ))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY="$display"
export XDG_RUNTIME_DIR="$work"

now_ms() { date +%s%3N; }
wait_for_window() { # name
    while ! xwininfo -root -tree 2>/dev/null | grep -q "$1"; do sleep 0.005; done
}

for i in $(seq "$runs"); do
    start=$(now_ms)
    "$work/tovrinkin" >/dev/null 2>&1 &
    pid=$!
    wait_for_window '"Form1"'
    splash=$(now_ms)
    wait_for_window '"Tovrin"'
    figure=$(now_ms)
    echo "run $i: splash on screen after $((splash - start)) ms, Tovrin after $((figure - start)) ms"
    if [ "$i" -eq "$runs" ]; then
        sleep 8
        rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
        a=$(awk '{print $14 + $15}' "/proc/$pid/stat")
        sleep 30
        b=$(awk '{print $14 + $15}' "/proc/$pid/stat")
        echo "resident memory with Tovrin shown: $rss kB"
        echo "idle CPU over 30 s: $(( b - a )) clock ticks ($(echo "scale=3; ($b - $a) / 30" | bc) % of a core at 100 ticks/s)"
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
done
