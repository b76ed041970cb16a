#!/bin/sh
# vorru-capture's command line: --help on standard output with status 0, an unknown option the
# usage on standard error with status 2, and without ffmpeg a warning but still PNGs and WAV.
# Usage: capture_options.sh VORRU_CAPTURE WORKDIR
set -u
capture=$1
work=$2
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*"; exit 1; }
"$capture" --help >"$work/help.out" 2>"$work/help.err"
[ $? -eq 0 ] || fail "--help exits non-zero"
head -1 "$work/help.out" | grep -q '^usage: vorru-capture' || fail "--help prints no usage"
[ -s "$work/help.err" ] && fail "--help writes to standard error"
"$capture" --frobnicate "$work/x" >"$work/bad.out" 2>"$work/bad.err"
[ $? -eq 2 ] || fail "an unknown option does not exit 2"
grep -q '^usage: vorru-capture' "$work/bad.err" || fail "an unknown option prints no usage"
[ -s "$work/bad.out" ] && fail "an unknown option writes to standard output"
[ -e "$work/x" ] && fail "an unknown option still made the output folder"
# No ffmpeg on the PATH: said once, and the capture is complete without the video.
PATH=/nonexistent "$capture" --per-order "$work/noff" >/dev/null 2>"$work/noff.err" ||
    fail "the capture without ffmpeg exits $?"
grep -q 'ffmpeg not found' "$work/noff.err" || fail "no word on standard error that ffmpeg is missing"
[ "$(ls "$work/noff" | grep -c '\.png$')" -eq 17 ] || fail "PNGs missing without ffmpeg"
[ -s "$work/noff/capture.wav" ] || fail "capture.wav missing without ffmpeg"
[ -e "$work/noff/capture.mp4" ] && fail "a capture.mp4 without ffmpeg"
echo "PASS"
