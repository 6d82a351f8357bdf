#!/usr/bin/env bash
# What a UTF-8 index set costs against a Windows-1252 one on the same pages:
# the cppreference pages (Debian's cppreference-doc-en-html) indexed both ways
# by the same tarvo-index, the two runs taken in turn, and the same queries
# asked of tarvocgi on both sets, whole processes started one after another
# (bench/ExecTimer) with the two sets taken in turn. Prints the median wall
# time and peak memory of indexing, and the median and 90th percentile per
# request, each with its UTF-8/Windows-1252 ratio (targets: indexing within
# 1.25, a query within 1.10).
#
# Usage: bench/codepage-compare.sh [--rounds N] [--runs N] BUILD_DIR
#   BUILD_DIR   release build holding bin/tarvo-index, bin/tarvocgi and bench/ExecTimer
#   --rounds N  indexing runs per code page (default 3)
#   --runs N    timed requests per query and set (default 300)
set -euo pipefail
rounds=3 runs=300
while [ $# -gt 1 ]; do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    *) break ;;
  esac
done
if [ $# -ne 1 ]; then sed -n '2,/^set -euo/p' "$0" | sed '$d' >&2; exit 2; fi
build="$(realpath "$1")"
html=/usr/share/cppreference/doc/html
[ -d "$html" ] || { echo "cppreference-doc-en-html is not installed (apt-get install cppreference-doc-en-html)" >&2; exit 2; }
queries=("template" "template+AND+class" "alloc%2A" "vector" "std%3A%3Asort")

work="$(mktemp -d /tmp/tarvo-codepage.XXXXXX)"
trap 'rm -rf "$work"' EXIT
# One line per folder that holds pages, the pattern picking them, CR LF ends.
find "$html" -name '*.html' -printf '%h\n' | LC_ALL=C sort -u | sed 's|$|/*.html\r|' > "$work/filelist.txt"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for page in windows-1252 utf-8; do mkdir -p "$work/$page"; : > "$work/$page.times"; done
for round in $(seq "$rounds"); do
  for page in windows-1252 utf-8; do
    rm -f "$work/$page"/DataBase.*
    /usr/bin/time -f '%e %M' -o "$work/time" "$build/bin/tarvo-index" --filelist "$work/filelist.txt" \
      --database "$work/$page/DataBase" --codepage "$page" > /dev/null
    cat "$work/time" >> "$work/$page.times"
  done
done

echo "### Indexing cppreference ($(wc -l < "$work/filelist.txt") folders), median of $rounds runs"
echo
echo "| Code page | Wall s | Peak RSS KB | Dictionary words | Index KB |"
echo "|---|---|---|---|---|"
for page in windows-1252 utf-8; do
  wall=$(cut -d' ' -f1 "$work/$page.times" | median)
  rss=$(cut -d' ' -f2 "$work/$page.times" | median)
  words=$(( $(stat -c %s "$work/$page/DataBase.dct") / 32 ))
  kb=$(du -ck "$work/$page"/DataBase.* | tail -1 | cut -f1)
  echo "| $page | $wall | $rss | $words | $kb |"
  eval "wall_${page//-/_}=$wall"
done
echo
echo "UTF-8 / Windows-1252 indexing wall time: $(awk -v a="$wall_utf_8" -v b="$wall_windows_1252" 'BEGIN { printf "%.3f", a / b }')"
echo

# tarvocgi takes volumeName from its own folder: each set goes beside a copy.
for page in windows-1252 utf-8; do cp "$build/bin/tarvocgi" "$work/$page/tarvocgi"; done
job() {  # name program query-string
  printf 'job %s\nprogram %s\n' "$1" "$2"
  printf 'env %s\n' PATH=/usr/bin:/bin GATEWAY_INTERFACE=CGI/1.1 REQUEST_METHOD=GET SERVER_SOFTWARE=lighttpd \
    SERVER_PROTOCOL=HTTP/1.1 SCRIPT_NAME=/cgi-bin/tarvocgi "QUERY_STRING=$3"
}
for i in "${!queries[@]}"; do
  form="searchWords=${queries[$i]}&volumeName=DataBase&language=en&_charset_=UTF-8"
  job "w1252-$i" "$work/windows-1252/tarvocgi" "$form"
  job "utf8-$i" "$work/utf-8/tarvocgi" "$form"
done > "$work/jobs"
"$build/bench/ExecTimer" --runs "$runs" --warmup 5 "$work/jobs" > "$work/search-times"

echo "### Searching, $runs UTF-8 requests per query and set, taken in turn"
echo
echo "| Query | Windows-1252 set median / p90 ms | UTF-8 set median / p90 ms | UTF-8 / Windows-1252 |"
echo "|---|---|---|---|"
for i in "${!queries[@]}"; do
  read -r _ w1252 w1252p90 _ < <(grep "^w1252-$i	" "$work/search-times")
  read -r _ utf8 utf8p90 _ < <(grep "^utf8-$i	" "$work/search-times")
  ratio=$(awk -v a="$utf8" -v b="$w1252" 'BEGIN { printf "%.3f", a / b }')
  echo "| ${queries[$i]} | $w1252 / $w1252p90 | $utf8 / $utf8p90 | $ratio |"
done
