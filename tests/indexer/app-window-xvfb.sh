#!/usr/bin/env bash
# The desktop indexer in real windows under a virtual X display: started with
# a project and "autorun" it indexes the project and closes by itself with
# exit status 0; with "debug" too the sorted work file stays; started with the
# project alone, Ctrl+R runs it, a screenshot of the main window after the run
# is written into the build folder, Help > Contents shows the help pages (also
# kept as a screenshot), and File > Exit ends the program.
# Usage: app-window-xvfb.sh TARVO-INDEXER TARVO-SCREENSHOT BUILD-FOLDER
# Fails at once when no virtual X server is installed.
set -uo pipefail
indexer="$(realpath "$1")"; screenshot="$(realpath "$2")"; build="$(realpath "$3")"

if ! command -v Xvfb >/dev/null 2>&1; then
  echo "FAILED: Xvfb is not installed (bash scripts/install-deps.sh installs it)"
  exit 1
fi

# Under the sanitizer build, leave the X and font libraries' lifetime caches
# out of the leak report.
export LSAN_OPTIONS="suppressions=$(dirname "$(realpath "$0")")/data/lsan-desktop.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

work="$(mktemp -d "${TMPDIR:-/tmp}/tarvo-app-window.XXXXXX")"
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# A virtual display on a free number, reported by the server itself. The
# server must not reset when its last client leaves: a program that connects
# while it resets (the window check right after an autorun has closed) is
# turned away and never opens its window.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
exec 3>&-
if [ ! -s "$work/display" ]; then
  echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1
fi
export DISPLAY=":$(head -1 "$work/display")"
export XDG_CONFIG_HOME="$work/config"

# A small site: three pages, a file list with a pattern, a stopword file.
mkdir -p "$work/site/pages"
printf '<html><head><title>First page</title></head><body>Apples and pears grow here.</body></html>\r\n' >"$work/site/pages/one.htm"
printf '<html><head><title>Second page</title></head><body>Pears, plums and cherries.</body></html>\r\n' >"$work/site/pages/two.htm"
printf 'Plain text about apples.\r\n' >"$work/site/pages/notes.txt"
printf 'pages/*.htm T: Orchard F: http://orchard.example/\r\npages/notes.txt\r\n' >"$work/site/list.txt"
printf 'and\r\n' >"$work/site/stop.txt"
printf '[Paths]\r\nfilelist=list.txt\r\nstopwords=stop.txt\r\ndatabase=Orchard\r\n' >"$work/site/orchard.tarvo"

run_bounded() {  # seconds, command...: the command's exit status, 124 on timeout
  local seconds="$1"; shift
  timeout --kill-after=5 "$seconds" "$@"
}

# 1. autorun: indexes and closes by itself.
( cd / && run_bounded 120 "$indexer" "$work/site/orchard.tarvo" autorun ) >"$work/autorun.log" 2>&1
status=$?
if [ "$status" -eq 0 ]; then pass "autorun closes with status 0"; else fail "autorun exit status $status"; cat "$work/autorun.log"; fi
for ext in toc dct ndx hsh; do
  [ -s "$work/site/Orchard.$ext" ] || fail "autorun left no Orchard.$ext beside the file list"
done
[ -e "$work/site/Orchard.temp" ] && fail "the work file stayed without debug"
if [ "$(wc -l <"$work/site/Orchard.toc")" -eq 3 ]; then pass "three documents in the table of contents"; else fail "Orchard.toc: $(wc -l <"$work/site/Orchard.toc") lines"; fi

# 2. autorun debug: the sorted work file stays.
rm -f "$work/site"/Orchard.*
( cd "$work" && run_bounded 120 "$indexer" "$work/site/orchard.tarvo" autorun debug ) >"$work/debug.log" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "autorun debug exit status $status"
if [ -s "$work/site/Orchard.temp" ]; then
  # Sorted by the 27-byte word field; equal words keep no particular order.
  if cut -c1-27 "$work/site/Orchard.temp" | LC_ALL=C sort -c 2>/dev/null; then pass "debug keeps the sorted work file"
  else fail "Orchard.temp is not sorted"; fi
  grep -q '^APPLES ' "$work/site/Orchard.temp" || fail "Orchard.temp lacks the word APPLES"
  grep -q '^AND ' "$work/site/Orchard.temp" && fail "the stopword AND was indexed"
else
  fail "debug left no Orchard.temp"
fi

# 3. Ctrl+R in the window, a screenshot after the run, File > Exit.
if ! command -v xdotool >/dev/null 2>&1; then
  echo "note: xdotool is not installed; the interactive window check is left out"
else
  rm -f "$work/site"/Orchard.*
  ( cd / && exec "$indexer" "$work/site/orchard.tarvo" ) >"$work/window.log" 2>&1 &
  app_pid=$!
  window=""
  for _ in $(seq 1 400); do
    window="$(xdotool search --name '^TARVO Indexer$' 2>/dev/null | head -1)"
    [ -n "$window" ] && break
    sleep 0.1
  done
  if [ -z "$window" ]; then
    fail "the main window did not appear"
    if kill -0 "$app_pid" 2>/dev/null; then echo "the program is still running; its windows:"
      xdotool search --name '.' getwindowname %@ 2>/dev/null | head -20
    else wait "$app_pid"; echo "the program ended with status $?"; fi
    echo "its output:"; tail -40 "$work/window.log"
    echo "the X server's output:"; tail -20 "$work/xvfb.log"
  else
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --window "$window" ctrl+r
    for _ in $(seq 1 600); do
      [ -s "$work/site/Orchard.hsh" ] && break
      sleep 0.1
    done
    [ -s "$work/site/Orchard.hsh" ] && pass "Ctrl+R ran the project" || fail "Ctrl+R did not run the project"
    sleep 1  # let the window paint "Done"
    if "$screenshot" "$build/tarvo-indexer-main-window.png" "TARVO Indexer"; then
      pass "screenshot written to $build/tarvo-indexer-main-window.png"
    else
      fail "no screenshot"
    fi
    # Help > Contents finds the help pages beside the program, whatever the
    # working folder (the program was started from /).
    xdotool key --window "$window" alt+h
    sleep 1  # the menu must be open before its item's key
    xdotool key c
    help=""
    for _ in $(seq 1 400); do
      help="$(xdotool search --onlyvisible --name '^TARVO Help$' 2>/dev/null | head -1)"
      [ -n "$help" ] && break
      sleep 0.1
    done
    if [ -z "$help" ]; then
      fail "Help > Contents showed no help window"
    else
      pass "Help > Contents shows the help window"
      sleep 1
      "$screenshot" "$build/tarvo-indexer-help.png" "TARVO Help" || fail "no screenshot of the help window"
      xdotool mousemove --window "$help" 20 12 click 1  # its menu item "Close"
      for _ in $(seq 1 50); do
        xdotool search --onlyvisible --name '^TARVO Help$' >/dev/null 2>&1 || break
        sleep 0.1
      done
    fi
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --window "$window" alt+f
    sleep 1  # the menu must be open before its item's key
    xdotool key x
    for _ in $(seq 1 400); do
      kill -0 "$app_pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$app_pid" 2>/dev/null; then
      fail "File > Exit did not end the program"
    else
      wait "$app_pid"; status=$?
      if [ "$status" -eq 0 ]; then pass "File > Exit ends with status 0"
      else fail "exit status $status after File > Exit"; tail -40 "$work/window.log"; fi
    fi
    app_pid=""
  fi
fi

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
