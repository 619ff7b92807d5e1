#!/bin/bash
# Sets up, builds and runs the benchmarks; prints the table in the README.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# The peer the processor rows compare with: Debian's own browser.
if ! command -v chromium >/dev/null 2>&1; then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends chromium
fi
scripts/build.sh OFF
if [[ -z ${DISPLAY:-} ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bench/run.sh
fi
exec bench/run.sh
