#!/usr/bin/env bash
# Installs what is missing, builds every test with AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors, and runs them all.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build test
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUENBY_SANITIZE=ON -DQUENBY_WERROR=ON >/dev/null
cmake --build build/test --parallel "$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/test --output-on-failure --parallel "$(nproc)" --timeout 300
