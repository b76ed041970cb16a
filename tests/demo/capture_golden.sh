#!/bin/sh
# The whole demo captured once: a checksum of every frame, order by order, of the WAV and of the
# console trace, against the golden file. VORRU_UPDATE_GOLDENS=1 rewrites the golden instead.
# Usage: capture_golden.sh VORRU_CAPTURE WORKDIR GOLDEN
set -u
capture=$1
work=$2
golden=$3
rm -rf "$work" && mkdir -p "$work"
"$capture" --every 0 --sums --no-mp4 "$work/run" >"$work/trace.txt" 2>"$work/err.txt" ||
    { echo "FAIL: capture exited $?"; exit 1; }
{
    # sums.txt has "FRAME ORDER CRC" per frame: one line per order, its frames' CRCs hashed.
    awk '$1 != "pcm" { n[$2]++; c[$2] = c[$2] " " $3 } END { for (o = 0; o in n; o++) print o, n[o], c[o] }' \
        "$work/run/sums.txt" | while read -r order frames crcs; do
        printf 'order %2d frames %4d crcs %s\n' "$order" "$frames" "$(echo "$crcs" | sha256sum | cut -c1-16)"
    done
    echo "wav $(sha256sum <"$work/run/capture.wav" | cut -c1-64)"
    echo "trace $(sha256sum <"$work/trace.txt" | cut -c1-64) $(wc -l <"$work/trace.txt") lines"
} >"$work/summary.txt"
if [ "${VORRU_UPDATE_GOLDENS:-}" = 1 ]; then
    cp "$work/summary.txt" "$golden" && echo "updated $golden" && echo PASS
    exit
fi
diff "$golden" "$work/summary.txt" ||
    { echo "FAIL: the capture differs from $golden (VORRU_UPDATE_GOLDENS=1 rewrites it)"; exit 1; }
echo PASS
