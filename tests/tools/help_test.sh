#!/bin/sh
# usage: help_test.sh COMMAND... (each COMMAND one argument, split on spaces)
# Each COMMAND --help prints its usage on stdout and exits 0; each COMMAND --no-such-option
# prints its usage on stderr only and exits 2.
failed=0
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for cmd in "$@"; do
    $cmd --help >"$out" 2>"$err"
    rc=$?
    if [ $rc -ne 0 ] || ! grep -qi '^usage:' "$out" || [ -s "$err" ]; then
        echo "FAIL: $cmd --help: exit $rc, stdout '$(head -c 80 "$out")', stderr '$(head -c 80 "$err")'"
        failed=1
    fi
    $cmd --no-such-option >"$out" 2>"$err"
    rc=$?
    if [ $rc -ne 2 ] || ! grep -qi 'usage:' "$err" || [ -s "$out" ]; then
        echo "FAIL: $cmd --no-such-option: exit $rc, stdout '$(head -c 80 "$out")', stderr '$(head -c 80 "$err")'"
        failed=1
    fi
done
exit $failed
