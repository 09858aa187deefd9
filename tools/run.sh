#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds Strida and runs the desktop program.
# Without a display it runs under a virtual one (xvfb-run), which nobody sees but which shows that
# the program starts; pass --out FOLDER to choose where the report files go.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh build
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/strida "$@"
fi
echo "No display found: running Strida under a virtual display (xvfb-run)." >&2
exec xvfb-run -a build/strida "$@"
