#!/usr/bin/env bash
# Runs one group of the web tests with Node's test runner.
# Usage: run.sh BIN_DIR WORK_DIR TEST_FILE...
#   BIN_DIR   folder of tarvocgi and tarvo-index (build/bin)
#   WORK_DIR  folder of the build tree for the tests' npm packages
# The browser test's playwright-core is installed from package-lock.json into
# WORK_DIR (never into the source tree); no browser is downloaded, the tests
# use Debian's /usr/bin/chromium.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin_dir="$1"
work_dir="$2"
shift 2

needs_browser=0
for file in "$@"; do
  case "$file" in *browser*) needs_browser=1 ;; esac
done

if [ "$needs_browser" -eq 1 ]; then
  node_dir="$work_dir/web-node"
  mkdir -p "$node_dir"
  if ! cmp -s "$here/package-lock.json" "$node_dir/package-lock.json" ||
     [ ! -d "$node_dir/node_modules/playwright-core" ]; then
    cp "$here/package.json" "$here/package-lock.json" "$node_dir/"
    (cd "$node_dir" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 timeout 300 \
      npm ci --no-audit --no-fund --ignore-scripts --loglevel=error)
  fi
  export TARVO_WEB_NODE_MODULES="$node_dir"
fi

export TARVO_BIN_DIR="$bin_dir"
# The browser test's screenshots go into the build tree.
export TARVO_WEB_SCREENSHOT_DIR="$work_dir/web-screenshots"
cd "$here"
# One test file at a time (the servers and the browser are heavy); Node.js
# releases before 20.10 do not know the option and run with their default.
concurrency=(--test-concurrency=1)
node -e 'const [a,b]=process.versions.node.split(".").map(Number); process.exit(a>20||(a===20&&b>=10)?0:1)' ||
  concurrency=()
exec timeout --kill-after=10 280 node --test "${concurrency[@]}" "$@"
