#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: an optimised build (tests and
# benchmarks), a build with AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz
# targets for 30 seconds each when clang is there.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/installiere.sh
jobs=$(nproc)

# Tests that open a real window need an X server; without one they skip themselves. The server
# must not reset when its last client leaves: a connection made during the reset is refused, and
# test programs connect and leave one after another.
pruefe=(ctest)
command -v xvfb-run >/dev/null && pruefe=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest)

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$jobs"
"${pruefe[@]}" --test-dir build/release --output-on-failure -j "$jobs"

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELM_SANITIZE=ON -DVELM_BENCH=OFF
cmake --build build/asan -j "$jobs"
"${pruefe[@]}" --test-dir build/asan --output-on-failure -j "$jobs"

if command -v clang++ >/dev/null; then
    cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++ -DVELM_FUZZ=ON -DVELM_BENCH=OFF
    cmake --build build/fuzz -j "$jobs" --target velm_fuzz
    ctest --test-dir build/fuzz --output-on-failure -L fuzz -j "$jobs"
fi
