#!/usr/bin/env bash
# The main job on the bundled sample site: builds the programs, indexes the
# site of samples/ with tarvo-index (its project samples/sample.tarvo) into
# build/sample/, and shows the summary and the files written.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release
out=build/sample
mkdir -p "$out"
echo
echo "== Indexing the sample site (samples/filelist.txt) =="
build/bin/tarvo-index samples/sample.tarvo --database "$PWD/$out/DataBase"
echo
ls -l "$out"
echo
echo "== First words of the word dump $out/DataBase.lst (documents : word) =="
head -n 12 "$out/DataBase.lst"
