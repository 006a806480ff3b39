#!/usr/bin/env bash
# Keeps README.md honest. Every fenced sh block must carry a marker on the line
# right before it:
#   <!-- readme-test: run -->    run here, in order, in a scratch directory that
#                                holds a copy of examples/, with the built brelk
#                                on PATH; every command must succeed
#   <!-- readme-test: ci -->     builds, installs or packages from the source
#                                tree: every command is a line of .ci/run, which
#                                runs them (running them here would recurse)
# and a block marked
#   <!-- readme-test: usage -->  must be exactly what `brelk --help` prints.
# Relative links (not images) must name files that exist.
#   run_readme.sh SOURCE_DIR BUILD_DIR
set -uo pipefail

source_dir=$(cd "$1" && pwd) build=$(cd "$2" && pwd)
readme=$source_dir/README.md
# shellcheck source=../expect.sh
source "$(dirname "$0")/../expect.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
blocks=$work/blocks
mkdir -p "$blocks" "$work/home" "$work/repo"

# Cut the README into blocks: blocks/NNN holds the text, blocks/NNN.meta its
# line number, marker and language.
count=0 number=0 marker= open=
while IFS= read -r line; do
    number=$((number + 1))
    if [[ -n $open ]]; then
        if [[ $line == '```' ]]; then open=; else printf '%s\n' "$line" >>"$open"; fi
        continue
    fi
    if [[ $line =~ ^\`\`\`([a-z]*)$ ]]; then
        count=$((count + 1))
        open=$blocks/$(printf %03d $count)
        : >"$open"
        echo "$number ${marker:-none} ${BASH_REMATCH[1]:-plain}" >"$open.meta"
        marker=
        continue
    fi
    marker=
    [[ $line =~ ^\<!--\ readme-test:\ ([a-z]+)\ --\>$ ]] && marker=${BASH_REMATCH[1]}
done <"$readme"
[[ -z $open ]] || fail "README.md ends inside a fenced block"

# A command of a block, without its comment and surrounding blanks.
command_part() {
    sed -e 's/[[:space:]]#.*$//' -e 's/^#.*$//' -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//'
}
ci_lines=$(command_part <"$source_dir/.ci/run")

cp -r "$source_dir/examples" "$work/repo/"
ran=0
for block in "$blocks"/[0-9][0-9][0-9]; do
    read -r at marker language <"$block.meta"
    case $marker in
        run)
            output=$(cd "$work/repo" && env -u SOURCE_DATE_EPOCH HOME="$work/home" PATH="$build:$PATH" \
                bash -euo pipefail "$block" 2>&1)
            if (($? != 0)); then
                fail "the block at README.md line $at failed:"
                sed 's/^/    | /' "$block" >&2
                printf '%s\n' "$output" | sed 's/^/    > /' >&2
            fi
            ran=$((ran + 1))
            ;;
        ci)
            while IFS= read -r command; do
                [[ -z $command ]] && continue
                grep -qxF -- "$command" <<<"$ci_lines" ||
                    fail "README.md line $at: \"$command\" is not run by .ci/run"
            done < <(command_part <"$block")
            ;;
        usage)
            [[ $(cat "$block") == "$("$build/brelk" --help 2>&1)" ]] ||
                fail "the usage text at README.md line $at is not what brelk --help prints"
            ;;
        none)
            [[ $language == sh ]] && fail "the sh block at README.md line $at carries no readme-test marker"
            ;;
        *)
            fail "README.md line $at: unknown marker \"$marker\""
            ;;
    esac
done
((ran > 0)) || fail "no block of README.md was run"

# Relative links, leaving out images and anchors within the page.
while IFS= read -r target; do
    [[ -e $source_dir/$target ]] || fail "README.md links to $target, which does not exist"
done < <(grep -oE '(^|[^!])\[[^]]*\]\([^)#:]*\)' "$readme" | sed 's/.*(\(.*\))$/\1/')

exit $status
