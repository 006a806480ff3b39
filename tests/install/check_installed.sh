#!/usr/bin/env bash
# Checks brelk as installed under PREFIX: the program states VERSION and is
# stripped, the man page (compressed or not) states the same version and
# renders without a warning, and the bash completion offers what the command
# line accepts.
#   check_installed.sh PREFIX [VERSION]   (VERSION defaults to what the program states)
set -uo pipefail

prefix=$1
program=$prefix/bin/brelk
page=$prefix/share/man/man1/brelk.1
[[ -f $page ]] || page=$page.gz
completion=$prefix/share/bash-completion/completions/brelk
# shellcheck source=../expect.sh
source "$(dirname "$0")/../expect.sh"

version=${2:-$("$program" --version | sed -n 's/^brelk //p')}
expect "brelk --version" "brelk $version" "$("$program" --version)"

# No symbol table and no debug information: what is installed is the program alone.
expect "sections of a stripped program" "" \
    "$(readelf -S --wide "$program" | grep -oE '\.(symtab|debug_[a-z]+)' | sort -u | paste -sd ' ')"
size=$(stat -c %s "$program")
# grep reads to the end: with -q it would stop early and, under pipefail, fail the pipeline.
if readelf --dyn-syms --wide "$program" | grep ' __asan_init$' >/dev/null; then
    echo "a sanitizer build: its size ($size bytes) is not checked"
else
    ((size < 3 * 1024 * 1024)) || fail "the program is $size bytes, not under 3 MB"
fi

man_source() { if [[ $page == *.gz ]]; then zcat "$page"; else cat "$page"; fi; }
# The page's header line carries the version in its footer field.
expect "man page version" 1 "$(man_source | grep -c "^\.TH BRELK 1 [0-9-]* \"brelk $version\"")"
expect "groff warnings" "" "$(man_source | groff -ww -z -man 2>&1)"
if command -v mandoc >/dev/null; then
    expect "mandoc lint" "" "$(man_source | mandoc -T lint 2>&1)"
else
    echo "mandoc missing: the man page is linted with groff only"
fi

# Completion, offered the words of a command line whose last word is being typed.
# shellcheck source=/dev/null
source "$completion"
expect "completion is registered" "complete -F _brelk brelk" "$(complete -p brelk)"

offered() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _brelk 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' '
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/runs" "$work/results"
touch "$work/notes.txt" "$work/report.html"
cd "$work" || exit 1

expect "first word" "--help --version explore measure optimize verdict" "$(offered brelk '')"
expect "command prefix" "optimize" "$(offered brelk op)"
expect "directory" "results runs" "$(offered brelk explore '')"
expect "directory prefix" "runs" "$(offered brelk verdict ru)"
expect "directory after -o" "results runs" "$(offered brelk measure -o page.html '')"
expect "options after optimize" "--hide-scores --output -o" "$(offered brelk optimize runs '')"
expect "options after verdict" "--output -o" "$(offered brelk verdict runs -)"
expect "no --hide-scores after explore" "" "$(offered brelk explore runs --h)"
expect "file after -o" "notes.txt report.html results runs" "$(offered brelk explore runs -o '')"
expect "file after --output" "report.html" "$(offered brelk optimize --output rep)"
expect "unknown command" "" "$(offered brelk frobnicate '')"

exit $status
