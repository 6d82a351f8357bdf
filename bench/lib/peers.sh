# Shared by the side-by-side benchmarks (compare-peers.sh, fastcgi-peers.sh),
# sourced by them: building, the cppreference corpus and its indexes, the
# peers' requests and reading hit counts off their pages.
# The functions read the caller's settings: repo (the checkout), build (the
# release build), work (the work folder), peers (bench/peers), install
# (1: install missing packages), results and commands (the indexing runs'
# result lines and the commands noted).

# The corpus (Debian's cppreference-doc-en-html) and the queries asked of every program.
html=/usr/share/cppreference/doc/html
queries=("template" "template AND class" "template OR class" "template NOT class" "class NOT template" "alloc*")

log() { echo "[$(date -u +%H:%M:%S)] $*" >&2; }

# install_and_build [LIST...]: the Debian packages of scripts/packages.txt and
# of each LIST (unless --no-install); then the release build of tarvo-index
# and tarvocgi when $build has none.
install_and_build() {
  if [ "$install" = 1 ]; then
    bash scripts/install-deps.sh "$@" >&2
  fi
  if [ ! -x "$build/bin/tarvo-index" ] || [ ! -x "$build/bin/tarvocgi" ]; then
    if [ "$build" = "$repo/build" ]; then
      log "building the release build (scripts/build.sh release)"
      bash scripts/build.sh release >&2
    else
      log "building tarvo-index and tarvocgi in $build"
      cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_SANITIZE=OFF >/dev/null
      ninja -C "$build" tarvo-index tarvocgi >&2
    fi
  fi
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Runs a command under GNU time with a time limit; sets run_ms and run_kb
# (peak RSS) and returns 124 when the limit ended it. GNU time reports the
# largest process of the tree, so the small timeout process does not count.
timed() {
  local limit="$1" timelog="$2"; shift 2
  local start status=0
  start=$(now_ms)
  /usr/bin/time -v -o "$timelog" timeout "$limit" "$@" || status=$?
  run_ms=$(( $(now_ms) - start ))
  run_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$timelog" 2>/dev/null || true)
  run_kb="${run_kb:-0}"
  return "$status"
}

note_command() { grep -qxF "$1" "$commands" || echo "$1" >> "$commands"; }

size_kb() { { du -ck "$@" 2>/dev/null || true; } | tail -1 | cut -f1; }

# Extensions other than the pages' one in a corpus folder, as omindex skip
# options, so that omindex indexes the pages alone.
omindex_skips() {
  find "$1" -type f ! -name "*.$2" -name '*.*' | sed 's/.*\.//' | sort -u | sed 's/^\(.*\)$/-M\1:skip/'
}

# prepare CORPUS_NAME FOLDER EXTENSION: the file lists and settings of every
# program for one corpus, under $work/CORPUS_NAME/PROGRAM.
prepare() {
  local name="$1" folder="$2" ext="$3" base="$work/$1"
  mkdir -p "$base"/{tarvo,swish,omega/data,omega/log,htdig/conf,htdig/db}
  find "$folder" -name "*.$ext" | sort > "$base/pages.txt"
  # tarvo-index: one line per folder that holds pages, the pattern picking
  # them; lines end in CR LF (a lone LF is no line break for the indexer).
  sed 's|/[^/]*$||' "$base/pages.txt" | sort -u | sed "s|\$|/*.$ext\r|" > "$base/tarvo/filelist.txt"
  sed -e "s|@CORPUS@|$folder|" -e "s|@INDEX@|$base/swish/index.swish-e|" -e "s|@EXT@|.$ext|g" \
    "$peers/swish-e.conf" > "$base/swish/swish-e.conf"
  sed -e "s|@WORK@|$base/omega|" -e "s|@PEERS@|$peers|" "$peers/omega.conf" > "$base/omega/omega.conf"
  mapfile -t skips < <(omindex_skips "$folder" "$ext")
  echo "${skips[*]}" > "$base/omega/skips"
  sed -e "s|@WORK@|$base/htdig|" -e "s|@CORPUS@|$folder|" -e "s|@PEERS@|$peers|" \
    "$peers/htdig.conf" > "$base/htdig/conf/bench.conf"
  sed "s|^$folder/|http://localhost/|" "$base/pages.txt" > "$base/htdig/urls.txt"
}

# index_once CORPUS_NAME FOLDER PROGRAM ROUND LIMIT: one indexing run from an
# empty index; appends its line to $results ("timeout" when stopped).
index_once() {
  local name="$1" folder="$2" program="$3" round="$4" limit="$5" base="$work/$1"
  local dir="$base/$program" tl="$work/logs/$name.$program.$round" docs=0 kb=0 status=0 cmd
  # The limit is the peers'; TARVO and the floor always run to the end.
  case "$program" in cat|tarvo) [ "$limit" -lt 3600 ] && limit=3600 ;; esac
  case "$program" in
    cat)
      cmd="xargs -d '\\n' cat < $base/pages.txt > /dev/null"
      timed "$limit" "$tl.time" bash -c "$cmd" || status=$?
      docs=$(wc -l < "$base/pages.txt") ;;
    tarvo)
      rm -f "$dir"/DataBase.*
      cmd="$build/bin/tarvo-index --filelist $dir/filelist.txt --database DataBase"
      timed "$limit" "$tl.time" $cmd > "$tl.out" 2>&1 || status=$?
      docs=$(sed -n 's/^Indexed \([0-9]*\) documents.*/\1/p' "$tl.out" | tail -1)
      kb=$(size_kb "$dir"/DataBase.*) ;;
    swish)
      rm -f "$dir"/index.swish-e*
      cmd="swish-e -c $dir/swish-e.conf -S fs -v 1"
      timed "$limit" "$tl.time" $cmd > "$tl.out" 2>&1 || status=$?
      docs=$(sed -n 's/^\([0-9,]*\) files indexed.*/\1/p' "$tl.out" | tr -d , | tail -1)
      kb=$(size_kb "$dir"/index.swish-e*) ;;
    omega)
      rm -rf "$dir/data/db"
      cmd="omindex --stemmer none $(cat "$dir/skips") --db $dir/data/db --url / $folder"
      timed "$limit" "$tl.time" $cmd > "$tl.out" 2>&1 || status=$?
      docs=$(env -i OMEGA_CONFIG_FILE="$dir/omega.conf" GATEWAY_INTERFACE=CGI/1.1 REQUEST_METHOD=GET \
        SERVER_SOFTWARE=lighttpd QUERY_STRING="DB=db&FMT=count" /usr/lib/cgi-bin/omega/omega 2>/dev/null |
        sed -n 's/.*<!--documents \([0-9]*\)-->.*/\1/p' || true)
      kb=$(size_kb "$dir/data/db") ;;
    htdig)
      rm -rf "$dir/db"; mkdir -p "$dir/db"
      cmd="htdig -i -c $dir/conf/bench.conf"
      timed "$limit" "$tl.time" $cmd > "$tl.out" 2>&1 || status=$?
      local dig_ms=$run_ms dig_kb=$run_kb
      note_command "$cmd"
      if [ "$status" = 0 ]; then
        timed "$limit" "$tl.purge.time" htpurge -c "$dir/conf/bench.conf" >> "$tl.out" 2>&1 || status=$?
        run_ms=$(( run_ms + dig_ms ))
        run_kb=$(( run_kb > dig_kb ? run_kb : dig_kb ))
      fi
      note_command "htpurge -c $dir/conf/bench.conf"
      # htstat crashes on an empty database (a run stopped early).
      docs=$({ htstat -c "$dir/conf/bench.conf" 2>/dev/null || true; } | sed -n 's/.*Total documents: \([0-9]*\).*/\1/p')
      kb=$(size_kb "$dir/db") ;;
  esac
  note_command "$cmd"
  if [ "$status" = 124 ]; then
    printf '%s\t%s\t%s\ttimeout\t\t\t\n' "$name" "$program" "$round" >> "$results"
    log "$name $program round $round: not finished in ${limit} s"
  elif [ "$status" != 0 ]; then
    printf '%s\t%s\t%s\tfailed\t\t\t\n' "$name" "$program" "$round" >> "$results"
    log "$name $program round $round: failed (exit $status), see $tl.out"
  else
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$program" "$round" "$run_ms" "$run_kb" "${kb:-0}" "${docs:-0}" >> "$results"
    log "$name $program round $round: ${run_ms} ms, peak ${run_kb} KB, ${kb} KB index, ${docs:-0} documents"
  fi
}

cgi_env() {  # extra environment entries follow
  printf 'env %s\n' PATH=/usr/bin:/bin GATEWAY_INTERFACE=CGI/1.1 REQUEST_METHOD=GET SERVER_SOFTWARE=lighttpd \
    SERVER_PROTOCOL=HTTP/1.1 "$@"
}
url_words() { printf '%s' "$1" | sed -e 's/ /+/g' -e 's/\*/%2A/g'; }
lower() { printf '%s' "$1" | tr 'A-Z' 'a-z'; }

# hits_of PROGRAM PAGE: "FOUND LISTED" as the program's page tells.
hits_of() {
  local page="$2"
  case "$1" in
    tarvo) tr -d '\r' < "$page" | awk -F'~\\|~' '
      /^<!--start of data-->$/ { inside = 1; first = 1; next }
      /^<!--end of data-->$/ { inside = 0 }
      inside && first { found = $1 + 0; first = 0; next }
      inside && found > 0 { listed++ }
      END { print found + 0, listed + 0 }' ;;
    swish) awk '/^# Number of hits:/ { found = $5 } /^[0-9]+ / { listed++ } END { print found + 0, listed + 0 }' "$page" ;;
    omega) awk '/<!--hits/ { sub(/.*<!--hits /, ""); found = $1 } /^<a href/ { listed++ } END { print found + 0, listed + 0 }' "$page" ;;
    htdig) awk '/<!--matches/ { sub(/.*<!--matches /, ""); found = $1 + 0 } /^<a href/ { listed++ } END { print found + 0, listed + 0 }' "$page" ;;
  esac
}

# Omega's page counts only as far as its page needs (an estimate); one more
# untimed request with MINHITS set gives the exact count.
omega_exact() {
  local words; words=$(url_words "$1")
  env -i OMEGA_CONFIG_FILE="$work/cppref/omega/omega.conf" GATEWAY_INTERFACE=CGI/1.1 REQUEST_METHOD=GET \
    SERVER_SOFTWARE=lighttpd QUERY_STRING="DB=db&FMT=bench&MINHITS=1000000&P=$words" /usr/lib/cgi-bin/omega/omega |
    sed -n 's/.*<!--hits \([0-9]*\).*/\1/p' || true
}

version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo "?"; }
