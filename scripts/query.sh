#!/usr/bin/env bash
# Answers one search through tarvocgi the way a web server runs it (standard
# CGI, GET request) and prints the results page and then its data lines
# readably.
# Usage: query.sh [--utf8] PROGRAM VOLUME WORDS [LANGUAGE]
#   --utf8    send the words in UTF-8 with "_charset_=UTF-8" (as the bundled
#             search page does), so the page comes back in UTF-8; without
#             it the words go in the set's single-byte code page (Windows-1250
#             for a set whose .cpg file says so, else Windows-1252) and the
#             page comes back in the set's code page
#   PROGRAM   a tarvocgi program file; VOLUME is taken relative to its folder
#   VOLUME    the index file set's base name (the form field volumeName)
#   WORDS     the query (searchWords); typed in UTF-8
#   LANGUAGE  en sp da nl sl fr de no it (default en)
set -euo pipefail
utf8=0
if [ "${1:-}" = --utf8 ]; then utf8=1; shift; fi
if [ $# -lt 3 ]; then
  sed -n '2,14p' "$0" >&2
  exit 2
fi
program="$1" volume="$2" words="$3" language="${4:-en}"

# URL-encodes stdin byte by byte, blanks as "+".
url_encode() {
  local hex
  for hex in $(od -An -v -tx1); do
    case "$hex" in
      2[dDeE]|3[0-9]|4[1-9a-fA-F]|5[0-9aA]|6[1-9a-fA-F]|7[0-9aA]|5[fF]|2[aA]) printf "\\x$hex" ;;
      20) printf '+' ;;
      *) printf '%%%s' "$(echo "$hex" | tr a-f A-F)" ;;
    esac
  done
}

if [ "$utf8" = 1 ]; then
  encoded_words="$(printf '%s' "$words" | url_encode)"
else
  request_charset=WINDOWS-1252
  cpg="$(dirname "$program")/$volume.cpg"
  [ -f "$cpg" ] && [ "$(tr -d '\r\n' < "$cpg")" = windows-1250 ] && request_charset=WINDOWS-1250
  encoded_words="$(printf '%s' "$words" | iconv -f UTF-8 -t "$request_charset//TRANSLIT" | url_encode)"
fi
encoded_volume="$(printf '%s' "$volume" | url_encode)"
query="volumeName=${encoded_volume}&searchWords=${encoded_words}&language=${language}"
[ "$utf8" = 1 ] && query="$query&_charset_=UTF-8"

raw="$(mktemp)"
trap 'rm -f "$raw"' EXIT
env -i PATH=/usr/bin:/bin SERVER_SOFTWARE="tarvo-query" GATEWAY_INTERFACE=CGI/1.1 \
  SERVER_PROTOCOL=HTTP/1.1 REQUEST_METHOD=GET SCRIPT_NAME=/cgi-bin/tarvocgi QUERY_STRING="$query" \
  "$program" > "$raw"
# The page's character set is the one its head names; without one it is
# Windows-1252, where the Slovenian messages carry "š" as its Latin-2 byte.
charset="$(head -n 5 "$raw" | tr -d '\r' | sed -n 's/^content-type:.*charset=\(.*\)$/\1/Ip' | head -n 1)"
if [ -z "$charset" ]; then
  charset=WINDOWS-1252
  [ "$language" = sl ] && charset=ISO-8859-2
fi
page="$(iconv -f "$charset" -t UTF-8 < "$raw")"

echo "Request: GET /cgi-bin/tarvocgi?$query"
echo "--- page as tarvocgi writes it ---"
printf '%s\n' "$page" | tr -d '\r'
echo "--- results ---"
printf '%s\n' "$page" | tr -d '\r' | awk -F '~\\|~' '
  /^<!--start of data-->$/ { inside = 1; first = 1; next }
  /^<!--end of data-->$/   { inside = 0 }
  !inside { next }
  first   { printf "%s document(s) found\n", $1; first = 0; next }
  $2 == "Not Applicable" { printf "  %s\n", $1; next }
  { printf "  %s\n      %s\n", ($1 == "" ? "(no title)" : $1), $2 }'
