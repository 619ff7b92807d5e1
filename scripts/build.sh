#!/bin/bash
# Configures and builds the menu, its tools and (with BUILD_TESTING=ON, the
# default) its tests into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
testing=${1:-ON}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING="$testing" >/dev/null
cmake --build build
