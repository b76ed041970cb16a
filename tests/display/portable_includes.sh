#!/bin/sh
# Only files under a folder named sdl/, win32/ or web/ may include OS, SDL or emscripten headers
# (Windows ones in any case, SDL's always with upper-case "SDL"). Usage: portable_includes.sh SOURCE_DIR
cd "$1" || exit 1
files=$(find . \( -path './build*' -o -path './.git' \) -prune -o -type f \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.cc' -o -name '*.hpp' \) -print |
    grep -vE '/(sdl|win32|web)/')
[ "$(echo "$files" | wc -l)" -gt 5 ] || { echo "FAIL: no sources under $1"; exit 1; }
inc='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]*/)?'
hits=$(echo "$files" | xargs grep -lEi "$inc(windows|ddraw|mmsystem)\.h[>\"]";
       echo "$files" | xargs grep -lE "${inc}SDL[^/>\"]*\.h[>\"]";
       echo "$files" | xargs grep -lE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]emscripten(\.h|/)")
[ -z "$hits" ] || { echo "FAIL: platform headers in portable code:" $hits; exit 1; }
echo PASS
