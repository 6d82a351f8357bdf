#!/usr/bin/env bash
# The pieces of bench/fastcgi-peers.sh in bench/lib/fastcgi-load.sh: nginx
# accepts the generated configuration, wrk's hooks ask the paths in turn and
# report exact figures, the resident memory of a process tree adds up, and
# the targets' verdicts hold at their bounds. Fails, naming it, when wrk,
# nginx or python3 is missing (scripts/packages.txt installs them).
set -uo pipefail
source "$(dirname "$0")/../../bench/lib/fastcgi-load.sh"
for tool in wrk nginx python3; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh installs it)"; exit 1; }
done

work="$(mktemp -d /tmp/tarvo-fastcgi-load-test.XXXXXX)"
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
check() {  # DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$(( failures + 1 )); fi
}

# --- nginx's configuration ---
mkdir -p "$work/nginx"
nginx_config "$work/nginx" 18991 18992 "$work/tarvocgi.sock" "$work/fcgiwrap.sock" "$work/index" "$work/omega.conf" \
  > "$work/nginx/nginx.conf"
check "nginx accepts the configuration" \
  nginx -t -q -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log"
check "each program's location passes to its own socket" \
  test "$(grep -c "fastcgi_pass unix:$work/fcgiwrap.sock;" "$work/nginx/nginx.conf")" = 2 -a \
  "$(grep -c "fastcgi_pass unix:$work/tarvocgi.sock;" "$work/nginx/nginx.conf")" = 1

nginx_config "$work/nginx" 18991 18992 "$work/tarvocgi.sock" "$work/fcgiwrap.sock" "$work/index" "$work/omega.conf" \
  "$work/ceiling.sock" "$work/pages" > "$work/nginx/ceiling.conf"
check "nginx accepts the configuration with the ceiling's locations" \
  nginx -t -q -p "$work/nginx" -c "$work/nginx/ceiling.conf" -e "$work/nginx/error.log"
check "the ceiling's responder has a socket of its own, beside the three programs' locations" \
  test "$(grep -c "fastcgi_pass unix:$work/ceiling.sock;" "$work/nginx/ceiling.conf")" = 1 -a \
  "$(grep -c "fastcgi_pass unix:" "$work/nginx/ceiling.conf")" = 4

# --- wrk's hooks against a small server that logs every path asked ---
mkdir -p "$work/site"
for name in a b c; do echo "$name" > "$work/site/$name"; done
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" 2> "$work/site.log" > /dev/null &
pids+=($!)
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$port/a" && break; sleep 0.1; done
: > "$work/site.log"

wrk_hooks /a /b /c > "$work/turns.lua"
wrk -t1 -c1 -d1s -s "$work/turns.lua" "http://127.0.0.1:$port/" > "$work/turns.out" 2>&1
asked=$(sed -n 's/.*"GET \(\/[a-z]*\) .*/\1/p' "$work/site.log" | head -6 | tr '\n' ' ')
# wrk asks for one request of its own before the run: the turn may begin anywhere.
check "the paths are asked in turn (asked: $asked)" \
  bash -c '[[ "/a /b /c /a /b /c /a /b " == *"$1"* ]]' _ "$asked"
read -r requests rps p50 p99 max failed <<< "$(wrk_figures "$work/turns.out")"
check "wrk's figures are read: $requests requests, $rps/s, p50 $p50 ms, max $max ms, $failed failed" \
  test "${requests:-0}" -gt 0 -a "${failed:-x}" = 0
check "p50 <= p99 <= max" awk -v a="$p50" -v b="$p99" -v c="$max" 'BEGIN { exit !(a > 0 && a <= b && b <= c) }'

wrk_hooks > "$work/plain.lua"
wrk -t1 -c1 -d1s -s "$work/plain.lua" "http://127.0.0.1:$port/missing" > "$work/missing.out" 2>&1
read -r requests _ _ _ _ failed <<< "$(wrk_figures "$work/missing.out")"
check "answers other than 2xx count as failed ($failed of $requests)" test "${failed:-0}" -gt 0 -a "$failed" = "$requests"
check "no figures from output without a RESULT line" test -z "$(echo 'Running 1s test' | wrk_figures /dev/stdin)"

# --- resident memory of a process tree ---
bash -c 'sleep 60 & exec sleep 61' &
parent=$!
pids+=("$parent")
for _ in $(seq 50); do [ -n "$(pgrep -P "$parent")" ] && break; sleep 0.1; done
child=$(pgrep -P "$parent")
pids+=("$child")
vmrss() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
check "the tree's memory is the parent's and the child's" \
  test "$(rss_kb "$parent")" = "$(( $(vmrss "$parent") + $(vmrss "$child") ))" -a "$(vmrss "$child")" -gt 0
kill "$child" "$parent"; wait "$parent" 2>/dev/null
check "an ended process has none" test "$(rss_kb "$parent")" = 0

# --- the targets at their bounds ---
verdict() { "$@" > /dev/null && echo pass || echo fail; }
check "ten times the requests passes, a little less fails, a missing figure fails" \
  test "$(verdict speed_target q 100 10) $(verdict speed_target q 99.9 10) $(verdict speed_target q - 10) $(verdict speed_target q 100 0)" \
  = "pass fail fail fail"
check "a tenth of omega's p50 passes, a little more fails, a missing figure fails" \
  test "$(verdict latency_target q 1.0 10.0) $(verdict latency_target q 1.01 10.0) $(verdict latency_target q '' 10.0)" \
  = "pass fail fail"
check "memory within the allowance passes, beyond it fails, no sample fails" \
  test "$(verdict memory_target 1000 2024 1024) $(verdict memory_target 1000 2025 1024) $(verdict memory_target 0 10 1024)" \
  = "pass fail fail"
check "the verdict lines name their figures" \
  test "$(speed_target '"template", 8 connection(s)' 5000 250; latency_target '"alloc*", 1 connection(s)' 2 10)" \
  = 'PASS: "template", 8 connection(s): FastCGI requests/s >= 10 x CGI: 5000.0 vs 250.0 (20.0 x)
FAIL: "alloc*", 1 connection(s): FastCGI p50 <= omega p50 / 10: 2.000 ms vs 10.000 ms (omega / FastCGI 5.0)'

[ "$failures" = 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
