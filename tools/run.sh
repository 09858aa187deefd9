#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds the desktop program and the Python module
# and runs the program. Only these are built (tools/test.sh builds the tests and benchmarks). Without a display it
# runs under a virtual one (xvfb-run), which nobody sees but which shows that the program starts;
# pass --out FOLDER to choose where the report files go.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target strida strida_python -j"$(nproc)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/strida "$@"
fi
echo "No display found: running Strida under a virtual display (xvfb-run)." >&2
exec xvfb-run -a build/strida "$@"
