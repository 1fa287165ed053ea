#!/usr/bin/env bash
# The bash completion of quenby-sort, as bash runs it for a line typed at the
# prompt. Usage: completion_test.sh COMPLETION_FILE QUENBY_SORT
set -uo pipefail
set -f  # the typed lines hold no patterns to expand

completion=$(realpath "$1")
program_dir=$(dirname "$(realpath "$2")")
if [ ! -r /usr/share/bash-completion/bash_completion ]; then
    echo "SKIP: bash-completion is not installed" >&2
    exit 77
fi
# shellcheck disable=SC1091
. /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
. "$completion"
export PATH="$program_dir:$PATH"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/card" "$scratch/camera"
touch "$scratch/cat.jpg"
cd "$scratch" || exit 1

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

registered=$(complete -p quenby-sort 2>&1)
[ "$registered" = "complete -F _quenby_sort quenby-sort" ] || fail "complete -p: $registered"

# Splits the line the way readline does with the default word breaks ("="
# stands alone) and runs the completion with the cursor at its end.
complete_line() {
    local line=$1 word
    COMP_WORDS=()
    for word in $line; do
        if [[ $word == --*=* ]]; then
            COMP_WORDS+=("${word%%=*}" "=")
            [ -n "${word#*=}" ] && COMP_WORDS+=("${word#*=}")
        else
            COMP_WORDS+=("$word")
        fi
    done
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _quenby_sort quenby-sort "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' '
}

# line typed | the replies, sorted
while IFS='|' read -r line expected; do
    got=$(complete_line "$line")
    [ "$got" = "$expected" ] || fail "'$line': expected '$expected', got '$got'"
done <<'TABLE'
quenby-sort --la|--layout
quenby-sort -l |0 1 2 3
quenby-sort --layout=|0 1 2 3
quenby-sort -s |- . = \# \~ _
quenby-sort --separator=\#|\#
quenby-sort -t ca|camera card
quenby-sort --target=ca|camera card
quenby-sort -t out ca|camera card
quenby-sort --settings ca|camera card cat.jpg
quenby-sort --mask |
quenby-sort --on-clash |keep-both skip
quenby-sort --on-clash=k|keep-both
TABLE

# Every long option of the program's own help is offered after "--".
offered=" $(complete_line 'quenby-sort --') "
for option in $(quenby-sort --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    [[ $offered == *" $option "* ]] || fail "'--' does not offer $option:$offered"
done

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "completion: all cases pass"
