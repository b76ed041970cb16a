#!/bin/sh
# Runs the real vorru program in an Xvfb screen with SDL's dummy sound driver:
#  1. to its own end (order 16): exit code 1, the start and end of the trace, one screenshot
#     per scene showing that scene;
#  2. ended early by a key press: exit code 1;
#  3. ended by a window close request: exit code 0.
# Usage: run_vorru_xvfb.sh VORRU X_CLOSE_REQUEST WORKDIR
set -u
vorru=$1
closer=$2
work=$3
convert=/usr/bin/convert
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*"; exit 1; }
command -v Xvfb >/dev/null || fail "Xvfb is not installed"
command -v xdotool >/dev/null || fail "xdotool is not installed"

# A private X server for this run.
disp=:$(( 90 + $$ % 100 ))
Xvfb "$disp" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
export DISPLAY=$disp
for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export SDL_AUDIODRIVER=dummy

start_vorru() {
    "$vorru" >"$work/$1.out" 2>"$work/$1.err" &
    pid=$!
}
wait_window() {
    for i in $(seq 100); do
        xdotool search --name '^vorru$' >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
shot() { # name: the 320x240 frame, cut from the 3x centred picture and scaled back
    xwd -root -silent >"$work/$1.xwd" && "$convert" "$work/$1.xwd" -crop 960x720+160+0 \
        -sample 320x240 "$work/$1.png" && rm -f "$work/$1.xwd"
}
mean() { "$convert" "$work/$1.png" -colorspace Gray -format '%[fx:int(mean*1000)]' info:; }

# 1. A whole run. Scenes by song time: order n starts at 2.56 n s after the music starts, which
# is just before the window opens.
start=$(date +%s.%N)
start_vorru full
wait_window || fail "no vorru window"
t0=$(date +%s.%N)
echo "window after $(echo "$t0 - $start" | bc) s"
sleep_until() { # seconds after t0
    now=$(date +%s.%N)
    d=$(echo "$1 - ($now - $t0)" | bc)
    [ "$(echo "$d > 0" | bc)" = 1 ] && sleep "$d"
}
sleep_until 6.4;  shot opening   # order 2
sleep_until 14.1; shot tunnel    # order 5
sleep_until 21.8; shot blobs     # order 8
sleep_until 26.9; shot freeze    # order 10
sleep_until 32.0; shot owls      # order 12
# Order 15 shows until the loop ends at 16: keep shooting until the program is gone.
sleep_until 38.0
n=0
while kill -0 $pid 2>/dev/null; do shot "late$n" 2>/dev/null; n=$((n + 1)); sleep 0.3; done
wait $pid
rc=$?
t1=$(date +%s.%N)
secs=$(echo "$t1 - $start" | bc)
echo "full run: exit $rc after $secs s"
[ "$rc" = 1 ] || fail "full run exit code $rc, expected 1"
[ "$(echo "$secs > 38 && $secs < 60" | bc)" = 1 ] || fail "full run took $secs s"
head -n 1 "$work/full.out" | grep -qx 'initialized internal fs. size: 781988 bytes' ||
    fail "trace does not start with the store line"
grep -qx 'fileopen: data\\vantoli.xm found' "$work/full.out" || fail "song not opened"
tail -n 1 "$work/full.out" | grep -qx 'deleted bitmap object' || fail "trace does not end with the back buffer"
for s in opening tunnel blobs freeze owls; do
    [ -f "$work/$s.png" ] || fail "no screenshot $s"
    echo "$s: mean grey $(mean $s)/1000"
done
# The end scene is black but for its one caption line (rows 120..142).
ending=""
for f in "$work"/late*.png; do
    [ -f "$f" ] || continue
    top=$("$convert" "$f" -crop 320x118+0+0 -format '%[fx:int(maxima*255)]' info:)
    cap=$("$convert" "$f" -crop 320x23+0+120 -format '%[fx:int(maxima*255)]' info:)
    [ "$top" = 0 ] && [ "$cap" -gt 100 ] && ending=$f
done
[ -n "$ending" ] || fail "no screenshot of the end scene before the program ended"
echo "ending: $(basename "$ending")"
# The freeze is a darkened copy: darker than the scene it froze; the opening (its lit
# pictures under the moving light) and the tunnel are far from black.
[ "$(mean freeze)" -lt "$(mean blobs)" ] || fail "freeze frame is not darker than the blob cloud"
[ "$(mean opening)" -gt 40 ] || fail "the opening is nearly black"
[ "$(mean tunnel)" -gt 40 ] || fail "the tunnel is nearly black"

# 2. A key press ends it early, exit code 1.
start_vorru key
wait_window || fail "no vorru window (key run)"
sleep 2
xdotool key space
for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -0 $pid 2>/dev/null && { kill $pid; fail "a key press did not end the demo"; }
wait $pid
rc=$?
[ "$rc" = 1 ] || fail "key run exit code $rc, expected 1"
echo "key run: exit $rc"

# 3. A close request ends it at once, exit code 0.
start_vorru close
wait_window || fail "no vorru window (close run)"
sleep 2
"$closer" vorru || fail "could not send the close request"
for i in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -0 $pid 2>/dev/null && { kill $pid; fail "a close request did not end the demo"; }
wait $pid
rc=$?
[ "$rc" = 0 ] || fail "close run exit code $rc, expected 0"
echo "close run: exit $rc"
echo "PASS"
