#!/usr/bin/env bash
# Installs what the tests need, builds the dev preset and runs the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh --tests
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/varnel-ccache}" CCACHE_BASEDIR="$PWD"
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev --output-on-failure -j2 "$@"
