#!/bin/bash
# Sets up, builds and runs every test (GUI tests under Xvfb, on the real
# Flash engine and real processes), the catalog reader's fuzzer for a
# bounded time, then builds the Debian package and checks it (lintian,
# desktop entries, metadata, the unpacked menu on a content tree).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh ON
xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir build --output-on-failure --timeout 600
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
scripts/package.sh
scripts/check-package.sh
