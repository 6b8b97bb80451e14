#!/bin/sh
# Records the pixel tables of GdiFidelityTest: builds GdiProbe with mingw-w64 and runs it under
# Wine (or copy GdiProbe.exe to Windows and run it there). Needs g++-mingw-w64-x86-64 and
# wine64; the project's own build never runs this. Names the tables to record (all by default):
#   make-tables.sh [lines] [shapes] [pens] [ellipses]
set -e
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
x86_64-w64-mingw32-g++ -O1 -static -o "$work/GdiProbe.exe" "$here/GdiProbe.cpp" -lgdi32
export WINEPREFIX="$work/wine" WINEDEBUG=-all
for table in ${*:-lines shapes pens ellipses}; do
  wine "$work/GdiProbe.exe" "$table" | tr -d '\r' > "$here/$table.txt"
done
