#!/usr/bin/env bash
# lintian finds no error and no warning in the Debian package; informational
# tags may stay, and are shown.
#   lintian_test.sh CPACK BUILD_DIR
set -uo pipefail

cpack=$1 build=$2
skip=77
for tool in lintian dpkg-deb dpkg-shlibdeps; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool missing: the package is not checked here (make check installs it)"
        exit $skip
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    exit 1
fi
# Exit status 1: a tag at or above the --fail-on levels was found.
lintian --fail-on error,warning --display-info "$work"/brelk_*.deb
