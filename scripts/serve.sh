#!/usr/bin/env bash
# Serves the bundled sample site, the search page and tarvocgi with lighttpd
# on 127.0.0.1 and prints the address to open. Ctrl+C stops the server.
# Usage: bash scripts/serve.sh [PORT]   (default: the first free port from 8080)
# Everything served lives in build/serve/: htdocs/ (the search page and the
# sample site), cgi-bin/ (tarvocgi beside the index file set "site"), log/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh release

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port="${1:-${PORT:-}}"
if [ -z "$port" ]; then
  port=8080
  while port_in_use "$port"; do port=$((port + 1)); done
elif port_in_use "$port"; then
  echo "Port $port on 127.0.0.1 is in use; give another: bash scripts/serve.sh PORT" >&2
  exit 1
fi

root="$PWD/build/serve"
rm -rf "$root"
mkdir -p "$root/htdocs" "$root/cgi-bin" "$root/log"
cp -r samples/site "$root/htdocs/site"
cp examples/search.html examples/search.js "$root/htdocs/"
cp examples/search.html "$root/htdocs/index.html"
cp build/bin/tarvocgi "$root/cgi-bin/tarvocgi"
echo "== Indexing the sample site into $root/cgi-bin/site =="
build/bin/tarvo-index samples/sample.tarvo --database "$root/cgi-bin/site" --quiet

user_lines=""
if [ "$(id -u)" -eq 0 ]; then
  # lighttpd hands the requests to an unprivileged account.
  user_lines='server.username = "www-data"
server.groupname = "www-data"'
  chmod -R a+rX "$root"
  chmod 777 "$root/log"
fi

cat > "$root/lighttpd.conf" <<EOF
server.document-root = "$root/htdocs"
server.bind = "127.0.0.1"
server.port = $port
server.modules = ( "mod_alias", "mod_cgi", "mod_setenv" )
server.errorlog = "$root/log/lighttpd-error.log"
$user_lines
index-file.names = ( "index.html" )
mimetype.assign = ( ".html" => "text/html", ".htm" => "text/html", ".txt" => "text/plain",
                    ".js" => "text/javascript", ".css" => "text/css" )
alias.url = ( "/cgi-bin/" => "$root/cgi-bin/" )
\$HTTP["url"] =~ "^/cgi-bin/" {
  cgi.assign = ( "" => "" )
}
setenv.set-environment = ( "CGI_LOG_DIR" => "$root/log" )
EOF
touch "$root/log/lighttpd-error.log"
[ "$(id -u)" -eq 0 ] && chmod 666 "$root/log/lighttpd-error.log"

echo
echo "Search the sample site: open http://127.0.0.1:$port/search.html"
echo "(tarvocgi answers at http://127.0.0.1:$port/cgi-bin/tarvocgi; Ctrl+C stops the server)"
exec /usr/sbin/lighttpd -D -f "$root/lighttpd.conf"
