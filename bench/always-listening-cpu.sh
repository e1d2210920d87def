#!/bin/sh
# CPU of the real program listening all the time in a quiet room: a private
# Xvfb server and a private sound server whose default microphone hears faint
# room noise (TALK=1: continuous talk; ALWAYS=false: not listening at all);
# Tovrin Kin runs with "always listening" on and its CPU is read
# from /proc over the given seconds (threads that ended meanwhile are not counted),
# for the whole process and by thread.
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
# A run cut short (Ctrl+C, its output piped into head) cleans up too, so no
# program or server is left behind to skew the next run.
trap 'exit 130' INT TERM HUP PIPE
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

# CPU time (ns, from schedstat, finer than the stat file's clock ticks) and
# wake-ups (voluntary context switches) of each thread and of the process.
snapshot() {
    for task in /proc/$program/task/*; do
        read -r ns _ < "$task/schedstat"
        wakes=$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status")
        echo "$(basename "$task") $(tr ' ' '_' < "$task/comm") $ns $wakes"
    done
}
snapshot > "$work/before"
sleep "$seconds"
snapshot > "$work/after"
listening=$( [ "${ALWAYS:-true}" = true ] && echo "always listening" || echo "not listening" )
room=$( [ "${TALK:-0}" = 1 ] && echo "during continuous talk" || echo "in a quiet room" )
awk -v seconds="$seconds" -v mode="$listening $room" '
    NR == FNR { ns[$1] = $3; wakes[$1] = $4; next }
    ($1 in ns) {
        dns = $3 - ns[$1]; dw = $4 - wakes[$1]
        total += dns; totalWakes += dw
        if (dns > 0 || dw > 0)
            line[++n] = sprintf("  thread %s (%s): %.3f %% of a core, %.1f wake-ups/s", $2, $1, dns / seconds / 1e7, dw / seconds)
    }
    END {
        printf "%s, %d s: %.3f %% of a core, %.1f wake-ups/s\n", mode, seconds, total / seconds / 1e7, totalWakes / seconds
        for (i = 1; i <= n; i++) print line[i]
    }' "$work/before" "$work/after"
if [ -n "${SHOW_LOG:-}" ]; then cat "$work/out.log"; fi
