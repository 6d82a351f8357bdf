#!/usr/bin/env bash
# Builds the Debian package build/tarvo_<version>_amd64.deb with CPack from the
# release build in build/ (built first), and prints its path.
#   sudo apt-get install ./build/tarvo_*.deb    installs it
#   sudo apt-get remove tarvo                   removes it (purge: also the
#                                               index sets and the log)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release
(cd build && cpack -G DEB --config CPackConfig.cmake >/dev/null)
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/CPackConfig.cmake)"
echo "build/tarvo_${version}_$(dpkg --print-architecture).deb"
