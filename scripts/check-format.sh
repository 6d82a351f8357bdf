#!/usr/bin/env bash
# Fails when a C++ source of the tree is not laid out as .clang-format says,
# naming each such file and its first line that differs; bash scripts/format.sh
# lays them out. The format_check test runs it.
# Usage: bash scripts/check-format.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here/.."
# shellcheck source=scripts/format-sources.sh
source "$here/format-sources.sh"

clang_format="$(find_clang_format)"
mapfile -t sources < <(list_cpp_sources)
if [ ${#sources[@]} -eq 0 ]; then
  echo "check-format.sh: no C++ sources found in $(pwd)" >&2
  exit 1
fi

# One report line per unformatted file: "path:line:column: error: code should
# be clang-formatted", at its first difference.
status=0
report="$(printf '%s\0' "${sources[@]}" |
  xargs -0 "$clang_format" --dry-run -Werror --ferror-limit=1 2>&1)" || status=$?
mapfile -t unformatted < <(printf '%s\n' "$report" | grep -E '^[^ ]+:[0-9]+:[0-9]+: error: ' || true)
if [ $status -ne 0 ] && [ ${#unformatted[@]} -eq 0 ]; then
  printf '%s\n' "$report" >&2
  echo "check-format.sh: $clang_format failed (status $status)" >&2
  exit 1
fi

if [ ${#unformatted[@]} -gt 0 ]; then
  printf '%s\n' "${unformatted[@]}" >&2
  echo "${#unformatted[@]} of ${#sources[@]} C++ sources are not formatted; bash scripts/format.sh formats them." >&2
  major="$(clang_format_major "$clang_format")"
  if [ "$major" != 14 ]; then
    echo "Note: $clang_format is version ${major:-unknown}; .clang-format is written for clang-format 14 (Debian 12)," \
      "whose layout may differ." >&2
  fi
  exit 1
fi
echo "All ${#sources[@]} C++ sources are formatted."
