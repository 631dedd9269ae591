#!/usr/bin/env bash
# Sets up, builds and starts Cardolo. Items and settings live in ~/cardolo (outside the build
# folder, so a rebuild never touches them); pass --folder DIR to use another folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# Ninja keeps both cores busy through the build; a folder made before keeps its own generator.
export CMAKE_GENERATOR="${CMAKE_GENERATOR:-Ninja}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target cardolo -j"$(nproc)"
folder="${HOME}/cardolo"
args=("$@")
if [ ${#args[@]} -eq 0 ]; then
    mkdir -p "$folder"
    args=(--folder "$folder")
fi
exec ./build/cardolo "${args[@]}"
