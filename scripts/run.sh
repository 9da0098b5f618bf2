#!/usr/bin/env bash
# Installs the dependencies, builds a Release build and starts the emulator.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build --target orvik
exec build/bin/orvik "$@"
