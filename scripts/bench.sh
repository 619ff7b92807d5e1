#!/bin/bash
# Sets up, builds and runs the benchmarks; prints the table in the README.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh OFF
if [[ -z ${DISPLAY:-} ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bench/run.sh
fi
exec bench/run.sh
