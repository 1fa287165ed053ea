#!/usr/bin/env bash
# Installs what is missing, builds every test with AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors, and runs them all; runs
# the tests of the sort run and its windows under ThreadSanitizer; then
# cross-builds the core for Windows and runs its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build test fuzz windows
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUENBY_SANITIZE=ON -DQUENBY_WERROR=ON >/dev/null
cmake --build build/test --parallel "$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/test --output-on-failure --parallel "$(nproc)" --timeout 300

# The sort run works on a thread of its own beside the windows, so the tests
# of the run, of Execute and of the messages window run once more under
# ThreadSanitizer. Debian's Qt is not instrumented: only accesses from our
# own code are checked. Two tests that fork are left out (the desktop icon's
# gio, the RTF reader): forking a process with threads confuses the checker.
echo "Testing the sort run, Execute and the messages window for data races ..."
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENBY_SANITIZE_THREAD=ON -DQUENBY_WERROR=ON >/dev/null
cmake --build build/tsan --parallel "$(nproc)" --target quenby_race_tests
TSAN_OPTIONS=halt_on_error=1:ignore_noninstrumented_modules=1 QT_QPA_PLATFORM=offscreen \
  build/tsan/tests/quenby_race_tests --gtest_brief=1 \
  --gtest_filter='-*DesktopIcon*:*SavedRtfReadsBack*'

# A short, bounded fuzz run of the settings-file reader and the version-note
# reader. New inputs go to a scratch folder, never into the seed corpus.
cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENBY_FUZZ=ON -DQUENBY_BUILD_TESTS=OFF -DQUENBY_WERROR=ON >/dev/null
cmake --build build/fuzz --parallel "$(nproc)" --target quenby_inifile_fuzz quenby_elfnote_fuzz
scratch=$(mktemp -d)
cleanup() {
  rm -rf "$scratch"
  if [ -n "${wineserver:-}" ]; then "$wineserver" -k 2>/dev/null || true; fi
}
trap cleanup EXIT
for target in inifile:40 elfnote:15; do
  name=${target%%:*}
  mkdir -p "$scratch/$name"
  echo "Fuzzing the $name reader for ${target##*:} s ..."
  build/fuzz/fuzz/quenby_${name}_fuzz -max_total_time="${target##*:}" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=0 "$scratch/$name" "fuzz/corpus/$name" 2>"$scratch/$name.log" ||
    { tail -n 40 "$scratch/$name.log" >&2; exit 1; }
done
echo "Fuzzing found nothing."

# The Windows build: MinGW cross compiler, tests run under Wine in a prefix
# of its own that the first run creates and later runs reuse. Wine's
# background services would keep ctest's output pipe open and hang it, so a
# persistent wineserver is started and warmed with the pipes closed first.
echo "Building for Windows and testing under Wine ..."
cmake -S . -B build/win64 -G Ninja --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Debug \
  -DQUENBY_WERROR=ON >/dev/null
cmake --build build/win64 --parallel 2
wine=$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX="$PWD/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# One zone with summer time, so that the date of a summer photo is checked
# against the offset of its own moment.
export TZ=Europe/Berlin
mkdir -p "$WINEPREFIX"
"$wineserver" -k 2>/dev/null || true  # one left from an earlier run would refuse -p
"$wineserver" -p
"$wine" cmd /c exit </dev/null >/dev/null 2>&1
ctest --test-dir build/win64 --output-on-failure --parallel 2 --timeout 60
"$wineserver" -k
wineserver=
