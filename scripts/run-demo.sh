#!/usr/bin/env bash
# Installs what the runtime needs, builds it and starts it on the demo application.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
cmake --build "$BUILD_DIR" --target OrvalisRuntime demo_app demo_data
exec "$BUILD_DIR/src/shell/OrvalisRuntime" "$BUILD_DIR/examples/Demo.res" "$@"
