#!/bin/bash
# Builds the Debian package build-package/apostilas_<version>_<arch>.deb (the
# "package" preset: installed under /usr, Debian's hardening flags), after
# installing what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Debian's own compiler and linker flags (fortify, stack protector, relro,
# bind now), as its packages are built with.
CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $CPPFLAGS"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS
cmake --preset package >/dev/null
cmake --build --preset package
rm -f build-package/apostilas_*.deb
(cd build-package && cpack -G DEB >/dev/null)
ls build-package/apostilas_*.deb
