#!/usr/bin/env bash
# Installs what is missing, builds Quenby and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENBY_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --parallel "$(nproc)" >&2

if [ $# -eq 0 ]; then
  set -- --help
fi
exec build/release/cli/quenby-sort "$@"
