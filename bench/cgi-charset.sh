#!/usr/bin/env bash
# The cost of answering in UTF-8: each query asked of tarvocgi as a
# Windows-1252 request and as the same request with "_charset_=UTF-8", whole
# processes started one after another (bench/ExecTimer) with the two taken in
# turn, so that the machine's changing load weighs on both alike. Prints the
# median and 90th percentile per request and the UTF-8/Windows-1252 ratio.
#
# Usage: bench/cgi-charset.sh [--runs N] BUILD_DIR INDEX_BASE
#   BUILD_DIR   release build holding bin/tarvocgi and bench/ExecTimer
#   INDEX_BASE  an index file set's base path, e.g. /tmp/tarvo-peers/cppref/tarvo/DataBase
#   --runs N    timed requests per query and kind (default 300)
set -euo pipefail
runs=300
if [ "${1:-}" = --runs ]; then runs="$2"; shift 2; fi
if [ $# -ne 2 ]; then sed -n '2,/^set -euo/p' "$0" | sed '$d' >&2; exit 2; fi
build="$(realpath "$1")" base="$(realpath "$2")"
queries=("template+AND+class" "vector" "iter%2A" "std%3A%3Asort")

work="$(mktemp -d /tmp/tarvo-charset.XXXXXX)"
trap 'rm -rf "$work"' EXIT
# tarvocgi takes volumeName from its own folder: the set goes beside a copy.
cp "$build/bin/tarvocgi" "$work/tarvocgi"
for file in "$base".*; do ln -s "$file" "$work/DataBase.${file##*.}"; done

job() {  # name query-string
  printf 'job %s\nprogram %s\n' "$1" "$work/tarvocgi"
  printf 'env %s\n' PATH=/usr/bin:/bin GATEWAY_INTERFACE=CGI/1.1 REQUEST_METHOD=GET SERVER_SOFTWARE=lighttpd \
    SERVER_PROTOCOL=HTTP/1.1 SCRIPT_NAME=/cgi-bin/tarvocgi "QUERY_STRING=$2"
}
for i in "${!queries[@]}"; do
  form="searchWords=${queries[$i]}&volumeName=DataBase&language=en"
  job "w1252-$i" "$form"
  job "utf8-$i" "$form&_charset_=UTF-8"
done >"$work/jobs"
"$build/bench/ExecTimer" --runs "$runs" --warmup 5 "$work/jobs" >"$work/times"

echo "| Query | Windows-1252 median / p90 ms | UTF-8 median / p90 ms | UTF-8 / Windows-1252 |"
echo "|---|---|---|---|"
for i in "${!queries[@]}"; do
  read -r _ w1252 w1252p90 _ < <(grep "^w1252-$i	" "$work/times")
  read -r _ utf8 utf8p90 _ < <(grep "^utf8-$i	" "$work/times")
  ratio=$(awk -v a="$utf8" -v b="$w1252" 'BEGIN { printf "%.3f", a / b }')
  echo "| ${queries[$i]} | $w1252 / $w1252p90 | $utf8 / $utf8p90 | $ratio |"
done
