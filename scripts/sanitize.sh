#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ (or SANITIZE_BUILD_DIR) and runs every test there, the
# end-to-end tests included. Any sanitizer report fails the test it occurs in.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${SANITIZE_BUILD_DIR:-build-asan}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
BUILD_DIR="$build" scripts/build.sh -DVORLAKE_SANITIZE=ON
# The whole-run write-fault test repeats the conversion once per cut size;
# under the sanitizers that takes far longer than CI allows, and the normal
# build runs it in full.
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" -E WriteFaultE2eTest
