#!/usr/bin/env bash
# The editor as a person starts it, on a real X server: the main window and the splash
# appear, the splash above; a click on the splash picture hides it and the main window
# stays; "Info" opens the credits window again and again; "Uscita" ends the program
# with exit code 0 while the credits window is still open.
# Usage: startup.sh SLEEVANE_BINARY SCREENSHOT_DIR   (run inside xvfb-run)
set -u
app=$1
shots=${2:-.}
mkdir -p "$shots"
fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }

# The top-level window of the given size, as "id x y"; empty while there is none mapped.
window() {
    xwininfo -root -children 2>/dev/null | awk -v size="$1" '
        $0 ~ " " size "\\+" { id = $1; split($NF, a, "+"); print id, a[2], a[3]; exit }'
}
mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
wait_for() { # wait_for SECONDS COMMAND...
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.2
    done
}
has_window() { [ -n "$(window "$1")" ] && mapped "$(window "$1" | cut -d' ' -f1)"; }
gone() { ! has_window "$1"; }
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.5; }

QT_QPA_PLATFORM=xcb "$app" &
pid=$!

wait_for 20 has_window 546x380 || fail "main window not shown"
wait_for 10 has_window 349x249 || fail "splash not shown"
read -r main mx my <<<"$(window 546x380)"
read -r splash sx sy <<<"$(window 349x249)"
import -window root "$shots/e2e-start.png"

# Stacking order: the root's children are listed top-most first.
order=$(xwininfo -root -children | grep -n -E "^ +($main|$splash) " | cut -d: -f1 | tr '\n' ' ')
first=$(xwininfo -root -children | grep -E "^ +($main|$splash) " | head -1 | awk '{print $1}')
[ "$first" = "$splash" ] || fail "splash is not above the main window ($order)"
# The splash is centred on the 1024 x 768 screen.
[ "$sx" -eq $(((1024 - 349) / 2)) ] && [ "$sy" -eq $(((768 - 249) / 2)) ] || fail "splash not centred ($sx,$sy)"

# A click on the splash's text does not close it; one on its picture does.
click $((sx + 175)) $((sy + 222))
has_window 349x249 || fail "a click on the splash text closed it"
click $((sx + 20)) $((sy + 20))
wait_for 5 gone 349x249 || fail "a click on the splash picture did not close it"
has_window 546x380 || fail "the main window went with the splash"

# "Info" (left 344, top 328, 97 x 49) opens the credits, again and again.
for round in 1 2 3; do
    click $((mx + 344 + 48)) $((my + 328 + 24))
    wait_for 5 has_window 341x222 || fail "Info did not open the credits (round $round)"
    read -r info ix iy <<<"$(window 341x222)"
    [ $round -eq 1 ] && import -window root "$shots/e2e-credits.png"
    if [ $round -lt 3 ]; then
        click $((ix + 133 + 37)) $((iy + 184 + 12)) # its Close button
        wait_for 5 gone 341x222 || fail "Close did not hide the credits (round $round)"
    fi
done

# "Uscita" (left 448) ends the program while the credits are open.
click $((mx + 448 + 48)) $((my + 328 + 24))
for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
done
kill -0 "$pid" 2>/dev/null && fail "Uscita did not end the program"
wait "$pid"
rc=$?
[ $rc -eq 0 ] || fail "exit code $rc"
echo "1 passed, 0 failed"
