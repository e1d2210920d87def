#!/bin/sh
# Installs the Debian packages listed in deps/debian-packages.txt that are not
# installed yet. Does nothing (and needs no root) when all of them are present.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
list="$here/deps/debian-packages.txt"

wanted=$(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$list" | grep -v '^$')
missing=""
for pkg in $wanted; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    case "$status" in
        *"install ok installed"*) ;;
        *) missing="$missing $pkg" ;;
    esac
done
[ -z "$missing" ] && exit 0

echo "Installing missing packages:$missing"
if [ "$(id -u)" -eq 0 ]; then
    sudo=""
elif command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
else
    echo "error: these packages are missing and neither root nor sudo is available:$missing" >&2
    exit 1
fi
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
