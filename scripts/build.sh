#!/bin/bash
# Configures and builds the menu, its tools and benchmarks into build/, with
# the tests (the "dev" preset, the default) or without them ("run").
set -euo pipefail
cd "$(dirname "$0")/.."
preset=dev
[[ ${1:-ON} == OFF ]] && preset=run
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
