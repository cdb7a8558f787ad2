#!/usr/bin/env bash
# Retakes the README's pictures of the windows (resources/screenshots/) from a
# real run against the emulated radio, on Qt's offscreen platform.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build/screenshots}"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRX_BUILD_TESTS=OFF -DRX_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" --target rx77nova-screenshots
"$BUILD/resources/rx77nova-screenshots" "$ROOT/resources/screenshots"
