# bash completion for brelk: the command first, then the artefact directory;
# a file after -o or --output; --hide-scores only after optimize.
# Stands on its own: needs nothing from the bash-completion package.

_brelk() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    if ((COMP_CWORD == 1)); then
        mapfile -t COMPREPLY < <(compgen -W 'explore optimize measure verdict --version --help' -- "$cur")
        return
    fi

    local command=${COMP_WORDS[1]}
    case $command in
        explore | optimize | measure | verdict) ;;
        *) return ;;
    esac

    if [[ $prev == -o || $prev == --output ]]; then
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
    fi

    local options='-o --output'
    [[ $command == optimize ]] && options+=' --hide-scores'

    # The directory is given once; after it only options are left.
    local i have_dir=
    for ((i = 2; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            -o | --output) ((i++)) ;;
            -*) ;;
            *) have_dir=yes ;;
        esac
    done

    if [[ $cur == -* || -n $have_dir ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -d -- "$cur")
}

complete -F _brelk brelk
