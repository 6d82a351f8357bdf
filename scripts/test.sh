#!/usr/bin/env bash
# Installs what the build and the tests need, builds the programs normally and
# with AddressSanitizer + UndefinedBehaviorSanitizer, and runs every test in
# both builds, and the fuzz targets' regression run between them. Ends with
# CTest's summary of the sanitizer run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release
bash scripts/build.sh asan

status=0
echo "== Tests (release build) =="
ctest --test-dir build --output-on-failure -j2 || status=1
# The fuzz targets over their seeds and regression inputs (clang build in
# build-fuzz/, about two minutes with its build).
bash fuzz/regress.sh || status=1
echo "== Tests (AddressSanitizer + UndefinedBehaviorSanitizer build) =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j2 || status=1
exit $status
