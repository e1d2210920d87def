#!/bin/sh
# CPU of the real program listening all the time in a quiet room: a private
# Xvfb server and a private sound server whose default microphone hears faint
# room noise; Tovrin Kin runs with "always listening" on and its CPU is read
# from /proc over the given seconds, for the whole process and by thread.
# Usage: bench/always-listening-cpu.sh [build-dir] [seconds]
set -eu
build=$(cd "${1:-build}" && pwd)
seconds=${2:-60}
work=$(mktemp -d)
cleanup() {
    kill "${program:-}" "${player:-}" 2>/dev/null || true
    PULSE_SERVER="unix:$work/pulse/native" pactl exit 2>/dev/null || true
    kill "${xvfb:-}" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
cp -r "$build/tovrinkin" "$build/tovrin.acs" "$build/readme.txt" "$build/fonts.cmd" "$build/snds" "$work/"
printf '[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Sam\r\n' > "$work/main.ini"
mkdir -p "$work/config/tovrin"
printf "[Listening]\nAlwaysListening=${ALWAYS:-true}\n" > "$work/config/tovrin/runtime.ini"

display=:$(( 90 + $$ % 100 ))
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
export DISPLAY="$display" XDG_RUNTIME_DIR="$work" HOME="$work" XDG_CONFIG_HOME="$work/config"
export PULSE_SERVER="unix:$work/pulse/native"
pulseaudio --daemonize=no --exit-idle-time=-1 -n \
    --load="module-native-protocol-unix auth-anonymous=1" \
    --load="module-null-sink sink_name=spk" --load="module-null-sink sink_name=mic" \
    >/dev/null 2>&1 &
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl load-module module-remap-source master=mic.monitor source_name=micin >/dev/null
pactl set-default-sink spk
pactl set-default-source micin
# Room tone about 55 dB under full scale, for longer than the measurement.
sox -n -r 16000 -c 1 -b 16 "$work/room.wav" synth $(( seconds + 40 )) pinknoise vol 0.002
paplay --device=mic "$work/room.wav" &
player=$!

"$work/tovrinkin" >"$work/out.log" 2>&1 &
program=$!
while ! xwininfo -root -tree 2>/dev/null | grep -q '"Tovrin"'; do sleep 0.1; done
sleep 15 # past the greeting, which is spoken before listening goes on

ticks() { awk '{print $14 + $15}' "$1"; }
for task in /proc/$program/task/*; do
    echo "$(basename "$task") $(cat "$task/comm" | tr ' ' '_') $(ticks "$task/stat")"
done > "$work/before"
a=$(ticks /proc/$program/stat)
sleep "$seconds"
b=$(ticks /proc/$program/stat)
echo "always listening in a quiet room, $seconds s: $(( b - a )) clock ticks," \
     "$(echo "scale=3; ($b - $a) / $seconds" | bc) % of a core at 100 ticks/s"
while read -r tid name before; do
    [ -r "/proc/$program/task/$tid/stat" ] || continue
    after=$(ticks "/proc/$program/task/$tid/stat")
    [ "$after" -gt "$before" ] && echo "  thread $name ($tid): $(( after - before )) ticks"
done < "$work/before"
grep -q -i "listen" "$work/out.log" && grep -i "listen" "$work/out.log" | head -5 || true
