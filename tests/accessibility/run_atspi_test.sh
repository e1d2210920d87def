#!/bin/sh
# Runs atspi_test.py on a private D-Bus session and X server.
# Usage: run_atspi_test.sh <build dir> <report file>. Exit 77: skipped.
here=$(dirname "$0")
for tool in dbus-run-session xvfb-run /usr/libexec/at-spi-bus-launcher; do
    if ! command -v "$tool" >/dev/null 2>&1 && [ ! -x "$tool" ]; then
        echo "SKIP: $tool is missing (packages dbus, xvfb, at-spi2-core)"
        exit 77
    fi
done
if ! /usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0"); from gi.repository import Atspi' 2>/dev/null; then
    echo "SKIP: the AT-SPI Python bindings are missing (packages python3-gi, gir1.2-atspi-2.0)"
    exit 77
fi
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
export PYTHONPATH="$here"
# The bus inside the X server's session: the AT-SPI registry sends keys through it.
exec xvfb-run -a -s "-screen 0 1280x800x24" \
    dbus-run-session -- /usr/bin/python3 "$here/atspi_test.py" "$1" "$2"
