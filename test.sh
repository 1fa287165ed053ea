#!/usr/bin/env bash
# Installs what is missing, builds every test with AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors, and runs them all; runs
# the tests of the sort run and its windows under ThreadSanitizer; checks the
# Debian package; fuzzes the readers of untrusted files for a bounded time;
# then cross-builds for Windows (the window program too, with the static Qt in
# ../shared/qt6-mingw or $QUENBY_QT_MINGW_DIR; SQLite from ../shared/sqlite-mingw,
# without which it is skipped) and runs the tests under Wine.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build package test fuzz windows
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DQUENBY_SANITIZE=ON -DQUENBY_WERROR=ON >/dev/null
cmake --build build/test --parallel "$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/test --output-on-failure --parallel "$(nproc)" --timeout 300

# The sort run works on a thread of its own beside the windows, so the tests
# of the run, of Execute and of the messages window run once more under
# ThreadSanitizer. Debian's Qt is not instrumented: only accesses from our
# own code are checked. The tests that fork are left out (the desktop icon's
# gio, the RTF reader, and two runs in a child process: one as an ordinary
# user, one bounded by an alarm): the checker can follow no process that
# forks with threads, nor one that starts threads after such a fork.
echo "Testing the sort run, Execute and the messages window for data races ..."
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENBY_SANITIZE_THREAD=ON -DQUENBY_WERROR=ON >/dev/null
cmake --build build/tsan --parallel "$(nproc)" --target quenby_race_tests
TSAN_OPTIONS=halt_on_error=1:ignore_noninstrumented_modules=1 QT_QPA_PLATFORM=offscreen \
  build/tsan/tests/quenby_race_tests --gtest_brief=1 \
  --gtest_filter='-*DesktopIcon*:*SavedRtfReadsBack*:*SourcesOfSystemTreesEnd*:*AsAnOrdinaryUser*'

# The Debian package as ./run.sh package makes it: lintian, then installed
# with apt into a throw-away Debian 12, used and removed again.
deb=$(./run.sh package)
tests/packaging/deb_test.sh "$deb"

# A short, bounded fuzz run of the settings-file reader, the version-note
# reader and the capture-date reader. New inputs go to a scratch folder,
# never into the seed corpus.
cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENBY_FUZZ=ON -DQUENBY_BUILD_TESTS=OFF -DQUENBY_WERROR=ON >/dev/null
cmake --build build/fuzz --parallel "$(nproc)" --target quenby_inifile_fuzz quenby_elfnote_fuzz \
  quenby_capturedate_fuzz
scratch=$(mktemp -d)
cleanup() {
  rm -rf "$scratch"
  if [ -n "${wineserver:-}" ]; then "$wineserver" -k 2>/dev/null || true; fi
}
trap cleanup EXIT
for target in inifile:40 elfnote:15 capturedate:20; do
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
# The Windows build links the static SQLite that the folder beside the
# checkout holds (as CMake looks for it: shared/sqlite-mingw beside one of the
# folders above, or $QUENBY_SQLITE_MINGW_DIR); a clone elsewhere has none.
sqlite_mingw=${QUENBY_SQLITE_MINGW_DIR:-}
folder=$PWD
while [ -z "$sqlite_mingw" ] && [ "$folder" != / ]; do
  folder=$(dirname "$folder")
  if [ -e "$folder/shared/sqlite-mingw/lib/libsqlite3.a" ]; then
    sqlite_mingw=$folder/shared/sqlite-mingw
  fi
done
if [ -z "$sqlite_mingw" ]; then
  echo "Skipping the Windows build: no static SQLite for MinGW (shared/sqlite-mingw beside" \
    "the checkout, or QUENBY_SQLITE_MINGW_DIR)"
else
  echo "Building for Windows and testing under Wine ..."
  # The window program is looked for afresh each time (-U), so that a build
  # folder once configured without it never quietly leaves its tests out.
  cmake -S . -B build/win64 -G Ninja --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Debug \
    -DQUENBY_WERROR=ON -UQUENBY_BUILD_GUI >/dev/null
  cmake --build build/win64 --parallel 2
  wine=$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)
  wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
  # winemenubuilder would mirror links on the prefix's desktop into the host's
  # menus and desktop.
  export WINEPREFIX="$PWD/build/wineprefix" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # One zone with summer time, so that the date of a summer photo is checked
  # against the offset of its own moment.
  export TZ=Europe/Berlin
  # Wine takes the ANSI code page from the Unix locale; the tests expect an
  # English-speaking Windows (code page 1252), which C.UTF-8 gives whatever
  # locale the machine itself has, or none.
  export LC_ALL=C.UTF-8
  mkdir -p "$WINEPREFIX"
  "$wineserver" -k 2>/dev/null || true  # one left from an earlier run would refuse -p
  "$wineserver" -p
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1
  # Wine makes the prefix's Desktop, Documents, Pictures ... links to the home
  # folder; whatever a test writes there stays in the prefix.
  for folder in "$WINEPREFIX/drive_c/users/$(id -un)"/*; do
    if [ -L "$folder" ]; then rm "$folder" && mkdir "$folder"; fi
  done
  # Wine finds its own fonts (Tahoma, the windows' design font; Marlett, its
  # caption buttons) in the prefix's Fonts folder, where Debian's fonts-wine
  # does not put them.
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  # Now and then a Wine process stops answering; such a test gets a fresh
  # process, and one that hangs every time still fails.
  ctest --test-dir build/win64 --output-on-failure --parallel 2 --timeout 60 \
    --repeat after-timeout:3
  "$wineserver" -k
  wineserver=
fi
