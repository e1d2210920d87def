#!/bin/sh
# Builds the fuzz targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a bounded time, from the committed seeds, with its dictionary.
# FUZZ_SECONDS (default 8) is the time per target; FUZZ_BUILD_DIR the build.
set -eu
cd "$(dirname "$0")/.."
BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
SECONDS_EACH=${FUZZ_SECONDS:-8}
if [ ! -f "$BUILD/build.ninja" ]; then
    CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTK_FUZZ=ON
fi
cmake --build "$BUILD" --target fuzz_targets -j "${JOBS:-2}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for pair in settings_document:settings character_file:character line_lists:lines voice_text:voice; do
    target=fuzz_${pair%%:*}
    kind=${pair#*:}
    # New inputs go to a scratch corpus; the committed seeds stay as they are.
    mkdir -p "$work/$kind"
    result=ok
    if ! "$BUILD/tests/fuzz/$target" -max_total_time="$SECONDS_EACH" -timeout=10 \
        -rss_limit_mb=2048 -dict="tests/fuzz/$kind.dict" -artifact_prefix="$work/" \
        -print_final_stats=1 "$work/$kind" "tests/fuzz/corpus/$kind" \
        >"$work/$target.log" 2>&1; then
        status=1
        result=FAILED
        tail -40 "$work/$target.log"
        mkdir -p "$BUILD/crashes" && cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* \
            "$BUILD/crashes/" 2>/dev/null || true
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
    echo "$target: ${runs:-?} runs in ${SECONDS_EACH} s, $result"
done
exit $status
