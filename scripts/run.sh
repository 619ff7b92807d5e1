#!/bin/bash
# Sets up, builds and starts the menu on the demo content tree.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh OFF
cd build/demo
if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]]; then
    echo "No display: starting the menu under Xvfb" >&2
    exec xvfb-run -a -s "-screen 0 1280x1024x24" ../bin/apostilas
fi
exec ../bin/apostilas
