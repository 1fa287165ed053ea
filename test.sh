#!/usr/bin/env bash
# Installs what is missing, builds every test with AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors, and runs them all.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build test fuzz
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUENBY_SANITIZE=ON -DQUENBY_WERROR=ON >/dev/null
cmake --build build/test --parallel "$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/test --output-on-failure --parallel "$(nproc)" --timeout 300

# A short, bounded fuzz run of the settings-file reader and the version-note
# reader. New inputs go to a scratch folder, never into the seed corpus.
cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENBY_FUZZ=ON -DQUENBY_BUILD_TESTS=OFF -DQUENBY_WERROR=ON >/dev/null
cmake --build build/fuzz --parallel "$(nproc)" --target quenby_inifile_fuzz quenby_elfnote_fuzz
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in inifile:40 elfnote:15; do
  name=${target%%:*}
  mkdir -p "$scratch/$name"
  echo "Fuzzing the $name reader for ${target##*:} s ..."
  build/fuzz/fuzz/quenby_${name}_fuzz -max_total_time="${target##*:}" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=0 "$scratch/$name" "fuzz/corpus/$name" 2>"$scratch/$name.log" ||
    { tail -n 40 "$scratch/$name.log" >&2; exit 1; }
done
echo "Fuzzing found nothing."
