#!/usr/bin/env bash
# Side by side with the open-source site-search engines of Debian: tarvo-index
# and tarvocgi against swish-e, omindex/omega and htdig/htsearch, on the same
# corpus in one run with the programs taken in turn.
#   indexing: every .html page of cppreference-doc-en-html, median wall time
#             of ROUNDS runs, peak RSS (GNU time), index size, documents;
#             floor: cat of all pages to /dev/null
#   searching: whole processes started one after another (bench/ExecTimer),
#             median and 90th percentile per request, hit counts; floor:
#             /bin/true
#   --zipf:   indexing of the generated 65,535-document corpus as well
#             (bench/MakeZipfCorpus; peers stopped after ZIPF_TIMEOUT)
# Writes Markdown tables to BUILD_DIR/bench/compare-peers.md and prints them.
#
# Usage: bench/compare-peers.sh [options] [BUILD_DIR]
#   BUILD_DIR            release build to measure (default build; built with
#                        scripts/build.sh release when it has no tarvo-index)
#   --rounds N           indexing runs per program (default 3)
#   --runs N             timed requests per query and program (default 100)
#   --zipf               also index the generated corpus (adds 15-45 minutes)
#   --zipf-rounds N      indexing runs per program there (default 3)
#   --zipf-timeout SECS  a peer's limit per run there (default 600)
#   --zipf-corpus DIR    where the generated corpus is or goes (default
#                        /tmp/tarvo-bench-zipf, shared with index-corpora.sh)
#   --work DIR           work folder (default /tmp/tarvo-peers, emptied first)
#   --output FILE        Markdown file (default BUILD_DIR/bench/compare-peers.md)
#   --no-install         do not install missing packages
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$(pwd)"
source "$repo/bench/lib/peers.sh"

build=build rounds=3 runs=100 zipf=0 zipf_rounds=3 zipf_timeout=600 zipf_corpus=/tmp/tarvo-bench-zipf
work=/tmp/tarvo-peers output="" install=1
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --zipf) zipf=1; shift ;;
    --zipf-rounds) zipf_rounds="$2"; shift 2 ;;
    --zipf-timeout) zipf_timeout="$2"; shift 2 ;;
    --zipf-corpus) zipf_corpus="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --output) output="$2"; shift 2 ;;
    --no-install) install=0; shift ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d' >&2; exit 0 ;;
    -*) echo "unknown option $1 (see --help)" >&2; exit 2 ;;
    *) build="$1"; shift ;;
  esac
done
case "$build" in /*) ;; *) build="$repo/$build" ;; esac
output="${output:-$build/bench/compare-peers.md}"
peers="$repo/bench/peers"
programs=(tarvo swish omega htdig)
declare -A label=([tarvo]="tarvo-index" [swish]="swish-e" [omega]="omindex" [htdig]="htdig + htpurge" [cat]="cat (reading the pages)")

# --- 1. packages and the build -------------------------------------------------
install_and_build "$peers/packages.txt"
# Only the benchmark's helpers are built here: the programs are measured as
# the build holds them.
ninja -C "$build" ExecTimer MakeZipfCorpus >/dev/null

rm -rf "$work"
mkdir -p "$work/logs" "$(dirname "$output")"
results="$work/results.tsv"   # corpus, program, round, wall ms, peak KB, size KB, documents
: > "$results"
commands="$work/commands.txt"
: > "$commands"
load_before="$(cut -d' ' -f1-3 /proc/loadavg)"

# --- helpers ---------------------------------------------------------------------
# (the shared ones are in bench/lib/peers.sh)
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else print v[int((NR + 1) / 2)] }'; }

# --- 2. indexing -----------------------------------------------------------------
# index_corpus CORPUS_NAME FOLDER EXTENSION ROUNDS LIMIT: the programs in turn,
# round after round; a program stopped by the limit is not run again.
index_corpus() {
  local name="$1" folder="$2" ext="$3" count="$4" limit="$5" round program
  prepare "$name" "$folder" "$ext"
  log "$name: warm-up read of $(wc -l < "$work/$name/pages.txt") pages"
  xargs -d '\n' cat < "$work/$name/pages.txt" > /dev/null
  declare -A stopped=()
  for round in $(seq 1 "$count"); do
    for program in cat "${programs[@]}"; do
      [ -n "${stopped[$program]:-}" ] && continue
      index_once "$name" "$folder" "$program" "$round" "$limit"
      if tail -1 "$results" | cut -f4 | grep -qx timeout; then stopped[$program]=1; fi
    done
  done
}

# Median of one column over a program's finished rounds.
figure() {  # CORPUS PROGRAM COLUMN
  awk -F'\t' -v c="$1" -v p="$2" -v k="$3" '$1 == c && $2 == p && $4 ~ /^[0-9]+$/ { print $k }' "$results" | median
}
finished_rounds() { awk -F'\t' -v c="$1" -v p="$2" '$1 == c && $2 == p && $4 ~ /^[0-9]+$/' "$results" | wc -l; }
outcome() { awk -F'\t' -v c="$1" -v p="$2" '$1 == c && $2 == p { print $4 }' "$results" | grep -v '^[0-9]' | head -1; }

limit_text() { if [ $(( $1 % 60 )) = 0 ]; then echo "$(( $1 / 60 )) min"; else echo "$1 s"; fi; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b + 0 == 0) print "-"; else printf "%.2f", a / b }'; }

# The indexing table of one corpus.
indexing_table() {
  local name="$1" p wall kb size docs note t_wall t_kb t_size
  t_wall=$(figure "$name" tarvo 4); t_kb=$(figure "$name" tarvo 5); t_size=$(figure "$name" tarvo 6)
  echo "| Program | Documents | Wall (median) | Peak RSS | Index size | TARVO/peer wall | TARVO/peer peak | TARVO/peer size |"
  echo "|---|---|---|---|---|---|---|---|"
  for p in "${programs[@]}" cat; do
    if [ "$(finished_rounds "$name" "$p")" = 0 ]; then
      note="$(outcome "$name" "$p")"
      [ "$note" = timeout ] && note="not finished in $(limit_text "$zipf_timeout")"
      echo "| ${label[$p]} | - | ${note:-not run} | - | - | - | - | - |"
      continue
    fi
    wall=$(figure "$name" "$p" 4); kb=$(figure "$name" "$p" 5); size=$(figure "$name" "$p" 6); docs=$(figure "$name" "$p" 7)
    if [ "$p" = cat ]; then
      printf '| %s | %s | %.2f s | - | - | %s | - | - |\n' "${label[$p]}" "$docs" "$(ratio "$wall" 1000)" "$(ratio "$t_wall" "$wall")"
    elif [ "$p" = tarvo ]; then
      printf '| %s | %s | %.2f s | %.1f MB | %.1f MB | 1 | 1 | 1 |\n' "${label[$p]}" "$docs" \
        "$(ratio "$wall" 1000)" "$(ratio "$kb" 1024)" "$(ratio "$size" 1024)"
    else
      printf '| %s | %s | %.2f s | %.1f MB | %.1f MB | %s | %s | %s |\n' "${label[$p]}" "$docs" \
        "$(ratio "$wall" 1000)" "$(ratio "$kb" 1024)" "$(ratio "$size" 1024)" \
        "$(ratio "$t_wall" "$wall")" "$(ratio "$t_kb" "$kb")" "$(ratio "$t_size" "$size")"
    fi
  done
  echo
  echo "Rounds finished: $(for p in "${programs[@]}" cat; do printf '%s %s; ' "${label[$p]}" "$(finished_rounds "$name" "$p")"; done | sed 's/; $//')."
}

# --- 3. searching ----------------------------------------------------------------
# The job file of one query: the floor and the four search programs.
search_jobs() {
  local q="$1" n="$2" base="$work/cppref" words method hwords
  words=$(url_words "$q")
  # htsearch: its boolean method for the operator words, plain "and" otherwise.
  case "$q" in *" AND "*|*" OR "*|*" NOT "*) method=boolean ;; *) method=and ;; esac
  hwords=$(url_words "$(lower "$q")")
  cat <<EOF
job true
program /bin/true
job tarvo
program $base/tarvo/tarvocgi
$(cgi_env "SCRIPT_NAME=/cgi-bin/tarvocgi" "QUERY_STRING=searchWords=$words&volumeName=DataBase&language=en")
keep $work/search/$n.tarvo.page
job swish
program /usr/bin/swish-e
env PATH=/usr/bin:/bin
arg -w
arg $q
arg -f
arg $base/swish/index.swish-e
keep $work/search/$n.swish.page
job omega
program /usr/lib/cgi-bin/omega/omega
$(cgi_env "SCRIPT_NAME=/cgi-bin/omega" "OMEGA_CONFIG_FILE=$base/omega/omega.conf" "QUERY_STRING=DB=db&FMT=bench&P=$words")
keep $work/search/$n.omega.page
job htdig
program /usr/lib/cgi-bin/htsearch
$(cgi_env "SCRIPT_NAME=/cgi-bin/htsearch" "CONFIG_DIR=$base/htdig/conf" "QUERY_STRING=config=bench&method=$method&words=$hwords")
keep $work/search/$n.htdig.page
EOF
}

search_all() {
  local i q p
  mkdir -p "$work/search"
  cp "$build/bin/tarvocgi" "$work/cppref/tarvo/tarvocgi"
  : > "$work/search.tsv"   # query number, program, median, p90, failed, found, listed
  for i in "${!queries[@]}"; do
    q="${queries[$i]}"
    search_jobs "$q" "$i" > "$work/search/$i.jobs"
    log "searching \"$q\": $runs requests per program"
    "$build/bench/ExecTimer" --runs "$runs" --warmup 5 "$work/search/$i.jobs" > "$work/search/$i.times"
    while IFS=$'\t' read -r p med p90 failed; do
      local counts="- -"
      if [ "$p" != true ]; then counts=$(hits_of "$p" "$work/search/$i.$p.page" || echo "0 0"); fi
      [ "$p" = omega ] && counts="$(omega_exact "$q") ${counts#* }"
      printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$i" "$p" "$med" "$p90" "$failed" "${counts// /$'\t'}" >> "$work/search.tsv"
    done < "$work/search/$i.times"
  done
}

search_cell() {  # QUERY_NUMBER PROGRAM
  awk -F'\t' -v i="$1" -v p="$2" '$1 == i && $2 == p {
    cell = sprintf("%.2f / %.2f ms", $3, $4)
    if (p != "true") {
      hits = ($6 == 0) ? "**0 hits**" : $6 " hits"
      cell = cell sprintf(" (%s, %d listed)", hits, $7)
    }
    if ($5 > 0) cell = cell sprintf(", %d runs failed", $5)
    print cell }' "$work/search.tsv"
}
search_median() { awk -F'\t' -v i="$1" -v p="$2" '$1 == i && $2 == p { print $3 }' "$work/search.tsv"; }

search_table() {
  local i
  echo "Median / 90th percentile wall time per request (documents found, documents listed on the page):"
  echo
  echo "| Query | tarvocgi | swish-e -w | omega | htsearch |"
  echo "|---|---|---|---|---|"
  for i in "${!queries[@]}"; do
    echo "| \`${queries[$i]}\` | $(search_cell "$i" tarvo) | $(search_cell "$i" swish) | $(search_cell "$i" omega) | $(search_cell "$i" htdig) |"
  done
  echo "| floor: \`/bin/true\` | $(search_cell 0 true) | | | |"
  echo
  echo "Ratios of the medians, TARVO / peer (below 1: TARVO is faster):"
  echo
  echo "| Query | tarvocgi | TARVO/swish-e | TARVO/omega | TARVO/htsearch |"
  echo "|---|---|---|---|---|"
  for i in "${!queries[@]}"; do
    local t; t=$(search_median "$i" tarvo)
    printf '| `%s` | %.2f ms | %s | %s | %s |\n' "${queries[$i]}" "$t" "$(ratio "$t" "$(search_median "$i" swish)")" \
      "$(ratio "$t" "$(search_median "$i" omega)")" "$(ratio "$t" "$(search_median "$i" htdig)")"
  done
}

# --- the run -----------------------------------------------------------------------
started="$(date -u '+%Y-%m-%d %H:%M UTC')"
commit="$(git -C "$repo" rev-parse --short HEAD 2>/dev/null || echo '?')$(git -C "$repo" diff --quiet HEAD -- indexer search cgi platform 2>/dev/null || echo ', with uncommitted changes to the programs')"
log "indexing cppreference-doc-en-html, $rounds rounds"
index_corpus cppref "$html" html "$rounds" 3600
search_all
if [ "$zipf" = 1 ]; then
  if [ ! -f "$zipf_corpus/filelist.txt" ]; then
    log "generating the 65,535-document corpus in $zipf_corpus"
    rm -rf "$zipf_corpus"; mkdir -p "$zipf_corpus/docs"
    "$build/bench/MakeZipfCorpus" "$zipf_corpus" >&2
  fi
  log "indexing the generated corpus, $zipf_rounds rounds, peers limited to $zipf_timeout s"
  index_corpus zipf "$zipf_corpus/docs" htm "$zipf_rounds" "$zipf_timeout"
fi
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

corpus_mb() { tr '\n' '\0' < "$1" | du -cb --files0-from=- | tail -1 | awk '{ printf "%.0f", $1 / 1e6 }'; }
{
  echo "Date: $started. Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)," \
    "$(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo) memory, Linux $(uname -r)," \
    "Debian $(cat /etc/debian_version). Load average (1, 5, 15 min) $load_before at the start, $load_after at the end."
  echo "TARVO: release build \`$build\` (checkout at the start: commit $commit)." \
    "Peers: swish-e $(version swish-e), htdig $(version htdig), xapian-omega $(version xapian-omega) (libxapian30 $(version libxapian30)); corpus cppreference-doc-en-html $(version cppreference-doc-en-html)."
  echo
  echo "Command: \`bash bench/compare-peers.sh$( [ "$rounds" != 3 ] && printf ' --rounds %s' "$rounds")$( [ "$runs" != 100 ] && printf ' --runs %s' "$runs")$( [ "$zipf" = 1 ] && printf ' --zipf --zipf-rounds %s --zipf-timeout %s' "$zipf_rounds" "$zipf_timeout") ${build#"$repo"/}\`"
  echo
  echo "### Indexing cppreference-doc-en-html ($(wc -l < "$work/cppref/pages.txt") pages, $(corpus_mb "$work/cppref/pages.txt") MB of HTML)"
  echo
  echo "Median of $rounds runs, the programs taken in turn, page cache warm (one untimed read first). Peak RSS as GNU time reports it (mapped file pages included); index size: du of the files the program wrote."
  echo
  indexing_table cppref
  echo
  echo "### Searching (cppreference index, $runs requests per query and program, taken in turn)"
  echo
  search_table
  if [ "$zipf" = 1 ]; then
    echo
    echo "### Indexing the generated corpus ($(wc -l < "$work/zipf/pages.txt") documents, $(corpus_mb "$work/zipf/pages.txt") MB; bench/MakeZipfCorpus)"
    echo
    echo "Median of up to $zipf_rounds runs; a peer is stopped after $zipf_timeout s and not run again."
    echo
    indexing_table zipf
  fi
  echo
  echo "Commands (indexing; each from an empty index, under \`/usr/bin/time -v\`):"
  echo
  sed 's/^/    /' "$commands"
  echo
  echo "Searching: standard CGI processes with only these environment entries: PATH, GATEWAY_INTERFACE=CGI/1.1," \
    "REQUEST_METHOD=GET, SERVER_SOFTWARE=lighttpd, SERVER_PROTOCOL=HTTP/1.1, SCRIPT_NAME and QUERY_STRING:"
  echo
  echo "    tarvocgi (copied beside the index): QUERY_STRING=searchWords=template+AND+class&volumeName=DataBase&language=en"
  echo "    swish-e -w 'template AND class' -f $work/cppref/swish/index.swish-e"
  echo "    omega: OMEGA_CONFIG_FILE=$work/cppref/omega/omega.conf QUERY_STRING=DB=db&FMT=bench&P=template+AND+class"
  echo "    htsearch: CONFIG_DIR=$work/cppref/htdig/conf QUERY_STRING=config=bench&method=boolean&words=template+and+class"
  echo
  echo "Settings: bench/peers/ (swish-e.conf, omega.conf and omega-templates/, htdig.conf and htdig-templates/)."
} > "$output"
cat "$output"
log "written to $output"
