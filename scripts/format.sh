#!/usr/bin/env bash
# Lays out every C++ source of the tree in place as .clang-format says.
# Usage: bash scripts/format.sh     (scripts/check-format.sh only checks)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here/.."
# shellcheck source=scripts/format-sources.sh
source "$here/format-sources.sh"

clang_format="$(find_clang_format)"
mapfile -t sources < <(list_cpp_sources)
printf '%s\0' "${sources[@]}" | xargs -0 -n 50 -P 2 "$clang_format" -i
echo "Formatted ${#sources[@]} C++ sources with $("$clang_format" --version)"
