#!/usr/bin/env bash
# `cmake --install --strip`, as `make install` runs it, puts exactly the
# program, its man page and its bash completion under the prefix, and all
# three work from there.
#   install_test.sh CMAKE BUILD_DIR VERSION
set -uo pipefail

cmake=$1 build=$2 version=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

if ! "$cmake" --install "$build" --prefix "$prefix" --strip >"$prefix.log" 2>&1; then
    cat "$prefix.log" >&2
    rm -f "$prefix.log"
    exit 1
fi
rm -f "$prefix.log"

files=$(cd "$prefix" && find . ! -type d | LC_ALL=C sort | paste -sd ' ')
expected="./bin/brelk ./share/bash-completion/completions/brelk ./share/man/man1/brelk.1"
if [[ $files != "$expected" ]]; then
    echo "FAIL: installed files: expected [$expected], got [$files]" >&2
    exit 1
fi
[[ -x $prefix/bin/brelk ]] || { echo "FAIL: bin/brelk is not executable" >&2; exit 1; }

bash "$(dirname "$0")/check_installed.sh" "$prefix" "$version"
