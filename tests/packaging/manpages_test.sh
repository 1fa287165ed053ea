#!/usr/bin/env bash
# The manual pages read without a warning from groff, and quenby-sort's page
# describes every long option that the program's --help lists.
# Usage: manpages_test.sh PAGE_FOLDER QUENBY_SORT PAGE...
set -uo pipefail

folder=$1
program=$2
shift 2
failures=0

for page in "$@"; do
    warnings=$(groff -man -ww -z "$folder/$page.1" 2>&1)
    if [ -n "$warnings" ]; then
        echo "FAIL: groff on $page.1:" >&2
        echo "$warnings" >&2
        failures=$((failures + 1))
    fi
done

# roff may write the hyphens of an option name as "\-".
text=$(sed 's/\\-/-/g' "$folder/quenby-sort.1")
for option in $("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    if ! grep -q -- "$option\\b" <<<"$text"; then
        echo "FAIL: quenby-sort.1 does not describe $option" >&2
        failures=$((failures + 1))
    fi
done

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "manual pages: $* read cleanly; every option is described"
