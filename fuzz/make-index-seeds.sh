#!/usr/bin/env bash
# Writes the seed inputs of fuzz_index_set: the bundled sample site indexed by
# tarvo-index, packed in the target's input layout (query, ".ext", ".toc",
# ".ndx", ".dct", ".hsh", each part ended by "@@@@"), whole and damaged.
# Usage: fuzz/make-index-seeds.sh PATH/TO/tarvo-index
set -euo pipefail
indexer="$(realpath "${1:?usage: $0 PATH/TO/tarvo-index}")"
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/corpus/fuzz_index_set"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$here/../samples/." "$work/"
(cd "$work" && "$indexer" sample.tarvo >/dev/null)
db="$work/DataBase"
# A dictionary of one block has no ".ext": its part stays empty.
[ -e "$db.ext" ] || : > "$db.ext"

# pack QUERY EXT TOC NDX DCT HSH: each argument a file (or "-" for a missing one).
pack() {
  local query="$1"; shift
  printf '%s' "$query"
  local part
  for part in "$@"; do
    [ "$part" = "-" ] && return
    printf '@@@@'
    cat "$part"
  done
}

mkdir -p "$out"
pack 'library' "$db.ext" "$db.toc" "$db.ndx" "$db.dct" "$db.hsh" > "$out/whole-set"
pack 'lib* or books not story' "$db.ext" "$db.toc" "$db.ndx" "$db.dct" "$db.hsh" > "$out/whole-set-wildcards"
head -c 40 "$db.dct" > "$work/short.dct"
head -c 9 "$db.ndx" > "$work/short.ndx"
head -c 500 "$db.toc" > "$work/short.toc"
head -c 2000 "$db.hsh" > "$work/short.hsh"
pack 'books and catalog' "$db.ext" "$work/short.toc" "$work/short.ndx" "$db.dct" "$db.hsh" > "$out/short-toc-and-postings"
pack 'zebra or books' "$db.ext" "$db.toc" "$db.ndx" "$work/short.dct" "$work/short.hsh" > "$out/short-dictionary-and-hash"
pack 'books' "$db.ext" "$db.toc" "$db.ndx" > "$out/missing-dictionary"
printf '\x05ABCDEFGHI' > "$work/five-blocks.ext"
pack 'story*' "$work/five-blocks.ext" "$db.toc" "$db.ndx" "$db.dct" "$db.hsh" > "$out/block-letters"
ls -l "$out"
