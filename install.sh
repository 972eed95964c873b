#!/usr/bin/env bash
# Installs the dependencies, builds Lirano and installs it into one program
# folder (default /opt/lirano): the programs with Resources/ beside them.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
prefix=${PREFIX:-/opt/lirano}

. "$root/tools/deps.sh"
lirano_install_deps build

build=${LIRANO_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DLIRANO_BUILD_TESTS=OFF -DLIRANO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"
cmake --install "$build"
echo "Lirano installed in $prefix"
