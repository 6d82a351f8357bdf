#!/usr/bin/env bash
# Indexing benchmarks: (a) the HTML of Debian's cppreference-doc-en-html
# package, (b) a generated corpus at the format's limit (65,535 documents,
# about 500 MB, 400,000 distinct words), generated into /tmp.
# Usage: bench/index-corpora.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
ninja -C "$build" IndexingRunBench MakeZipfCorpus tarvo-index >/dev/null

html=/usr/share/cppreference/doc/html
if [ -d "$html" ]; then
  work=/tmp/tarvo-bench-cppreference
  rm -rf "$work"; mkdir -p "$work"
  # One line per folder that holds pages; the pattern picks the pages. File
  # list lines end in CR LF (a lone LF is no line break for the indexer).
  find "$html" -name '*.html' -printf '%h\n' | sort -u | sed 's|$|/*.html\r|' > "$work/filelist.txt"
  echo "== cppreference-doc-en-html: $(find "$html" -name '*.html' | wc -l) pages, $(du -sm "$html" | cut -f1) MB =="
  "$build/bench/IndexingRunBench" "$work/filelist.txt" "$work/DataBase"
else
  echo "cppreference-doc-en-html is not installed (apt-get install cppreference-doc-en-html); skipped"
fi

zipf=/tmp/tarvo-bench-zipf
if [ ! -f "$zipf/filelist.txt" ]; then
  rm -rf "$zipf"; mkdir -p "$zipf/docs"
  "$build/bench/MakeZipfCorpus" "$zipf"
fi
echo "== generated corpus: $(ls "$zipf/docs" | wc -l) documents, $(du -sm "$zipf/docs" | cut -f1) MB =="
"$build/bench/IndexingRunBench" "$zipf/filelist.txt" "$zipf/DataBase"
