#!/usr/bin/env bash
# Installs the Debian 12 packages Strida needs to build, run and test, when they are missing.
set -euo pipefail
packages=(build-essential cmake pkg-config libgtest-dev libbenchmark-dev qt6-base-dev libgl-dev
          xvfb xauth fonts-dejavu-core clang-14 libclang-rt-14-dev xdotool python3
          nlohmann-json3-dev libssl-dev libsqlite3-dev qt6-charts-dev qt6-svg-dev
          libqt6opengl6-dev libboost-dev parallel openssh-server openssh-client rsync slurm-wlm
          munge pybind11-dev python3-dev python3-numpy python3-pandas python3-pytest
          python3-matplotlib)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
