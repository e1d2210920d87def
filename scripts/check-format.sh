#!/bin/sh
# Fails when a tracked C++ source differs from what .clang-format makes of it;
# clang-format names each place.
set -eu
cd "$(dirname "$0")/.."
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror; then
    echo "Sources are not formatted: run 'make format'." >&2
    exit 1
fi
