#!/usr/bin/env bash
# The main job on the bundled sample site: builds the programs, then shows
# what the indexer makes of a sample document (its word entries and its
# table-of-contents line).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release
echo
echo "== Word entries and table-of-contents line of samples/site/welcome.htm =="
build/bin/tarvo-scan samples/site/welcome.htm
