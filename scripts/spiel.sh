#!/usr/bin/env bash
# Installs what is missing, builds the optimised configuration and starts the game.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/installiere.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release --target nadrel

# The game reads its data beside itself and writes shader listings where it runs: it runs in
# its build folder, so the clone stays clean.
cd build/release/source/nadrel/spiel
exec ./nadrel
