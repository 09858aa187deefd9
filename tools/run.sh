#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds Strida and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh build
exec build/strida-batch "$@"
