#!/usr/bin/env bash
# The main job on the bundled sample site: builds the programs, indexes the
# site of samples/ with tarvo-index (its project samples/sample.tarvo) into
# build/sample/, shows the summary and the files written, and answers a
# sample query through tarvocgi as a web server would run it, then shows the
# word entries and table-of-contents line the scanner makes of one page.
# Then the same for the UTF-8 set of pages in six more scripts
# (samples/world.tarvo) and the Windows-1250 set of Central European pages
# (samples/central.tarvo), asked in UTF-8 as the bundled search page asks.
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

echo
echo "== A search through tarvocgi: \"library AND read*\" =="
# tarvocgi finds its index relative to its own folder, so a copy sits beside it.
cp build/bin/tarvocgi "$out/tarvocgi"
bash scripts/query.sh "$out/tarvocgi" DataBase "library AND read*"

echo
echo "== Indexing pages in six more scripts into a UTF-8 set (samples/world.tarvo) =="
build/bin/tarvo-index samples/world.tarvo --database "$PWD/$out/WorldBase" --quiet
echo "$out/WorldBase.cpg: $(tr -d '\r' < "$out/WorldBase.cpg")"
for words in "βιβλιοθήκη" "библиотека" "図書館" "kütüphane OR čtenářský"; do
  echo
  echo "== A search of the UTF-8 set: \"$words\" =="
  bash scripts/query.sh --utf8 "$out/tarvocgi" WorldBase "$words" | sed -n '/^--- results ---$/,$p'
done

echo
echo "== Indexing Central European pages into a Windows-1250 set (samples/central.tarvo) =="
build/bin/tarvo-index samples/central.tarvo --database "$PWD/$out/CentralBase" --quiet
echo "$out/CentralBase.cpg: $(tr -d '\r' < "$out/CentralBase.cpg")"
echo
echo "== A search of the Windows-1250 set, the page in Windows-1250: \"čítárna\" =="
bash scripts/query.sh "$out/tarvocgi" CentralBase "čítárna" sl

echo
echo "== What the scanner makes of one page: samples/site/welcome.htm =="
build/bin/tarvo-scan samples/site/welcome.htm --number 1
echo
echo "Serve the site with its search page: bash scripts/serve.sh"
