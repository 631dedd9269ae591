#!/usr/bin/env bash
# Builds Cardolo and installs it for the current user: the program in ~/.local/bin, its menu
# entry, icons, AppStream metainfo and manual page under ~/.local/share. An installed copy keeps
# its items in ~/.local/share/cardolo.
#   bash scripts/install.sh [--prefix DIR]     (default prefix: ~/.local)
# BUILD_DIR names the build folder to use (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="${HOME}/.local"
while [ $# -gt 0 ]; do
    case "$1" in
        --prefix) prefix="$2"; shift 2 ;;
        --prefix=*) prefix="${1#--prefix=}"; shift ;;
        -h|--help) sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "install.sh: unknown argument $1" >&2; exit 2 ;;
    esac
done
build="${BUILD_DIR:-build}"
bash scripts/deps.sh
# Ninja keeps both cores busy through the build; a folder made before keeps its own generator.
export CMAKE_GENERATOR="${CMAKE_GENERATOR:-Ninja}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The program and the 48 px icon only; the tests are not needed to install.
targets=(cardolo)
if cmake --build "$build" --target help | grep -q cardolo_icon; then
    targets+=(cardolo_icon)
fi
cmake --build "$build" --target "${targets[@]}" -j"$(nproc)"
cmake --install "$build" --prefix "$prefix"

# Menus and icon themes pick the new files up at once where their caches are kept.
if command -v update-desktop-database >/dev/null; then
    update-desktop-database -q "$prefix/share/applications" || true
fi
if command -v gtk-update-icon-cache >/dev/null && [ -f "$prefix/share/icons/hicolor/index.theme" ]; then
    gtk-update-icon-cache -q -t "$prefix/share/icons/hicolor" || true
fi
case ":${PATH}:" in
    *":$prefix/bin:"*) ;;
    *) echo "Note: $prefix/bin is not on PATH; start Cardolo as $prefix/bin/cardolo or from the menu." ;;
esac
echo "Cardolo is installed in $prefix (man page: man cardolo)."
