#!/usr/bin/env bash
# Installs what is missing, builds, generates a sample version-5
# installation in a fresh prefix, runs the converter on it and shows what
# came out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
echo "The sample installation is not generated yet." >&2
