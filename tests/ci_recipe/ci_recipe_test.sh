#!/usr/bin/env bash
# The CI recipe in examples/ci/: the command both job files run renders the
# page into the directory the job keeps, stamped with the commit's time (from
# git, or where git is absent from the time the CI states), and fails the job
# when nothing could be rendered.
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
github=$recipe/github-actions.yml
expect "GitHub job command" "$job_command" "$(sed -n 's/^ *- run: \(ci\/render-report\.sh .*\)$/\1/p' "$github")"
expect "GitHub commit time passed in" 1 \
    "$(grep -cF '          COMMIT_TIMESTAMP: ${{ github.event.head_commit.timestamp }}' "$github")"
expect "GitHub uploaded artefact" 1 "$(grep -c '^          path: brelk-report/$' "$github")"

sh -c "$job_command" 2>"$work/err"
expect "exit status with a page" 0 "$?"
SOURCE_DATE_EPOCH=1700000000 brelk verdict test-results >"$work/expected.html"
cmp -s "$work/expected.html" brelk-report/verdict.html ||
    fail "the kept page is not the page of the commit's time"
expect "diagnostics" "report over 4 runs written to brelk-report/verdict.html" "$(cat "$work/err")"

# An image without git: the time the CI states, GitLab's or the one the
# GitHub workflow passes in, else the clock, said on standard error.
mkdir "$work/no-git"
ln -s "$build/brelk" "$(command -v date)" "$work/no-git/"
without_git() { rm -rf brelk-report; env -i PATH="$work/no-git" "$@" /bin/sh -c "$job_command" 2>"$work/err"; }
for stated in CI_COMMIT_TIMESTAMP=2023-11-14T22:13:20Z COMMIT_TIMESTAMP=2023-11-14T23:13:20+01:00; do
    without_git "$stated"
    expect "exit status with $stated" 0 "$?"
    cmp -s "$work/expected.html" brelk-report/verdict.html ||
        fail "with $stated and no git, the kept page is not the page of the commit's time"
    expect "diagnostics with $stated" "report over 4 runs written to brelk-report/verdict.html" "$(cat "$work/err")"
done
without_git COMMIT_TIMESTAMP=
expect "exit status on the clock" 0 "$?"
expect "diagnostics on the clock" "render-report.sh: no commit time (no git history, CI_COMMIT_TIMESTAMP or COMMIT_TIMESTAMP): the page is stamped with the clock
report over 4 runs written to brelk-report/verdict.html" "$(cat "$work/err")"

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
