#!/usr/bin/env bash
# Cross-builds the window program and quenby-sort for 64-bit Windows (one
# static executable each, stripped) and packs both into
# build/win64-release/quenby.zip: the archive that the update check
# downloads and that a Windows user unpacks anywhere.
# Usage: scripts/package-windows.sh   (or ./run.sh package-windows)
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/win64-release
cmake -S . -B "$build" -G Ninja --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DQUENBY_BUILD_TESTS=OFF >/dev/null
if ! grep -q '^QUENBY_BUILD_GUI:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "package-windows: the static Qt for Windows was not found, so there is no quenby.exe" >&2
  echo "(give its folder as QUENBY_QT_MINGW_DIR=... and remove $build)." >&2
  exit 1
fi
cmake --build "$build" --parallel "$(nproc)" --target quenby quenby-sort >&2

stage=$build/package
rm -rf "$stage" "$build/quenby.zip"
mkdir -p "$stage"
x86_64-w64-mingw32-strip -o "$stage/quenby.exe" "$build/app/quenby.exe"
x86_64-w64-mingw32-strip -o "$stage/quenby-sort.exe" "$build/cli/quenby-sort.exe"
(cd "$stage" && cmake -E tar cf ../quenby.zip --format=zip quenby.exe quenby-sort.exe)
echo "$build/quenby.zip"
