#!/usr/bin/env bash
# Proves that the README's two commands work on a fresh Debian 12 machine:
# makes a clean Debian 12 root with debootstrap (the minimal variant, so it
# holds less than a new machine of this project's kind, plus the Node.js 20
# and npm that such a machine brings), clones the committed
# HEAD of this repository into it, and runs `bash scripts/demo.sh` and then
# `bash scripts/test.sh` inside it as root, as CI would (CI=true, no input).
# Both must pass, and the suite must register as many tests as the build in
# build/ does here, when there is one.
#
# Run by hand, as root, on Debian 12 (it is not part of the test command):
#   sudo bash scripts/check-fresh-machine.sh [ROOT_FOLDER]
# ROOT_FOLDER (default /var/tmp/tarvo-fresh-root) is removed and made anew.
# The package mirror and its settings are taken from this machine's apt
# configuration, and this machine's certificate bundle goes into the root so
# that npm reaches its registry through the same TLS set-up.
# Logs: ROOT_FOLDER.log/demo.log and ROOT_FOLDER.log/test.log.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
root="${1:-/var/tmp/tarvo-fresh-root}"
logs="$root.log"
suite=bookworm
ca_bundle=/etc/ssl/certs/ca-certificates.crt

[ "$(id -u)" -eq 0 ] || { echo "check-fresh-machine: run it as root (sudo)" >&2; exit 2; }
command -v debootstrap >/dev/null ||
  { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap; }

# The first mirror this machine's apt sources name for the release.
host_mirror() {
  {
    awk '/^URIs:/ { print $2 }' /etc/apt/sources.list.d/*.sources 2>/dev/null
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk '$1 == "deb" && $3 == "'"$suite"'" { print $2 }'
  } | grep -v security | head -n 1 || true
}
mirror="$(host_mirror)"
[ -n "$mirror" ] || { echo "check-fresh-machine: no Debian mirror in this machine's apt sources" >&2; exit 2; }

mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -R "${mounted[$i]}" 2>/dev/null || umount -l "${mounted[$i]}" 2>/dev/null || true; done
}
trap unmount_all EXIT

seconds_since() { echo $(($(date +%s) - $1)); }

start=$(date +%s)
rm -rf "$root" "$logs"
mkdir -p "$root" "$logs"
echo "== Making a clean Debian 12 root in $root =="
debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$logs/debootstrap.log" 2>&1 ||
  { tail -20 "$logs/debootstrap.log"; exit 1; }

# The machine's package sources and download settings, its name service, and
# its certificate bundle (kept apart from the root's own, which a later
# ca-certificates install would rewrite).
mkdir -p "$root/etc/apt/sources.list.d" "$root/etc/apt/apt.conf.d" "$root/usr/local/share/host-ca"
rm -f "$root/etc/apt/sources.list"
cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/" 2>/dev/null || true
[ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$root/etc/apt/sources.list"
grep -l '^Acquire::' /etc/apt/apt.conf.d/* 2>/dev/null | xargs -r cp -t "$root/etc/apt/apt.conf.d/"
cp /etc/resolv.conf /etc/hosts "$root/etc/"
cp "$ca_bundle" "$root/usr/local/share/host-ca/ca-bundle.crt"
# A new machine of this project's kind comes with Node.js 20 and npm from its
# image, not from Debian (whose Node.js 18 the browser test's playwright-core
# refuses): the root gets this machine's, as such a machine has them.
node_binary="$(command -v node || true)"
if [ -n "$node_binary" ] && [ -d /usr/lib/node_modules/npm ]; then
  mkdir -p "$root/usr/local/bin" "$root/usr/local/lib/node_modules"
  cp "$(readlink -f "$node_binary")" "$root/usr/local/bin/node"
  cp -r /usr/lib/node_modules/npm "$root/usr/local/lib/node_modules/npm"
  ln -sf ../lib/node_modules/npm/bin/npm-cli.js "$root/usr/local/bin/npm"
  ln -sf ../lib/node_modules/npm/bin/npx-cli.js "$root/usr/local/bin/npx"
fi
# Packages installed into a root start no services.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

for folder in proc sys dev; do
  mount --rbind "/$folder" "$root/$folder"
  mount --make-rslave "$root/$folder"
  mounted+=("$root/$folder")
done

echo "== Cloning $(git -C "$repo" rev-parse --short HEAD) into the root =="
git clone -q --no-hardlinks "$repo" "$root/root/tarvo"

in_root() {
  local ca=/usr/local/share/host-ca/ca-bundle.crt
  chroot "$root" /usr/bin/env -i HOME=/root CI=true LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    NODE_EXTRA_CA_CERTS="$ca" SSL_CERT_FILE="$ca" CURL_CA_BUNDLE="$ca" GIT_SSL_CAINFO="$ca" \
    npm_config_cafile="$ca" \
    bash -c "cd /root/tarvo && $1" </dev/null
}

# Runs `bash scripts/NAME.sh` in the root; its output goes to NAME.log, and
# the last lines are shown when it fails.
status=0
run_phase() {
  local name="$1" phase_start
  phase_start=$(date +%s)
  echo "== bash scripts/$name.sh (log: $logs/$name.log) =="
  if in_root "bash scripts/$name.sh" >"$logs/$name.log" 2>&1; then
    echo "$name: passed in $(seconds_since "$phase_start") s"
  else
    status=1
    echo "$name: FAILED after $(seconds_since "$phase_start") s"
    tail -30 "$logs/$name.log"
  fi
}
run_phase demo
run_phase test
grep -E 'tests passed|tests failed' "$logs/test.log" || true
grep -A30 'The following tests FAILED' "$logs/test.log" || true

# The same suite as on this machine: as many tests registered in the root's
# release build as in ours.
count_tests() { ctest --test-dir "$1" -N 2>/dev/null | awk '/^Total Tests:/ { print $3 }'; }
fresh_count="$(in_root "ctest --test-dir build -N" 2>/dev/null | awk '/^Total Tests:/ { print $3 }')"
if [ -d "$repo/build" ]; then
  here_count="$(count_tests "$repo/build")"
  echo "Tests registered: $fresh_count in the fresh root, $here_count in $repo/build"
  [ "$fresh_count" = "$here_count" ] || status=1
else
  echo "Tests registered: $fresh_count in the fresh root"
fi

echo "== $( [ $status -eq 0 ] && echo passed || echo FAILED ) in $(seconds_since "$start") s =="
exit $status
