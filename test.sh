#!/usr/bin/env bash
# Installs what is missing, checks formatting, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/check-format.sh
./scripts/build.sh
cd build
ctest --output-on-failure -j2 --timeout 600 "$@"
