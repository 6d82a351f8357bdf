#!/usr/bin/env bash
# tarvocgi as a FastCGI server side by side with the CGI programs, all behind
# nginx on loopback in one run: tarvocgi in FastCGI mode (fastcgi_pass to its
# Unix socket, default workers), tarvocgi as CGI through fcgiwrap and omega
# as CGI through fcgiwrap, on the cppreference corpus and queries of
# compare-peers.sh.
#   answers:  each program answers each query through nginx with the hit
#             count of the program run directly as CGI (checked first)
#   load:     wrk per query and program at 1 connection (-t1 -c1) and at 8
#             (-t2 -c8): requests per second, p50, p99 and maximum latency
#   ceiling:  the same pages served without a search, at the same loads:
#             from memory by a responder on libfcgi (bench/FastCgiCeiling.cpp)
#             and by nginx as static files. The first hands the page to
#             libfcgi and does nothing else: a FastCGI server on libfcgi that
#             searches can at best come near it with pages of that size here.
#   memory:   the FastCGI server's resident memory (VmRSS) at the start and
#             at the end of a run under load, all queries in turn, 8
#             connections
#   targets:  printed as PASS/FAIL lines: per query and connection count
#             FastCGI requests/s >= 10 x tarvocgi as CGI and FastCGI p50 <=
#             omega p50 / 10; resident memory at the end <= start + 1 MB
# Writes Markdown tables to BUILD_DIR/bench/fastcgi-peers.md and prints them;
# exits 1 when an answer is wrong or a target is missed.
#
# Usage: bench/fastcgi-peers.sh [options] [BUILD_DIR]
#   BUILD_DIR            release build to measure (default build; built with
#                        scripts/build.sh release when it has no tarvo-index)
#   --duration SECS      length of each wrk run (default 10)
#   --soak SECS          length of the memory run (default 300)
#   --port N             nginx's ports: N for FastCGI, N+1 for the CGI
#                        programs (default 18180)
#   --work DIR           work folder (default /tmp/tarvo-fastcgi-peers, emptied first)
#   --output FILE        Markdown file (default BUILD_DIR/bench/fastcgi-peers.md)
#   --no-install         do not install missing packages
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$(pwd)"
source "$repo/bench/lib/peers.sh"
source "$repo/bench/lib/fastcgi-load.sh"

build=build duration=10 soak=300 port=18180 work=/tmp/tarvo-fastcgi-peers output="" install=1
while [ $# -gt 0 ]; do
  case "$1" in
    --duration) duration="$2"; shift 2 ;;
    --soak) soak="$2"; shift 2 ;;
    --port) port="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --output) output="$2"; shift 2 ;;
    --no-install) install=0; shift ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d' >&2; exit 0 ;;
    -*) echo "unknown option $1 (see --help)" >&2; exit 2 ;;
    *) build="$1"; shift ;;
  esac
done
case "$build" in /*) ;; *) build="$repo/$build" ;; esac
output="${output:-$build/bench/fastcgi-peers.md}"
peers="$repo/bench/peers"
programs=(fastcgi cgi omega)
declare -A label=([fastcgi]="tarvocgi FastCGI" [cgi]="tarvocgi CGI (fcgiwrap)" [omega]="omega CGI (fcgiwrap)"
  [memory]="ceiling: the page from memory (libfcgi)" [file]="ceiling: the page as a static file (nginx)")
connections=(1 8)
declare -A threads=([1]=1 [8]=2)
rss_allowance_kb=1024
# fcgiwrap keeps one process ready per connection of the busiest run.
wrap_children=8

# --- 1. packages, the build, the indexes ------------------------------------------
install_and_build "$peers/fastcgi-packages.txt"
for tool in wrk nginx fcgiwrap omindex curl; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (bench/peers/fastcgi-packages.txt)" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$work"/{logs,run,nginx,answers,load} "$(dirname "$output")"
results="$work/index.tsv"   # the indexing runs, as compare-peers.sh writes them
: > "$results"
commands="$work/commands.txt"
: > "$commands"
base="$work/cppref"
load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
started="$(date -u '+%Y-%m-%d %H:%M UTC')"
commit="$(git -C "$repo" rev-parse --short HEAD 2>/dev/null || echo '?')$(git -C "$repo" diff --quiet HEAD -- indexer search cgi platform 2>/dev/null || echo ', with uncommitted changes to the programs')"

log "indexing cppreference-doc-en-html for tarvocgi and omega"
prepare cppref "$html" html
for program in tarvo omega; do
  index_once cppref "$html" "$program" 1 3600
  if ! tail -1 "$results" | cut -f4 | grep -q '^[0-9]'; then
    echo "indexing for $program failed (see $work/logs)" >&2; exit 1
  fi
done
cp "$build/bin/tarvocgi" "$base/tarvo/tarvocgi"

# --- 2. the servers -------------------------------------------------------------------
fastcgi_socket="$work/run/tarvocgi.sock"
wrap_socket="$work/run/fcgiwrap.sock"
ceiling_socket="$work/run/ceiling.sock"
fastcgi_pid="" wrap_pid="" nginx_pid="" fastcgi_exit="" ceiling_pid=""

stop_servers() {
  local pid
  for pid in "$nginx_pid" "$wrap_pid" "$ceiling_pid"; do
    [ -n "$pid" ] || continue
    # fcgiwrap's children share its process group (its own, from setsid).
    kill -TERM -- "-$pid" 2>/dev/null || kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  nginx_pid="" wrap_pid="" ceiling_pid=""
  if [ -n "$fastcgi_pid" ]; then
    kill -TERM "$fastcgi_pid" 2>/dev/null || true
    fastcgi_exit=0
    wait "$fastcgi_pid" 2>/dev/null || fastcgi_exit=$?
    fastcgi_pid=""
  fi
}
trap stop_servers EXIT

# wait_for SECONDS COMMAND...: true once the command succeeds within the time.
wait_for() {
  local tenths=$(( $1 * 10 )); shift
  while [ "$tenths" -gt 0 ]; do
    "$@" 2>/dev/null && return 0
    sleep 0.1; tenths=$(( tenths - 1 ))
  done
  return 1
}
socket_ready() { [ -S "$1" ]; }
port_ready() { curl -s -o /dev/null "http://127.0.0.1:$1/"; }

# A tarvocgi without a FastCGI mode answers --fastcgi as CGI and ends: the
# run goes on with the two CGI programs and reports the FastCGI figures missing.
fastcgi_available=1
log "starting tarvocgi --fastcgi $fastcgi_socket"
"$base/tarvo/tarvocgi" --fastcgi "$fastcgi_socket" > "$work/logs/tarvocgi-fastcgi.log" 2>&1 &
fastcgi_pid=$!
fastcgi_up_or_ended() { socket_ready "$fastcgi_socket" || ! kill -0 "$fastcgi_pid"; }
wait_for 10 fastcgi_up_or_ended || true
if ! socket_ready "$fastcgi_socket" || ! kill -0 "$fastcgi_pid" 2>/dev/null; then
  log "tarvocgi of $build has no FastCGI mode (see $work/logs/tarvocgi-fastcgi.log); measuring the CGI programs alone"
  fastcgi_available=0
  kill -TERM "$fastcgi_pid" 2>/dev/null || true
  wait "$fastcgi_pid" 2>/dev/null || true
  fastcgi_pid=""
  programs=(cgi omega)
fi
rss_fresh=0
[ "$fastcgi_available" = 1 ] && rss_fresh=$(rss_kb "$fastcgi_pid")

log "starting fcgiwrap ($wrap_children processes) and nginx on 127.0.0.1:$port and :$(( port + 1 ))"
setsid fcgiwrap -c "$wrap_children" -s "unix:$wrap_socket" > "$work/logs/fcgiwrap.log" 2>&1 &
wrap_pid=$!
wait_for 10 socket_ready "$wrap_socket" || { echo "fcgiwrap did not start" >&2; exit 1; }
# nginx's workers may serve as www-data: they must reach fcgiwrap's socket.
chmod 666 "$wrap_socket"
nginx_config "$work/nginx" "$port" "$(( port + 1 ))" "$fastcgi_socket" "$wrap_socket" "$base/tarvo" \
  "$base/omega/omega.conf" "$ceiling_socket" "$work/pages" > "$work/nginx/nginx.conf"
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log" > "$work/logs/nginx.log" 2>&1 &
nginx_pid=$!
if ! wait_for 10 port_ready "$port" || ! wait_for 10 port_ready "$(( port + 1 ))"; then
  echo "nginx did not start:" >&2; cat "$work/nginx/error.log" "$work/logs/nginx.log" >&2 || true; exit 1
fi

# --- 3. the answers -----------------------------------------------------------------
# The address of QUERY_NUMBER's request to PROGRAM through nginx.
url_of() {
  local words; words=$(url_words "${queries[$1]}")
  case "$2" in
    fastcgi) echo "http://127.0.0.1:$port/cgi-bin/tarvocgi?searchWords=$words&volumeName=DataBase&language=en" ;;
    cgi) echo "http://127.0.0.1:$(( port + 1 ))/cgi-bin/tarvocgi?searchWords=$words&volumeName=DataBase&language=en" ;;
    omega) echo "http://127.0.0.1:$(( port + 1 ))/cgi-bin/omega?DB=db&FMT=bench&P=$words" ;;
    memory) echo "http://127.0.0.1:$port/ceiling/fastcgi?page=$1" ;;
    file) echo "http://127.0.0.1:$port/ceiling/file/$1.html" ;;
  esac
}

# The page of QUERY_NUMBER from the program run directly as CGI, as
# compare-peers.sh runs it: its hit count is the one expected through nginx.
direct_page() {
  local words; words=$(url_words "${queries[$1]}")
  case "$2" in
    tarvo) env -i $(cgi_env "SCRIPT_NAME=/cgi-bin/tarvocgi" "TARVO_INDEX_DIR=$base/tarvo" \
      "QUERY_STRING=searchWords=$words&volumeName=DataBase&language=en" | cut -d' ' -f2-) "$base/tarvo/tarvocgi" ;;
    omega) env -i $(cgi_env "SCRIPT_NAME=/cgi-bin/omega" "OMEGA_CONFIG_FILE=$base/omega/omega.conf" \
      "QUERY_STRING=DB=db&FMT=bench&P=$words" | cut -d' ' -f2-) /usr/lib/cgi-bin/omega/omega ;;
  esac
}

check_answers() {
  local i p kind page status expected got failed=0
  : > "$work/answers.tsv"   # query number, program, found, listed, exact count (omega)
  for i in "${!queries[@]}"; do
    direct_page "$i" tarvo > "$work/answers/$i.direct-tarvo" || true
    direct_page "$i" omega > "$work/answers/$i.direct-omega" || true
    for p in "${programs[@]}"; do
      page="$work/answers/$i.$p"
      status=$(curl -s -o "$page" -w '%{http_code}' "$(url_of "$i" "$p")" || echo 000)
      kind=tarvo; [ "$p" = omega ] && kind=omega
      expected=$(hits_of "$kind" "$work/answers/$i.direct-$kind")
      got=$(hits_of "$kind" "$page" 2>/dev/null || echo "0 0")
      if [ "$status" != 200 ] || [ "$got" != "$expected" ] || [ "${expected% *}" = 0 ]; then
        log "wrong answer: ${label[$p]}, \"${queries[$i]}\": HTTP $status, hits (found listed) $got, expected $expected"
        failed=1
      fi
      printf '%s\t%s\t%s\t%s\t%s\n' "$i" "$p" "${got% *}" "${got#* }" \
        "$([ "$p" = omega ] && omega_exact "${queries[$i]}")" >> "$work/answers.tsv"
    done
  done
  return "$failed"
}

# "same" when FastCGI and CGI gave the same page bytes for every query.
same_pages() {
  local i
  [ "$fastcgi_available" = 1 ] || { echo "-"; return; }
  for i in "${!queries[@]}"; do
    cmp -s "$work/answers/$i.fastcgi" "$work/answers/$i.cgi" || { echo "different (query \"${queries[$i]}\")"; return; }
  done
  echo "same"
}

log "checking every program's answers through nginx"
if ! check_answers; then
  echo "a program gave a wrong answer through nginx; pages in $work/answers" >&2
  exit 1
fi

# --- 4. the ceiling -----------------------------------------------------------------
# tarvocgi's FastCGI pages, served as they are without a search: from memory
# through libfcgi, and by nginx from files. Both join the load runs.
load_programs=("${programs[@]}")
ceiling_program="$build/bench/FastCgiCeiling"
if [ "$fastcgi_available" = 1 ] && [ -x "$ceiling_program" ]; then
  mkdir -p "$work/pages"
  for i in "${!queries[@]}"; do
    cp "$work/answers/$i.fastcgi" "$work/pages/$i.html"
    { printf 'Content-Type: text/html\r\n\r\n'; cat "$work/answers/$i.fastcgi"; } > "$work/pages/$i.fcgi"
  done
  chmod -R a+rX "$work/pages"
  log "starting the ceiling's responder on $ceiling_socket"
  setsid "$ceiling_program" "$ceiling_socket" "$work/pages" > "$work/logs/ceiling.log" 2>&1 &
  ceiling_pid=$!
  wait_for 10 socket_ready "$ceiling_socket" || { echo "the ceiling's responder did not start" >&2; exit 1; }
  for i in "${!queries[@]}"; do
    for p in memory file; do
      curl -s "$(url_of "$i" "$p")" | cmp -s - "$work/pages/$i.html" ||
        { echo "the ceiling's $p page of \"${queries[$i]}\" differs from tarvocgi's" >&2; exit 1; }
    done
  done
  load_programs+=(memory file)
else
  log "no ceiling: $ceiling_program is not built or there is no FastCGI server"
fi

# --- 5. the load runs ---------------------------------------------------------------
: > "$work/load.tsv"   # query number, program, connections, requests, requests/s, p50, p99, max (ms), errors
wrk_hooks > "$work/load/hooks.lua"
for i in "${!queries[@]}"; do
  for c in "${connections[@]}"; do
    for p in "${load_programs[@]}"; do
      log "\"${queries[$i]}\", ${label[$p]}, $c connection(s), $duration s"
      out="$work/load/$i.$p.$c.txt"
      wrk -t"${threads[$c]}" -c"$c" -d"${duration}s" --latency -s "$work/load/hooks.lua" "$(url_of "$i" "$p")" > "$out" 2>&1 || true
      figures=$(wrk_figures "$out")
      [ -n "$figures" ] || figures="0 - - - - -"
      printf '%s\t%s\t%s\t%s\n' "$i" "$p" "$c" "${figures// /$'\t'}" >> "$work/load.tsv"
    done
  done
done

# --- 6. memory under load -------------------------------------------------------------
: > "$work/rss.tsv"   # seconds into the run, KB
soak_figures="" rss_start=0 rss_end=0
if [ "$fastcgi_available" = 1 ]; then
  mapfile -t soak_paths < <(for i in "${!queries[@]}"; do url_of "$i" fastcgi | sed 's|^http://[^/]*||'; done)
  wrk_hooks "${soak_paths[@]}" > "$work/load/soak.lua"
  log "memory run: all queries in turn, 8 connections, $soak s"
  rss_start=$(rss_kb "$fastcgi_pid")
  printf '0\t%s\n' "$rss_start" >> "$work/rss.tsv"
  wrk -t2 -c8 -d"${soak}s" --latency -s "$work/load/soak.lua" "http://127.0.0.1:$port/" > "$work/load/soak.txt" 2>&1 &
  wrk_pid=$!
  soak_began=$(now_ms)
  while kill -0 "$wrk_pid" 2>/dev/null; do
    sleep 10
    kill -0 "$wrk_pid" 2>/dev/null || break
    printf '%s\t%s\n' "$(( ($(now_ms) - soak_began) / 1000 ))" "$(rss_kb "$fastcgi_pid")" >> "$work/rss.tsv"
  done
  wait "$wrk_pid" || true
  rss_end=$(rss_kb "$fastcgi_pid")
  printf '%s\t%s\n' "$(( ($(now_ms) - soak_began) / 1000 ))" "$rss_end" >> "$work/rss.tsv"
  soak_figures=$(wrk_figures "$work/load/soak.txt")
fi
stop_servers
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

# --- 7. the report --------------------------------------------------------------------
figure_of() {  # QUERY_NUMBER PROGRAM CONNECTIONS COLUMN (4 requests, 5 requests/s, 6-8 p50, p99, max, 9 failed)
  awk -F'\t' -v i="$1" -v p="$2" -v c="$3" -v k="$4" '$1 == i && $2 == p && $3 == c { print $k }' "$work/load.tsv"
}
answer_cell() {  # QUERY_NUMBER PROGRAM
  awk -F'\t' -v i="$1" -v p="$2" '$1 == i && $2 == p {
    if ($5 != "") printf "%s (exactly %s), %s listed", $3, $5, $4; else printf "%s, %s listed", $3, $4 }' "$work/answers.tsv"
}
ms() { if is_figure "$1"; then printf '%.2f ms' "$1"; else echo "-"; fi; }

load_table() {
  local c="$1" i p
  echo "| Query | Program | Requests/s | p50 | p99 | Max | Failed |"
  echo "|---|---|---|---|---|---|---|"
  for i in "${!queries[@]}"; do
    for p in "${load_programs[@]}"; do
      printf '| `%s` | %s | %s | %s | %s | %s | %s |\n' "${queries[$i]}" "${label[$p]}" "$(figure_of "$i" "$p" "$c" 5)" \
        "$(ms "$(figure_of "$i" "$p" "$c" 6)")" "$(ms "$(figure_of "$i" "$p" "$c" 7)")" \
        "$(ms "$(figure_of "$i" "$p" "$c" 8)")" "$(figure_of "$i" "$p" "$c" 9)"
    done
  done
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a + 0 > 0 && b + 0 > 0) printf "%.1f", a / b; else printf "-" }'; }
rps_and_ratio() {  # QUERY_NUMBER PROGRAM CONNECTIONS: "1234.5 (5.1 x)", the ratio to tarvocgi as CGI
  local rps; rps=$(figure_of "$1" "$2" "$3" 5)
  [ -n "$rps" ] || { echo "-"; return; }
  echo "$rps ($(ratio "$rps" "$(figure_of "$1" cgi "$3" 5)") x)"
}
ceiling_table() {
  local c i
  echo "| Query | Page | Connections | tarvocgi CGI | tarvocgi FastCGI | Page from memory (libfcgi) | Static file (nginx) |"
  echo "|---|---|---|---|---|---|---|"
  for c in "${connections[@]}"; do
    for i in "${!queries[@]}"; do
      printf '| `%s` | %s KB | %s | %s | %s | %s | %s |\n' "${queries[$i]}" \
        "$(( $(stat -c %s "$work/answers/$i.fastcgi") / 1024 ))" "$c" "$(figure_of "$i" cgi "$c" 5)" \
        "$(rps_and_ratio "$i" fastcgi "$c")" "$(rps_and_ratio "$i" memory "$c")" "$(rps_and_ratio "$i" file "$c")"
    done
  done
}

# The target lines, one per query and connection count, then memory.
target_lines() {
  local i c
  for c in "${connections[@]}"; do
    for i in "${!queries[@]}"; do
      speed_target "\"${queries[$i]}\", $c connection(s)" "$(figure_of "$i" fastcgi "$c" 5)" "$(figure_of "$i" cgi "$c" 5)" || true
      latency_target "\"${queries[$i]}\", $c connection(s)" "$(figure_of "$i" fastcgi "$c" 6)" "$(figure_of "$i" omega "$c" 6)" || true
    done
  done
  memory_target "$rss_start" "$rss_end" "$rss_allowance_kb" || true
}

rss_samples() {  # every minute (and the last), "0 s 1234 KB, 60 s ..."
  awk -F'\t' 'NR == 1 || $1 % 60 < 10 { line = line sep sprintf("%d s %d KB", $1, $2); sep = ", " }
    { last = sprintf("%d s %d KB", $1, $2) } END { if (index(line, last) == 0) line = line sep last; print line }' "$work/rss.tsv"
}

pkg_version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo "?"; }
target_lines > "$work/targets.txt"
{
  echo "Date: $started. Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)," \
    "$(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo) memory, Linux $(uname -r)," \
    "Debian $(cat /etc/debian_version). Load average (1, 5, 15 min) $load_before at the start, $load_after at the end."
  echo "TARVO: release build \`$build\` (checkout at the start: commit $commit)." \
    "nginx $(pkg_version nginx), fcgiwrap $(pkg_version fcgiwrap), wrk $(pkg_version wrk), xapian-omega $(pkg_version xapian-omega);" \
    "corpus cppreference-doc-en-html $(pkg_version cppreference-doc-en-html)."
  echo
  echo "Command: \`bash bench/fastcgi-peers.sh$( [ "$duration" != 10 ] && printf ' --duration %s' "$duration")$( [ "$soak" != 300 ] && printf ' --soak %s' "$soak") ${build#"$repo"/}\`"
  echo
  if [ "$fastcgi_available" = 0 ]; then
    echo "**This build's tarvocgi has no FastCGI mode: only the CGI programs were measured.**"
    echo
  fi
  echo "### Answers through nginx (documents found, documents listed on the page)"
  echo
  echo "| Query | $(for p in "${programs[@]}"; do printf '%s | ' "${label[$p]}"; done | sed 's/ | $//') |"
  echo "|---|$(for p in "${programs[@]}"; do printf -- '---|'; done)"
  for i in "${!queries[@]}"; do
    echo "| \`${queries[$i]}\` | $(for p in "${programs[@]}"; do printf '%s | ' "$(answer_cell "$i" "$p")"; done | sed 's/ | $//') |"
  done
  echo
  echo "Each count equals the one of the program run directly as CGI. Page bytes of tarvocgi, FastCGI against CGI: $(same_pages)."
  for c in "${connections[@]}"; do
    echo
    echo "### Load: $c connection(s) (\`wrk -t${threads[$c]} -c$c -d${duration}s\`)"
    echo
    load_table "$c"
  done
  if [[ " ${load_programs[*]} " == *" memory "* ]]; then
    echo
    echo "### The ceiling: the same pages without a search (requests/s, and times tarvocgi as CGI)"
    echo
    echo "The page tarvocgi's FastCGI server gave for each query, answered from memory by a responder on libfcgi" \
      "that does nothing else (bench/FastCgiCeiling.cpp, as many workers as tarvocgi), and served by nginx as a" \
      "static file, through the same nginx at the same loads. The first does no work but hand the page to" \
      "libfcgi: a FastCGI server on libfcgi that searches can at best come near it with pages of these sizes here."
    echo
    ceiling_table
  fi
  echo
  echo "### Resident memory of the FastCGI server (memory run: $soak s, all queries in turn, 8 connections)"
  echo
  if [ "$fastcgi_available" = 1 ]; then
    read -r soak_requests soak_rps soak_p50 soak_p99 soak_max soak_errors <<< "${soak_figures:-0 - - - - -}"
    echo "| Just started | Start of the run | End of the run | Largest sample | Requests in the run | Requests/s | p50 | p99 | Max | Failed |"
    echo "|---|---|---|---|---|---|---|---|---|---|"
    printf '| %s KB | %s KB | %s KB | %s KB | %s | %s | %s | %s | %s | %s |\n' "$rss_fresh" "$rss_start" "$rss_end" \
      "$(cut -f2 "$work/rss.tsv" | sort -n | tail -1)" "$soak_requests" "$soak_rps" "$(ms "$soak_p50")" "$(ms "$soak_p99")" \
      "$(ms "$soak_max")" "$soak_errors"
    echo
    echo "VmRSS (the server process and any below it) every 10 s; by the minute: $(rss_samples)."
    echo "The run starts after the load runs above, with the same server process; after SIGTERM it exited with status ${fastcgi_exit:-?}."
  else
    echo "Not measured: no FastCGI server."
  fi
  echo
  echo "### Targets"
  echo
  echo "Requests/s and p50 per query and connection count; resident memory: end <= start + $rss_allowance_kb KB."
  echo
  echo '```'
  cat "$work/targets.txt"
  echo '```'
  echo
  echo "Setup: nginx $(nginx -v 2>&1 | sed 's/.*\///') with $(nproc) workers, access log off, keep-alive to wrk; FastCGI" \
    "connections to the programs not kept (nginx's default). tarvocgi FastCGI: \`tarvocgi --fastcgi $fastcgi_socket\`" \
    "(default workers, started as the script's user). fcgiwrap: \`fcgiwrap -c $wrap_children -s unix:$wrap_socket\`" \
    "for tarvocgi (copied beside the index, as for compare-peers.sh) and omega (settings from bench/peers/omega.conf," \
    "FMT=bench). Queries: \`?searchWords=template+AND+class&volumeName=DataBase&language=en\` for tarvocgi" \
    "(TARVO_INDEX_DIR the index folder), \`?DB=db&FMT=bench&P=template+AND+class\` for omega."
} > "$output"
cat "$output"
log "written to $output"
if [ "$fastcgi_available" = 0 ] || grep -q '^FAIL' "$work/targets.txt"; then exit 1; fi
