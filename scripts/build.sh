#!/usr/bin/env bash
# Configures (once) and builds the tree in ./build. Extra arguments go to cmake --build.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja ${CMAKE_ARGS:-}
fi
cmake --build "$BUILD_DIR" "$@"
