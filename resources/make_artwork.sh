#!/usr/bin/env bash
# Redraws card.png, title.png, icon.png and windows/icon.ico in this folder.
set -euo pipefail
HERE="$(cd "$(dirname "$0")" && pwd)"
BUILD="${1:-$HERE/../build/artwork}"
cmake -S "$HERE/artwork" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" --target make_artwork
"$BUILD/make_artwork" "$HERE"
