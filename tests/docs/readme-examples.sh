#!/usr/bin/env bash
# Checks documented facts against the programs: the README keeps its two
# opening commands, its "Indexing a site" example works as written on a
# machine where the database's folder does not exist yet (with the folder
# moved into a scratch folder and build/bin/ pointed at the tested build),
# and every link of the desktop program's help pages leads to a page that
# exists, every page being reachable from the contents.
# Usage: readme-examples.sh SOURCE_DIR BIN_DIR
set -euo pipefail
source_dir="$1" bin="$2"
readme="$source_dir/README.md"
help="$source_dir/indexer/app/Help"
failures=0 passes=0
pass() { passes=$((passes + 1)); echo "ok: $1"; }
fail() { failures=$((failures + 1)); echo "FAILED: $1"; }

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# ---- The opening commands -------------------------------------------------
expected_top='# TARVO

```sh
bash scripts/demo.sh    # set up, build, index the bundled sample site and answer a query through tarvocgi
bash scripts/test.sh    # set up, build (also with ASan + UBSan) and run every test
```'
if [ "$(head -n 6 "$readme")" = "$expected_top" ]; then
  pass "the README opens with the demo and test commands"
else
  fail "the README's first six lines changed"
fi

# ---- "Indexing a site" ------------------------------------------------------
# The first fenced block after the heading, up to its closing fence.
example="$(awk '/^## Indexing a site$/ { found = 1; next }
  found && /^```/ { if (inside) exit; inside = 1; next }
  inside { print }' "$readme")"
runnable="$(printf '%s\n' "$example" | grep -v 'site/files.txt' |
  sed -e "s|/tmp/sample|$scratch/sample|g" -e "s|build/bin/|$bin/|g")"
if ! printf '%s\n' "$runnable" | grep -q 'mkdir -p'; then
  fail "the indexing example makes the database's folder first"
fi
if (cd "$source_dir" && bash -e <<<"$runnable") >"$scratch/example.out" 2>&1; then
  pass "the README's indexing example runs as written"
else
  fail "the README's indexing example failed:"
  cat "$scratch/example.out"
fi
for extension in toc dct ndx hsh; do
  [ -s "$scratch/sample/DataBase.$extension" ] || fail "the example wrote no DataBase.$extension"
done
if [ -d "$scratch/sample" ] && cp "$bin/tarvocgi" "$scratch/sample/tarvocgi" &&
    bash "$source_dir/scripts/query.sh" "$scratch/sample/tarvocgi" DataBase "library" |
    grep -q '^[1-9][0-9]* document(s) found$'; then
  pass "the example's index answers a query"
else
  fail "the example's index found nothing for \"library\""
fi

# ---- The help pages ----------------------------------------------------------
broken=""
for page in "$help"/*.HTM; do
  for target in $(grep -o -i '<A [^>]*HREF="[^"#]*' "$page" | sed 's/^.*HREF="//I' | grep -v -i '^[a-z]*:'); do
    [ -f "$help/$target" ] || broken="$broken $(basename "$page")->$target"
  done
done
if [ -z "$broken" ]; then pass "every help link leads to a page"; else fail "broken help links:$broken"; fi
missing=""
for page in "$help"/*.HTM; do
  name="$(basename "$page")"
  case "$name" in TARVO.HTM|CONTENTS.HTM) continue ;; esac
  grep -q "HREF=\"$name\"" "$help/CONTENTS.HTM" || missing="$missing $name"
done
if [ -z "$missing" ]; then pass "every help page is listed in the contents"; else fail "not in the contents:$missing"; fi

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
