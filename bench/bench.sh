#!/usr/bin/env bash
# Measures quenby-sort against find and cp on generated trees and prints the
# ratios of their mean wall-clock times, the peak memory of a run over a
# million found files, collecting photos by capture date against collecting
# them by file time, and moving files with --verify against without; then the
# window program's messages window and a run through its Execute.
# Usage: bench/bench.sh [WORK_DIR]   (needs ~2.5 GB)
# With QUENBY_SORT_BEFORE naming an earlier build of quenby-sort, the copies
# and the second run time it too, in the same runs, and print what a change
# costs against it.
# The copies are timed with a warm cache and without flushing, so a work
# folder on tmpfs (/dev/shm) measures the programs rather than the disk; the
# cost of --verify is the disk's, and is measured only on one.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(realpath -m "${1:-bench/work}")

scripts/install-deps.sh build bench
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENBY_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --parallel "$(nproc)" >/dev/null
sort_bin=$(realpath build/release/cli/quenby-sort)
mkdir -p "$work"

ratio() {  # ratio JSON LABEL LIMIT [NAME]: mean of command 2 (or 3, NAME) over command 1
  python3 - "$@" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))["results"]
index, name = (2, sys.argv[4]) if len(sys.argv) > 4 else (1, "quenby-sort")
base, ours = data[0]["mean"], data[index]["mean"]
cpu = lambda r: r["user"] + r["system"]
print(f"{sys.argv[2]:<44} base {base:7.3f}s  {name} {ours:7.3f}s  "
      f"ratio {ours/base:5.2f} (CPU time {cpu(data[index])/cpu(data[0]):5.2f})  limit {sys.argv[3]}")
PY
}

before=${QUENBY_SORT_BEFORE:+$(realpath "$QUENBY_SORT_BEFORE")}
against_before() {  # against_before JSON LABEL: the last command over the one before it
  [ -z "$before" ] || python3 - "$@" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))["results"]
then, now = data[-1]["mean"], data[-2]["mean"]
print(f"{sys.argv[2]:<44} before {then:7.3f}s  now {now:7.3f}s  ratio {now/then:5.2f}")
PY
}
before_cmd() {  # before_cmd ARGS...: the earlier build's command, when there is one
  [ -z "$before" ] || echo "$before $*"
}

tree() {  # tree DIR FOLDERS FILES EXT SIZE
  [ -e "$1/.done" ] || { rm -rf "$1"; python3 bench/maketree.py "$@"; touch "$1/.done"; }
}

echo "Generating trees in $work ..."
tree "$work/nomatch" 10000 20 dat 0
tree "$work/match" 10000 20 jpg 0
tree "$work/copy1m" 3 100 jpg 1048576
tree "$work/copy1k" 200 100 jpg 1024

find_cmd() { echo "find $1 -iname '*.jpg' -o -iname '*.avi' >/dev/null"; }

mkdir -p "$work/out-nomatch"
hyperfine --warmup 1 --runs 5 --export-json "$work/scan.json" \
  "$(find_cmd "$work/nomatch")" \
  "$sort_bin -q -t $work/out-nomatch $work/nomatch >/dev/null" >/dev/null
ratio "$work/scan.json" "collect 200,000 files, none matching" 1.5

rm -rf "$work/out-match" && mkdir "$work/out-match"
"$sort_bin" -q -t "$work/out-match" "$work/match" >/dev/null
hyperfine --warmup 1 --runs 5 --export-json "$work/exists.json" \
  "$(find_cmd "$work/match")" \
  "$sort_bin -q -t $work/out-match $work/match >/dev/null" >/dev/null
ratio "$work/exists.json" "200,000 matching files, every target exists" 3

copy_bench() {  # copy_bench NAME LABEL LIMIT
  local earlier=()
  [ -z "$before" ] || earlier=("$(before_cmd -q -t "$work/qs-$1" "$work/$1") >/dev/null")
  hyperfine --warmup 1 --runs 10 --export-json "$work/$1.json" \
    --prepare "rm -rf $work/cp-$1 $work/qs-$1 && mkdir $work/qs-$1" \
    "cp -r --preserve=mode,timestamps $work/$1 $work/cp-$1" \
    "$sort_bin -q -t $work/qs-$1 $work/$1 >/dev/null" "${earlier[@]}" >/dev/null
  ratio "$work/$1.json" "$2" "$3"
  against_before "$work/$1.json" "  the same, against the earlier build"
}
copy_bench copy1m "copy 300 files of 1 MB" 1.0
rm -rf "$work/cp-copy1m" "$work/qs-copy1m"
copy_bench copy1k "copy 20,000 files of 1 KB" 1.0

# The second run over the same card: every copy exists. Beside it, only
# the work such a run cannot avoid (each file's time, each day folder listed
# once, a line per file) done plainly on two threads: how near to find this
# machine lets any run come.
# The earlier build, when given, runs last, the run now just before it.
earlier=()
[ -z "$before" ] || earlier=("$sort_bin -q -t $work/qs-copy1k $work/copy1k >/dev/null"
                             "$(before_cmd -q -t "$work/qs-copy1k" "$work/copy1k") >/dev/null")
hyperfine --warmup 1 --runs 10 --export-json "$work/exists1k.json" \
  "$(find_cmd "$work/copy1k")" \
  "$sort_bin -q -t $work/qs-copy1k $work/copy1k >/dev/null" \
  "build/release/bench/quenby_unavoidable_scan $work/copy1k $work/qs-copy1k >/dev/null" \
  "${earlier[@]}" >/dev/null
ratio "$work/exists1k.json" "20,000 files again, every copy exists" 1.5
ratio "$work/exists1k.json" "  the same, only the unavoidable work" - unavoidable
against_before "$work/exists1k.json" "  the same, against the earlier build"
rm -rf "$work/cp-copy1k" "$work/qs-copy1k"

# Only new photos: the first run of 20,000 small files remembering each one
# against the plain run, then a second run over them all, every one imported
# before, against the plain second run, where every copy exists.
onlynew_bench() {  # onlynew_bench
  local memory="XDG_DATA_HOME=$work/memory"
  hyperfine --warmup 1 --runs 5 --export-json "$work/onlynew-first.json" \
    --prepare "rm -rf $work/qs-plain $work/qs-new $work/memory && mkdir $work/qs-plain $work/qs-new" \
    "$sort_bin -q -t $work/qs-plain $work/copy1k >/dev/null" \
    "$memory $sort_bin -q --only-new -t $work/qs-new $work/copy1k >/dev/null" >/dev/null
  ratio "$work/onlynew-first.json" "first run of 20,000 files, --only-new" 1.15
  rm -rf "$work/qs-new" "$work/memory" && mkdir "$work/qs-new"
  env "$memory" "$sort_bin" -q --only-new -t "$work/qs-new" "$work/copy1k" >/dev/null
  hyperfine --warmup 1 --runs 10 --export-json "$work/onlynew-second.json" \
    "$sort_bin -q -t $work/qs-plain $work/copy1k >/dev/null" \
    "$memory $sort_bin -q --only-new -t $work/qs-new $work/copy1k >/dev/null" >/dev/null
  ratio "$work/onlynew-second.json" "second run, all imported before, --only-new" 1.3
  rm -rf "$work/qs-plain" "$work/qs-new" "$work/memory"
}
onlynew_bench

# What --verify costs: 300 files of 1 MB moved (--delete) without and with
# it, on a warm cache and, as root, on a dropped one, where the sources too
# come from the disk. Each copy is flushed and read back from the disk, so
# give a work folder on a disk here, not tmpfs.
verify_bench() {  # verify_bench NAME LABEL [PREPARE_MORE]
  hyperfine --warmup 1 --runs 5 --export-json "$work/$1.json" \
    --prepare "rm -rf $work/mv-src $work/mv-dst && cp -r $work/copy1m $work/mv-src && mkdir $work/mv-dst${3-}" \
    "$sort_bin -q --delete -t $work/mv-dst $work/mv-src >/dev/null" \
    "$sort_bin -q --verify --delete -t $work/mv-dst $work/mv-src >/dev/null" >/dev/null
  ratio "$work/$1.json" "$2" "-"
}
verify_bench verify-warm "move 300 files of 1 MB, --verify, warm cache"
if [ "$(id -u)" -eq 0 ]; then
  verify_bench verify-cold "move 300 files of 1 MB, --verify, dropped cache" \
    " && sync && echo 3 > /proc/sys/vm/drop_caches"
fi
rm -rf "$work/mv-src" "$work/mv-dst"

tree "$work/million" 10000 100 jpg 0
# No folder can be made in /proc, so every copy fails at once: this measures
# what a million found records cost, not a million copies.
/usr/bin/time -f "%M" -o "$work/rss.txt" "$sort_bin" -q -t /proc "$work/million" >/dev/null 2>&1 || true
echo "1,000,000 found files: peak RSS $(( $(tail -n 1 "$work/rss.txt") / 1024 )) MiB"

# 20,000 camera-like JPEGs of 100 KB, collected on a warm cache.
[ -e "$work/photos/.done" ] || {
  rm -rf "$work/photos"; python3 bench/makephotos.py "$work/photos" 200 100 102400; touch "$work/photos/.done"
}
build/release/bench/quenby_capture_bench "$work/photos"

# The memory of imported photos: a million records, and a second run's
# 20,000 look-ups in it.
build/release/bench/quenby_importmemory_bench "$work" || echo "the memory's look-ups are over their limit"

# The window program: the messages window with a million lines, and a run of
# 20,000 small files through Execute against quenby-sort on the same tree.
echo "Messages window, 1,000,000 lines of 80 characters:"
/usr/bin/time -f "%M" -o "$work/messages-rss.txt" build/release/bench/quenby_messages_bench ||
  echo "ReplaceMessages over its limit"
echo "peak RSS $(( $(tail -n 1 "$work/messages-rss.txt") / 1024 )) MiB (limit 400 MB)"
echo "A run through the window:"
build/release/bench/quenby_guirun_bench 20000 5 "$work" || echo "the window's run is over its limit"
