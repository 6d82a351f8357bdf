#!/usr/bin/env bash
# The manual pages render with man without a warning. Usage: man-pages-test.sh SOURCE_DIR
# Fails at once when man is missing.
set -euo pipefail
source_dir="$1"
command -v man >/dev/null 2>&1 || { echo "FAILED: man is not installed (bash scripts/install-deps.sh installs it)"; exit 1; }
status=0
for page in "$source_dir"/man/*.[18]; do
  warnings="$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
  if [ -n "$warnings" ]; then
    echo "FAIL: $page renders with warnings:"; echo "$warnings"; status=1
  elif ! MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null | grep -q '^NAME'; then
    echo "FAIL: $page shows no NAME section"; status=1
  else
    echo "ok: $(basename "$page")"
  fi
done
exit $status
