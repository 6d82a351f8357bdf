# shellcheck shell=bash
# The clang-format program and the C++ sources it lays out, for format.sh and
# check-format.sh. Sourced from the top folder of the tree, not run.

# Prints the clang-format to use: $CLANG_FORMAT when set, else clang-format-14
# or clang-format from PATH. .clang-format is written for version 14, the one
# Debian 12 ships. Fails with a message when there is none.
find_clang_format() {
  local candidate
  for candidate in "${CLANG_FORMAT:-}" clang-format-14 clang-format; do
    if [ -n "$candidate" ] && command -v "$candidate" >/dev/null 2>&1; then
      command -v "$candidate"
      return 0
    fi
  done
  echo "clang-format is missing: install the Debian package clang-format (bash scripts/install-deps.sh does)" >&2
  return 1
}

# The major version of the given clang-format ("14").
clang_format_major() {
  "$1" --version | sed -n 's/.*clang-format version \([0-9]*\).*/\1/p'
}

# Prints the C++ sources (*.cpp, *.h), one a line, relative to the top folder:
# the tracked ones in a git checkout, else every one outside the build, hidden
# and node_modules folders (a copy of the tree without git).
list_cpp_sources() {
  local top
  if command -v git >/dev/null 2>&1 && top="$(git rev-parse --show-toplevel 2>/dev/null)" &&
     [ "$top" -ef . ]; then
    git ls-files -- '*.cpp' '*.h' | while IFS= read -r path; do
      [ -f "$path" ] && printf '%s\n' "$path"
    done
  else
    find . \( -path './build*' -o -path './.*' -o -name node_modules \) -prune -o \
      -type f \( -name '*.cpp' -o -name '*.h' \) -print |
      sed 's|^\./||' | LC_ALL=C sort
  fi
}
