#!/usr/bin/env bash
# Start-up of the editor against a bare Qt Widgets window of the same size on the same X
# server: each started RUNS times, alternately, and timed from its start to its main
# window being mapped; prints the medians and their ratio (the goal: at most 1.5). The
# same window holding one label, one button and one editable combo box runs beside them:
# its ratio is the least that any window showing text costs over the bare one.
#   bench/startup.sh BUILD_DIR [RUNS]
# Runs on an Xvfb of its own unless DISPLAY is set.
set -euo pipefail
build=$(readlink -f "${1:-build}")
runs=${2:-7}
size=546x380 # the editor's main window
if [ -z "${DISPLAY:-}" ]; then
    # A server of our own on a display number it picks itself, so that runs beside other
    # X servers never meet one of theirs; without a reset between clients, so that no
    # start meets a server that is resetting.
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$numfile" 2>/dev/null &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null; rm -f "$numfile"' EXIT
    for _ in $(seq 100); do [ -s "$numfile" ] && break; sleep 0.1; done
    export DISPLAY=:$(cat "$numfile")
fi
timer=$build/bench/startup_timer
export QT_QPA_PLATFORM=xcb
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# One run of each first, not counted: the files they read come into the cache.
"$timer" "$size" "$build/bench/bare_window" "$size" >/dev/null
"$timer" "$size" "$build/app/sleevane" >/dev/null
"$timer" "$size" "$build/bench/bare_window" "$size" --text >/dev/null
editor=() bare=() text=()
for _ in $(seq "$runs"); do
    editor+=("$("$timer" "$size" "$build/app/sleevane")")
    bare+=("$("$timer" "$size" "$build/bench/bare_window" "$size")")
    text+=("$("$timer" "$size" "$build/bench/bare_window" "$size" --text)")
done
e=$(printf '%s\n' "${editor[@]}" | median)
b=$(printf '%s\n' "${bare[@]}" | median)
t=$(printf '%s\n' "${text[@]}" | median)
echo "editor:      ${editor[*]} ms"
echo "bare:        ${bare[*]} ms"
echo "with text:   ${text[*]} ms"
awk -v e="$e" -v b="$b" -v t="$t" 'BEGIN {
    printf "median editor %.1f ms, bare window %.1f ms, ratio %.2f\n", e, b, e / b
    printf "window with text %.1f ms, ratio %.2f to the bare window\n", t, t / b }'
