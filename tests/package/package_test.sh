#!/usr/bin/env bash
# Builds the Debian package with CPack and checks what it holds: exactly the
# program, the compressed man page, the completion, the copyright file and the
# changelog under /usr; the version and the maintainer; Depends naming the
# package of every shared library the program is linked against, as
# dpkg-shlibdeps words them; and the packaged files work.
#   package_test.sh CPACK BUILD_DIR VERSION MAINTAINER
set -uo pipefail

cpack=$1 build=$2 version=$3 maintainer=$4
skip=77
for tool in dpkg-deb dpkg-shlibdeps; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool missing: no Debian package can be built here"
        exit $skip
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../expect.sh
source "$(dirname "$0")/../expect.sh"

if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    exit 1
fi
deb=$work/brelk_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || { fail "no $deb"; ls "$work" >&2; exit 1; }

expect "files" "./usr/ ./usr/bin/ ./usr/bin/brelk ./usr/share/ ./usr/share/bash-completion/ \
./usr/share/bash-completion/completions/ ./usr/share/bash-completion/completions/brelk ./usr/share/doc/ \
./usr/share/doc/brelk/ ./usr/share/doc/brelk/changelog.gz ./usr/share/doc/brelk/copyright ./usr/share/man/ \
./usr/share/man/man1/ ./usr/share/man/man1/brelk.1.gz" \
    "$(dpkg-deb -c "$deb" | awk '{print $6}' | LC_ALL=C sort | paste -sd ' ')"
expect "program mode and owner" "-rwxr-xr-x root/root" \
    "$(dpkg-deb -c "$deb" | awk '$6 == "./usr/bin/brelk" {print $1, $2}')"

expect "Package" brelk "$(dpkg-deb -f "$deb" Package)"
expect "Version" "$version" "$(dpkg-deb -f "$deb" Version)"
expect "Maintainer" "$maintainer" "$(dpkg-deb -f "$deb" Maintainer)"
expect "Recommends" tzdata "$(dpkg-deb -f "$deb" Recommends)"

# The Debian package that ships a library; /lib and /usr/lib are one
# directory, but dpkg knows each file under one of the two names.
owner() {
    local path=$1
    dpkg -S "$path" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null || dpkg -S "${path#/usr}" 2>/dev/null
}

# Every library the program needs at run time, by the package that ships it.
linked=$(ldd "$build/brelk" | awk '$2 == "=>" {print $3}' | while read -r path; do
    owner "$path" | awk -F: '{print $1}'
done | LC_ALL=C sort -u | paste -sd ' ')
expect "Depends names" "$linked" \
    "$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{print $1}' | LC_ALL=C sort -u | paste -sd ' ')"
for library in libyaml-0-2 libexpat1 libstdc++6 libc6; do
    [[ " $linked " == *" $library "* ]] || fail "$library is not among the linked packages [$linked]"
done

dpkg-deb -x "$deb" "$work/root"
doc=$work/root/usr/share/doc/brelk
expect "changelog entry" "brelk ($version) unstable; urgency=medium" "$(zcat "$doc/changelog.gz" | head -n 1)"
expect "copyright licence" "License: Apache-2.0" "$(grep -m 1 '^License:' "$doc/copyright")"
bash "$(dirname "$0")/../install/check_installed.sh" "$work/root/usr" "$version" || status=1

exit $status
