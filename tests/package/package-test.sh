#!/usr/bin/env bash
# Checks of the Debian package that CPack made (tests/CMakeLists.txt builds it
# first, as the fixture of these tests).
# Usage: package-test.sh CHECK DEB SOURCE_DIR VERSION
#   contents  its file list (dpkg-deb -c) against expected-files.txt
#   lintian   lintian finds no error
#   versions  the three programs' --version, and tarvocgi's under a web server
#   apache    the extracted tarvocgi under a private Apache on loopback with
#             Debian's stock serve-cgi-bin.conf and the shipped example
#             configuration: a query with TARVO_INDEX_DIR outside the CGI
#             folder gets its results page, a volumeName leaving it is refused
# Fails at once when a tool the check needs is missing.
set -euo pipefail
check="$1" deb="$2" source_dir="$3" version="$4"
here="$(cd "$(dirname "$0")" && pwd)"

fail() { echo "FAIL: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null 2>&1 || { echo "FAILED: $1 is not installed (bash scripts/install-deps.sh installs it)"; exit 1; }; }
[ -f "$deb" ] || fail "no package $deb"

scratch="$(mktemp -d)"
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

check_contents() {
  dpkg-deb -c "$deb" | awk '{ print $6 }' | sort > "$scratch/actual"
  sort "$here/expected-files.txt" > "$scratch/expected"
  diff -u "$scratch/expected" "$scratch/actual" || fail "the package's files differ from expected-files.txt"
  echo "package file list as expected ($(wc -l < "$scratch/actual") entries)"
}

check_lintian() {
  need lintian
  local report
  report="$(lintian --no-tag-display-limit "$deb" 2>&1)" || true
  echo "$report"
  if grep -q '^E: ' <<<"$report"; then fail "lintian reports errors"; fi
}

check_versions() {
  dpkg -x "$deb" "$scratch/root"
  local program output
  for program in usr/bin/tarvo-index usr/bin/tarvo-indexer usr/lib/cgi-bin/tarvocgi; do
    output="$(env -u SERVER_SOFTWARE -u GATEWAY_INTERFACE -u REQUEST_METHOD "$scratch/root/$program" --version)" ||
      fail "$program --version exits with $?"
    [ "$output" = "$(basename "$program") (TARVO) $version" ] || fail "$program --version printed: $output"
  done
  # Under a web server the argument is the client's word (a query string
  # without "="): the answer is the results page.
  output="$(SERVER_SOFTWARE=test GATEWAY_INTERFACE=CGI/1.1 REQUEST_METHOD=GET QUERY_STRING=--version \
    "$scratch/root/usr/lib/cgi-bin/tarvocgi" --version)"
  grep -q '<!--start of data-->' <<<"$output" || fail "tarvocgi under a web server did not answer: $output"
  if grep -q 'TARVO)' <<<"$output"; then fail "tarvocgi under a web server printed its version"; fi
  echo "--version of tarvo-index, tarvo-indexer and tarvocgi: $version"
}

free_port() {
  node -e 'const s = require("net").createServer(); s.listen(0, "127.0.0.1", () => { console.log(s.address().port); s.close(); })'
}

# Writes two documents and indexes them with the packaged tarvo-index into
# the set $1 (a full base path).
index_site() {
  local docs="$scratch/docs"
  mkdir -p "$docs" "$(dirname "$1")"
  printf '<html><head><title>Alpha page</title></head><body>apple banana</body></html>\r\n' > "$docs/alpha.htm"
  printf '<html><head><title>Beta page</title></head><body>banana cherry</body></html>\r\n' > "$docs/beta.htm"
  printf 'alpha.htm F: http://site.test/alpha.htm\r\nbeta.htm F: http://site.test/beta.htm\r\n' > "$docs/files.lst"
  "$scratch/root/usr/bin/tarvo-index" --filelist "$docs/files.lst" --database "$1" --quiet ||
    fail "tarvo-index could not index the test site"
}

# Stock configuration files with the package's paths moved into the extracted tree.
relocated() { sed -e "s#/usr/lib/cgi-bin#$scratch/root/usr/lib/cgi-bin#g" -e "s#/usr/share/tarvo#$scratch/root/usr/share/tarvo#g" "$1"; }

page() {
  printf '<HTML><BODY>\r\n<!--start of data-->\r\n'
  printf '%s\r\n' "$@"
  printf '<!--end of data-->\r\n</BODY></HTML>\r\n'
}

check_apache() {
  need apache2
  need curl
  local stock=/etc/apache2/conf-available/serve-cgi-bin.conf modules=/usr/lib/apache2/modules
  [ -f "$stock" ] || { echo "FAILED: no $stock (apache2 installs it)"; exit 1; }
  dpkg -x "$deb" "$scratch/root"
  local indexes="$scratch/indexes" logs="$scratch/log" conf="$scratch/apache"
  index_site "$indexes/example/site"
  mkdir -p "$logs" "$conf"
  relocated "$stock" > "$conf/serve-cgi-bin.conf"
  relocated "$source_dir/examples/server/apache2-tarvo.conf" > "$conf/tarvo.conf"
  local user_lines=""
  if [ "$(id -u)" -eq 0 ]; then
    # Apache serves as www-data: it must reach the extracted tree and the index.
    chmod -R a+rX "$scratch"
    chmod 777 "$logs"
    user_lines=$'User www-data\nGroup www-data'
  fi
  local port
  port="$(free_port)"
  cat > "$conf/apache2.conf" <<CONF
ServerRoot "$conf"
ServerName 127.0.0.1
Listen 127.0.0.1:$port
PidFile "$conf/apache2.pid"
DefaultRuntimeDir "$conf"
Mutex file:$conf default
ErrorLog "$conf/error.log"
LogLevel warn
LoadModule mpm_prefork_module $modules/mod_mpm_prefork.so
LoadModule authz_core_module $modules/mod_authz_core.so
LoadModule mime_module $modules/mod_mime.so
LoadModule alias_module $modules/mod_alias.so
LoadModule env_module $modules/mod_env.so
LoadModule cgi_module $modules/mod_cgi.so
$user_lines
StartServers 1
MinSpareServers 1
MaxSpareServers 2
TypesConfig /etc/mime.types
AddDefaultCharset Off
DocumentRoot "$scratch/docs"
Include "$conf/serve-cgi-bin.conf"
Include "$conf/tarvo.conf"
# The index folder of this test, outside the CGI folder, in place of the
# example's /var/lib/tarvo.
<Location "/cgi-bin/tarvocgi">
    SetEnv TARVO_INDEX_DIR "$indexes"
    SetEnv CGI_LOG_DIR "$logs"
</Location>
CONF
  # Its own session: at its end Apache signals its whole process group.
  setsid /usr/sbin/apache2 -f "$conf/apache2.conf" -DFOREGROUND > "$conf/console.log" 2>&1 &
  server_pid=$!
  local url="http://127.0.0.1:$port" tries=0
  until curl -s -o /dev/null "$url/"; do
    tries=$((tries + 1))
    [ "$tries" -lt 100 ] && kill -0 "$server_pid" 2>/dev/null ||
      fail "Apache did not start: $(cat "$conf/console.log" "$conf/error.log" 2>/dev/null)"
    sleep 0.1
  done

  curl -sS --max-time 10 "$url/tarvo/search.html" | grep -q 'id="search-form"' ||
    fail "the example configuration does not serve the search page at /tarvo/search.html"

  local answer
  answer="$(curl -sS --max-time 10 -d 'volumeName=example%2Fsite&searchWords=banana&language=en' \
    "$url/cgi-bin/tarvocgi")"
  [ "$answer" = "$(page '2~|~~|~' 'Alpha page~|~http://site.test/alpha.htm~|~~|~' \
    'Beta page~|~http://site.test/beta.htm~|~~|~')" ] ||
    fail "query through TARVO_INDEX_DIR: unexpected page:
$answer
$(cat "$logs"/*.Log "$conf/error.log" 2>/dev/null)"
  echo "a query with TARVO_INDEX_DIR=$indexes gets its results page"

  answer="$(curl -sS --max-time 10 -d 'volumeName=..%2Findexes%2Fexample%2Fsite&searchWords=banana&language=en' \
    "$url/cgi-bin/tarvocgi")"
  [ "$answer" = "$(page '0~|~~|~' 'File errors!~|~Not Applicable~|~~|~')" ] ||
    fail "a volumeName leaving the index folder was not refused:
$answer"
  grep -q 'volumeName refused' "$logs/tarvocgi.Log" || fail "the refusal left no log line"
  echo "a volumeName that leaves the index folder is refused"
}

case "$check" in
  contents) check_contents ;;
  lintian) check_lintian ;;
  versions) check_versions ;;
  apache) check_apache ;;
  *) fail "unknown check $check" ;;
esac
