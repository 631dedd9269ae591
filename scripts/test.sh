#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite (widget tests offscreen). Exits non-zero on
# any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCARDOLO_BENCH=ON >/dev/null
cmake --build build -j"$(nproc)"
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
