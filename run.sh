#!/usr/bin/env bash
# Installs what is missing, builds Quenby and starts the window program.
# `./run.sh sort ARGS...` runs the command-line program quenby-sort instead;
# `./run.sh package` makes the Debian package and prints its path;
# `./run.sh package-windows` makes quenby.zip for Windows (quenby.exe and
# quenby-sort.exe) and prints its path.
set -euo pipefail
cd "$(dirname "$0")"

if [ "${1-}" = package-windows ]; then
  scripts/install-deps.sh build windows
  exec scripts/package-windows.sh
fi

if [ "${1-}" = package ]; then
  scripts/install-deps.sh build package
  # Debian's hardening flags, as its own packages are built with; they stay in
  # the build folder's cache, so a later ./run.sh keeps them.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g
  flags=(-DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)")
else
  scripts/install-deps.sh build
  flags=()
fi
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENBY_BUILD_TESTS=OFF \
  ${flags[@]+"${flags[@]}"} >/dev/null
cmake --build build/release --parallel "$(nproc)" >&2

if [ "${1-}" = package ]; then
  (cd build/release && cpack -G DEB >&2)
  version=$(build/release/cli/quenby-sort --version)
  echo "build/release/quenby_${version#quenby-sort }_$(dpkg --print-architecture).deb"
  exit 0
fi

if [ "${1-}" = sort ]; then
  shift
  if [ $# -eq 0 ]; then
    set -- --help
  fi
  exec build/release/cli/quenby-sort "$@"
fi

if [ -z "${DISPLAY-}" ] && [ -z "${WAYLAND_DISPLAY-}" ]; then
  cat >&2 <<'MSG'
Quenby is a window program, but there is no display here (neither DISPLAY nor
WAYLAND_DISPLAY is set). Start it from a desktop session, or sort from the
command line instead:

  ./run.sh sort -t TARGET SOURCE...        (or build/release/cli/quenby-sort)
  ./run.sh sort --help
MSG
  exit 1
fi
exec build/release/app/quenby "$@"
