#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts the application.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/varnel-ccache}" CCACHE_BASEDIR="$PWD"
cmake --preset release >/dev/null
cmake --build --preset release --target varnel
exec ./build/release/varnel
