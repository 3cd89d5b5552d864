#!/usr/bin/env bash
# Installs what is missing (Debian), cross-builds the Windows programs and
# tests, and runs the tests under Wine (32-bit programs in a 64-bit prefix
# inside the build folder, as WoW64 runs them on 64-bit Windows); then
# converts generated installations with the Linux and the Windows build and
# compares the results (tests/wine/compare_builds.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build-windows}"
scripts/install-windows-deps.sh
BUILD_DIR="$build" scripts/build-windows.sh
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
# The comparison needs the Linux build's tools (sqlite3, olefile) and the
# zh_CN locale's sources (Wine's code page 936).
scripts/install-deps.sh locales
tests/wine/compare_builds.sh "$build"
