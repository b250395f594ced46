#!/usr/bin/env bash
# Installs what is missing, builds the optimised configuration and starts the game.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/installiere.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release

if [[ -x build/release/source/nadrel/nadrel ]]; then
    exec build/release/source/nadrel/nadrel "$@"
fi
echo "Die Engine ist gebaut; das Spiel selbst gibt es noch nicht (siehe README.md)."
