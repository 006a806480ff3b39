#!/usr/bin/env bash
# What the Makefile installs, with dpkg-query, apt-get and sudo stood in for:
# `make deps` installs just the build packages that are missing and
# `make test-deps` the test packages; a package whose files dpkg has unpacked
# ("install ok triggers-pending" too) counts as present; apt waits for its
# lock; and `make install` and `make demo` ask for no test package.
#   deps_test.sh SOURCE_DIR
set -uo pipefail

source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../expect.sh
source "$(dirname "$0")/../expect.sh"

mkdir "$work/bin"
# dpkg-query -W -f=FORMAT PACKAGE: the status the table gives the package, else
# STATUS_OTHERS; dpkg-query's failure when that is empty.
cat >"$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
package=${!#}
if line=$(grep -m 1 "^$package " "$STATUS_TABLE"); then
    echo "${line#* }"
elif [[ -n $STATUS_OTHERS ]]; then
    echo "$STATUS_OTHERS"
else
    echo "dpkg-query: no packages found matching $package" >&2
    exit 1
fi
STUB
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "$*" >>"$APT_LOG"
STUB
printf '#!/usr/bin/env bash\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

test_only="googletest libgtest-dev locales mandoc man-db lintian python3-jsonschema python3-yaml libxml2-utils fiu-utils"

# Runs make TARGET with the packages of TABLE ("package status" lines) in their
# status and every other in OTHERS (unknown to dpkg when empty); prints what
# apt-get was asked.
run() {
    local others=$1 target=$2 table=$3
    : >"$work/apt.log"
    printf '%s\n' "$table" >"$work/status"
    PATH=$work/bin:$PATH STATUS_TABLE=$work/status STATUS_OTHERS=$others APT_LOG=$work/apt.log \
        make -s -C "$source_dir" --no-print-directory "$target" >/dev/null
    cat "$work/apt.log"
}

expect "all present, some with triggers pending" "" \
    "$(run "install ok triggers-pending" deps "cmake install ok installed")$(run "install ok installed" test-deps "")"
expect "two build packages missing" \
    "-o DPkg::Lock::Timeout=120 update -qq
-o DPkg::Lock::Timeout=120 install -y -qq libyaml-dev libfmt-dev" \
    "$(run "install ok installed" deps "libyaml-dev deinstall ok config-files
libfmt-dev install ok not-installed")"

missing_build=$(run "" deps "" | sed -n 's/.* install -y -qq //p')
missing_test=$(run "" test-deps "" | sed -n 's/.* install -y -qq //p')
for package in $test_only; do
    [[ " $missing_build " != *" $package "* ]] || fail "make deps installs the test package $package"
    [[ " $missing_test " == *" $package "* ]] || fail "make test-deps does not install $package"
done
[[ " $missing_build " == *" libyaml-dev "* ]] || fail "make deps does not install libyaml-dev: [$missing_build]"

# What install and demo would run: no recipe of theirs names a test package.
for target in install demo; do
    recipe=$(make -n -C "$source_dir" --no-print-directory "$target" PREFIX="$work/prefix" 2>&1)
    for package in $test_only; do
        [[ $recipe != *" $package "* && $recipe != *" $package;"* ]] || fail "make $target asks for $package"
    done
done

exit $status
