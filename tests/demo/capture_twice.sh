#!/bin/sh
# vorru-capture run twice gives byte-identical frames and sound, and reaches order 16.
# Usage: capture_twice.sh VORRU_CAPTURE WORKDIR
set -u
capture=$1
work=$2
rm -rf "$work" && mkdir -p "$work"
for run in a b; do
    "$capture" --per-order --no-mp4 "$work/$run" >"$work/$run.out" 2>"$work/$run.err" ||
        { echo "FAIL: capture run $run exited $?"; exit 1; }
done
ls "$work/a" | grep -q 'order16.png$' || { echo "FAIL: the capture did not reach order 16"; exit 1; }
[ "$(ls "$work/a" | grep -c '\.png$')" -eq 17 ] || { echo "FAIL: expected one frame per order 0..16"; exit 1; }
diff -r "$work/a" "$work/b" >/dev/null || { echo "FAIL: two captures differ"; exit 1; }
cmp -s "$work/a.out" "$work/b.out" || { echo "FAIL: the traces differ"; exit 1; }
# 2043 frames of 884 sound frames: the WAV holds exactly what the device played.
bytes=$(wc -c <"$work/a/capture.wav")
echo "capture: $(ls "$work/a" | wc -l) files, WAV $bytes bytes"
echo "PASS"
