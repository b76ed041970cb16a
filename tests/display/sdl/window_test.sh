#!/bin/sh
# Shows the test frame in a real SDL window on a 1280x720 Xvfb screen once per texture layout,
# takes a screenshot of the X screen, and checks it. The close request (SIGTERM, which SDL
# turns into its quit event) must end the program with exit code 0.
# Usage: window_test.sh SHOWFRAME OUTPUT_DIR
set -eu
showframe=$1
out=$2
mkdir -p "$out"
if [ -z "${WINDOW_TEST_INNER:-}" ]; then
    WINDOW_TEST_INNER=1 exec xvfb-run -a -s "-screen 0 1280x720x24" sh "$0" "$@"
fi

status=0
for layout in 32_rgb 32_bgr 24_rgb 24_bgr 16_rgb565 16_bgr565 16_rgb555 16_bgr555; do
    ready="$out/$layout.ready"
    rm -f "$ready" "$out/$layout.xwd" "$out/$layout.png" "$out/$layout.ppm"
    VORRU_PIXEL_FORMAT=$layout "$showframe" show 30 "$ready" &
    pid=$!
    tries=0
    while [ ! -e "$ready" ] && [ $tries -lt 400 ] && kill -0 $pid 2>/dev/null; do
        sleep 0.05
        tries=$((tries + 1))
    done
    if [ ! -e "$ready" ]; then
        echo "$layout: no frame presented" >&2
        kill -TERM $pid 2>/dev/null || true
        wait $pid || true
        status=1
        continue
    fi
    xwd -root -silent -out "$out/$layout.xwd"
    kill -TERM $pid
    rc=0
    wait $pid || rc=$?
    if [ $rc -ne 0 ]; then
        echo "$layout: close request gave exit code $rc, want 0" >&2
        status=1
    fi
    /usr/bin/convert "xwd:$out/$layout.xwd" "png:$out/$layout.png"
    /usr/bin/convert "png:$out/$layout.png" -strip "ppm:$out/$layout.ppm" # no comment lines
    "$showframe" check "$out/$layout.ppm" "$layout" || status=1
done
exit $status
