# bash completion for quenby-sort                          -*- shell-script -*-
#
# The option names come from the program's own --help, so a new option is
# offered as soon as the program has it. An option that takes a value needs a
# line below; one without is completed with folders, like the sources.

_quenby_sort() {
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        -t | --target)
            _filedir -d
            return
            ;;
        -l | --layout)
            COMPREPLY=($(compgen -W '0 1 2 3' -- "$cur"))
            return
            ;;
        -s | --separator)
            # "~" and "#" go in quoted, or the shell would take them as the
            # home folder and the start of a comment.
            local separator
            for separator in - . _ = '\~' '\#'; do
                [[ $separator == "$cur"* ]] && COMPREPLY+=("$separator")
            done
            return
            ;;
        --date-from)
            COMPREPLY=($(compgen -W 'file capture' -- "$cur"))
            return
            ;;
        --on-clash)
            COMPREPLY=($(compgen -W 'skip keep-both' -- "$cur"))
            return
            ;;
        --settings)
            _filedir
            return
            ;;
        -m | --mask | --prefix | --suffix | -h | --help | --version)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '$(_parse_help "$1")' -- "$cur"))
        return
    fi
    _filedir -d
} &&
    complete -F _quenby_sort quenby-sort

# ex: filetype=sh
