# The pieces of bench/fastcgi-peers.sh that stand on their own, sourced by it
# and by its test: nginx's configuration, wrk's hooks and figures, the
# resident memory of a process tree and the targets' verdicts.

# nginx_config DIR FASTCGI_PORT CGI_PORT FASTCGI_SOCKET WRAP_SOCKET INDEX_DIR OMEGA_CONFIG [CEILING_SOCKET PAGE_DIR]
# nginx on 127.0.0.1 in the foreground with its files in DIR: FASTCGI_PORT
# passes /cgi-bin/tarvocgi to the FastCGI server on FASTCGI_SOCKET; CGI_PORT
# passes /cgi-bin/tarvocgi and /cgi-bin/omega to fcgiwrap on WRAP_SOCKET,
# which starts the program named by SCRIPT_FILENAME per request. Two ports
# rather than two paths, so that each program sees the same SCRIPT_NAME.
# With CEILING_SOCKET and PAGE_DIR, FASTCGI_PORT also passes /ceiling/fastcgi
# to the responder of bench/FastCgiCeiling.cpp and serves PAGE_DIR's pages as
# static files under /ceiling/file/.
# Response buffers as in examples/server/nginx-tarvo-fastcgi.conf.
# Run as root, the workers serve as www-data, as the web tests' servers do.
nginx_config() {
  local dir="$1" fastcgi_port="$2" cgi_port="$3" fastcgi_socket="$4" wrap_socket="$5" index_dir="$6" omega_config="$7"
  local ceiling_socket="${8:-}" page_dir="${9:-}"
  local t
  echo "daemon off;"
  echo "worker_processes $(nproc);"
  [ "$(id -u)" = 0 ] && echo "user www-data www-data;"
  echo "pid $dir/nginx.pid;"
  echo "error_log $dir/error.log warn;"
  echo "events { worker_connections 256; }"
  echo "http {"
  echo "  access_log off;"
  for t in client_body fastcgi proxy uwsgi scgi; do echo "  ${t}_temp_path $dir/$t;"; done
  echo "  default_type application/octet-stream;"
  # The buffers of the shipped example, for all three programs alike: a page
  # of a few hundred KB is held in memory, not spilled to a temporary file.
  echo "  fastcgi_buffer_size 64k;"
  echo "  fastcgi_buffers 16 64k;"
  echo "  server {"
  echo "    listen 127.0.0.1:$fastcgi_port;"
  echo "    location = /cgi-bin/tarvocgi {"
  echo "      include /etc/nginx/fastcgi_params;"
  echo "      fastcgi_param TARVO_INDEX_DIR $index_dir;"
  echo "      fastcgi_pass unix:$fastcgi_socket;"
  echo "    }"
  if [ -n "$ceiling_socket" ]; then
    echo "    location = /ceiling/fastcgi {"
    echo "      include /etc/nginx/fastcgi_params;"
    echo "      fastcgi_pass unix:$ceiling_socket;"
    echo "    }"
    echo "    location /ceiling/file/ {"
    echo "      alias $page_dir/;"
    echo "      default_type text/html;"
    echo "    }"
  fi
  echo "  }"
  echo "  server {"
  echo "    listen 127.0.0.1:$cgi_port;"
  echo "    location = /cgi-bin/tarvocgi {"
  echo "      include /etc/nginx/fastcgi_params;"
  echo "      fastcgi_param SCRIPT_FILENAME $index_dir/tarvocgi;"
  echo "      fastcgi_param TARVO_INDEX_DIR $index_dir;"
  echo "      fastcgi_pass unix:$wrap_socket;"
  echo "    }"
  echo "    location = /cgi-bin/omega {"
  echo "      include /etc/nginx/fastcgi_params;"
  echo "      fastcgi_param SCRIPT_FILENAME /usr/lib/cgi-bin/omega/omega;"
  echo "      fastcgi_param OMEGA_CONFIG_FILE $omega_config;"
  echo "      fastcgi_pass unix:$wrap_socket;"
  echo "    }"
  echo "  }"
  echo "}"
}

# wrk_hooks [PATH...]: wrk's Lua hooks. done() prints one line of exact
# figures, "RESULT requests duration_us p50_us p99_us max_us errors" (errors:
# connect, read, write and time-out failures and answers other than 2xx or
# 3xx). Given paths, each of wrk's threads asks them in turn.
wrk_hooks() {
  local path
  if [ $# -gt 0 ]; then
    printf 'local paths = {'
    for path in "$@"; do printf ' "%s",' "$path"; done
    printf ' }\n'
    cat <<'EOF'
local turn = 0
function request()
  turn = turn % #paths + 1
  return wrk.format(nil, paths[turn])
end
EOF
  fi
  cat <<'EOF'
function done(summary, latency, requests)
  local e = summary.errors
  io.write(string.format("RESULT %d %d %.0f %.0f %.0f %d\n", summary.requests, summary.duration,
    latency:percentile(50), latency:percentile(99), latency.max,
    e.connect + e.read + e.write + e.status + e.timeout))
end
EOF
}

# wrk_figures FILE: wrk's output read as "requests requests_per_s p50_ms
# p99_ms max_ms errors"; nothing when it holds no RESULT line.
wrk_figures() {
  awk '$1 == "RESULT" && $3 > 0 {
    printf "%d %.1f %.3f %.3f %.3f %d\n", $2, $2 / ($3 / 1e6), $4 / 1000, $5 / 1000, $6 / 1000, $7 }' "$1"
}

# rss_kb PID: resident memory of the process and every process below it, in
# KB (the sum of their VmRSS); 0 when it has ended.
rss_kb() {
  local pid="$1" total child
  total=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
  total="${total:-0}"
  for child in $(pgrep -P "$pid" 2>/dev/null || true); do
    total=$(( total + $(rss_kb "$child") ))
  done
  echo "$total"
}

# The targets. Each prints one line, "PASS: ..." or "FAIL: ...", and returns
# 1 on a failure; a missing figure ("-" or empty) is a failure.
is_figure() { [[ "$1" =~ ^[0-9]+(\.[0-9]+)?$ ]]; }

# speed_target WHAT FASTCGI_RPS CGI_RPS: FastCGI serves at least ten times
# the requests per second of the CGI program.
speed_target() {
  local what="$1" fast="$2" slow="$3"
  if ! is_figure "$fast" || ! is_figure "$slow" || [ "$(awk -v s="$slow" 'BEGIN { print (s > 0) }')" != 1 ]; then
    echo "FAIL: $what: FastCGI requests/s >= 10 x CGI: no figure (FastCGI ${fast:--}, CGI ${slow:--})"
    return 1
  fi
  awk -v w="$what" -v f="$fast" -v s="$slow" 'BEGIN {
    ok = (f >= 10 * s)
    printf "%s: %s: FastCGI requests/s >= 10 x CGI: %.1f vs %.1f (%.1f x)\n", ok ? "PASS" : "FAIL", w, f, s, f / s
    exit !ok }'
}

# latency_target WHAT FASTCGI_P50_MS OMEGA_P50_MS: FastCGI's median latency
# is at most a tenth of omega's.
latency_target() {
  local what="$1" fast="$2" omega="$3"
  if ! is_figure "$fast" || ! is_figure "$omega"; then
    echo "FAIL: $what: FastCGI p50 <= omega p50 / 10: no figure (FastCGI ${fast:--}, omega ${omega:--})"
    return 1
  fi
  awk -v w="$what" -v f="$fast" -v o="$omega" 'BEGIN {
    ok = (10 * f <= o)
    printf "%s: %s: FastCGI p50 <= omega p50 / 10: %.3f ms vs %.3f ms (omega / FastCGI %.1f)\n",
      ok ? "PASS" : "FAIL", w, f, o, (f > 0) ? o / f : 0
    exit !ok }'
}

# memory_target START_KB END_KB ALLOWANCE_KB: resident memory at the end of
# the run is at most the start plus the allowance.
memory_target() {
  local start="$1" end="$2" allowance="$3"
  if ! is_figure "$start" || ! is_figure "$end" || [ "$start" = 0 ] || [ "$end" = 0 ]; then
    echo "FAIL: FastCGI resident memory flat: no figure (start ${start:--} KB, end ${end:--} KB)"
    return 1
  fi
  if [ "$end" -le $(( start + allowance )) ]; then
    echo "PASS: FastCGI resident memory flat (end <= start + $allowance KB): $start KB at the start, $end KB at the end"
  else
    echo "FAIL: FastCGI resident memory flat (end <= start + $allowance KB): $start KB at the start, $end KB at the end"
    return 1
  fi
}
