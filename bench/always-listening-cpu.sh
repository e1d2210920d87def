#!/bin/sh
# CPU of the real program listening all the time in a quiet room: a private
# Xvfb server and a private sound server whose default microphone hears faint
# room noise (TALK=1: continuous talk; ALWAYS=false: not listening at all); Tovrin Kin runs with "always listening" on and its CPU is read
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
# Room tone about 55 dB under full scale, for longer than the measurement; with
# TALK=1, someone talking on and on instead (read by espeak-ng), which is no
# command and does not begin with Tovrin's name.
if [ "${TALK:-0}" = 1 ]; then
    text="The weather was fine all week, and on Saturday we walked along the river to \
the old mill. My sister brought sandwiches and a flask of tea, and we sat on the \
bench by the water while the children fed the ducks. Later we talked about the \
garden, the new neighbours, the price of bread and the long winter ahead."
    : > "$work/talk.txt"
    for _ in $(seq 40); do echo "$text" >> "$work/talk.txt"; done
    espeak-ng -v en-us -w "$work/talk-22k.wav" -f "$work/talk.txt"
    sox "$work/talk-22k.wav" -r 16000 "$work/room.wav" trim 0 $(( seconds + 40 ))
else
    sox -n -r 16000 -c 1 -b 16 "$work/room.wav" synth $(( seconds + 40 )) pinknoise vol 0.002
fi

"$work/tovrinkin" >"$work/out.log" 2>&1 &
program=$!
while ! xwininfo -root -tree 2>/dev/null | grep -q '"Tovrin"'; do sleep 0.1; done
# Past the greeting and the listening session that follows it (it closes after
# 8 s of quiet): from then on only phrases led by the name count.
sleep 16
paplay --device=mic "$work/room.wav" &
player=$!
sleep 4

ticks() { awk '{print $14 + $15}' "$1"; }
for task in /proc/$program/task/*; do
    echo "$(basename "$task") $(cat "$task/comm" | tr ' ' '_') $(ticks "$task/stat")"
done > "$work/before"
a=$(ticks /proc/$program/stat)
sleep "$seconds"
b=$(ticks /proc/$program/stat)
echo "always listening ($( [ "${TALK:-0}" = 1 ] && echo "during continuous talk" || echo "in a quiet room" )), $seconds s: $(( b - a )) clock ticks," \
     "$(echo "scale=3; ($b - $a) / $seconds" | bc) % of a core at 100 ticks/s"
while read -r tid name before; do
    [ -r "/proc/$program/task/$tid/stat" ] || continue
    after=$(ticks "/proc/$program/task/$tid/stat")
    [ "$after" -gt "$before" ] && echo "  thread $name ($tid): $(( after - before )) ticks"
done < "$work/before"
if [ -n "${SHOW_LOG:-}" ]; then cat "$work/out.log"; fi
