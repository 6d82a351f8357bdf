#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages.txt (and any extra
# list files given as arguments) when one of them is missing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
lists=("$here/packages.txt" "$@")
mapfile -t wanted < <(cat "${lists[@]}" | sed -e 's/#.*//' -e 's/[[:space:]]//g' | grep -v '^$' | sort -u)

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
# The web tests run on Node.js with npm. A machine that already has them (from
# any source) keeps its own; otherwise Debian's packages bring them.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
