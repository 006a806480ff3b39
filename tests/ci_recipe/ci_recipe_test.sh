#!/usr/bin/env bash
# The CI recipe in examples/ci/: the command the job file runs renders the
# page into the directory the job keeps, stamped with the commit's time, and
# fails the job when nothing could be rendered.
#   ci_recipe_test.sh SOURCE_DIR BUILD_DIR
set -uo pipefail

source_dir=$(cd "$1" && pwd) build=$(cd "$2" && pwd)
recipe=$source_dir/examples/ci
# shellcheck source=../expect.sh
source "$(dirname "$0")/../expect.sh"

command -v git >/dev/null || { echo "git missing: the commit-time stamp cannot be checked"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/ci"
cp "$recipe/render-report.sh" "$work/ci/"
cp -r "$source_dir/examples/verdict" "$work/test-results"
cd "$work" || exit 1
export PATH=$build:$PATH
unset SOURCE_DATE_EPOCH
git init -q . && git add -A &&
    GIT_COMMITTER_DATE="1700000000 +0000" git -c user.name=ci -c user.email=ci@example.invalid commit -qm results

job_command=$(sed -n 's/^ *- \(ci\/render-report\.sh .*\)$/\1/p' "$recipe/gitlab-ci.yml")
expect "job command" "ci/render-report.sh verdict test-results brelk-report/verdict.html" "$job_command"
expect "kept artefact" 1 "$(grep -c '^    paths: \[brelk-report/\]$' "$recipe/gitlab-ci.yml")"

sh -c "$job_command" 2>"$work/err"
expect "exit status with a page" 0 "$?"
SOURCE_DATE_EPOCH=1700000000 brelk verdict test-results >"$work/expected.html"
cmp -s "$work/expected.html" brelk-report/verdict.html ||
    fail "the kept page is not the page of the commit's time"
expect "diagnostics" "report over 4 runs written to brelk-report/verdict.html" "$(cat "$work/err")"

rm -rf brelk-report test-results/*
mkdir test-results/checkout
sh -c "$job_command" 2>"$work/err"
expect "exit status without a page" 1 "$?"
expect "diagnostics without a page" \
    "nothing renderable beneath test-results — expected <service>/*.xml verdict-record documents" "$(cat "$work/err")"
[[ ! -e brelk-report ]] || fail "brelk-report/ was created although nothing was rendered"

sh ci/render-report.sh verdict 2>"$work/err"
expect "exit status for missing arguments" 2 "$?"

exit $status
