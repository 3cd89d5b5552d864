#!/usr/bin/env bash
# Installs what is missing (Debian), cross-builds the Windows programs and
# tests, and runs the tests under Wine (32-bit programs in a 64-bit prefix
# inside the build folder, as WoW64 runs them on 64-bit Windows).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build-windows}"
scripts/install-windows-deps.sh
BUILD_DIR="$build" scripts/build-windows.sh
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
