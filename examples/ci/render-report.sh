#!/bin/sh
# Renders one brelk report in a CI job, to where the job collects its artefacts.
# The exit status is brelk's own, so the job fails exactly when there is no page:
#   0  the page was written (files that were skipped are listed in the job log)
#   1  nothing beneath the directory could be rendered, or the page could not be written
#   2  wrong arguments
#
#   render-report.sh COMMAND ARTEFACT_DIR [PAGE]      PAGE defaults to brelk-report/COMMAND.html
set -eu

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: render-report.sh explore|optimize|measure|verdict ARTEFACT_DIR [PAGE]" >&2
    exit 2
fi
command=$1
dir=$2
page=${3:-brelk-report/$command.html}

# Stamp the page with the commit's time: re-running the job gives the same page.
# An image without git (debian:12 has none) takes the time the CI states:
# GitLab's CI_COMMIT_TIMESTAMP, or COMMIT_TIMESTAMP, which a GitHub workflow
# sets from github.event.head_commit.timestamp (see github-actions.yml).
commit_time() {
    git log -1 --format=%ct 2>/dev/null && return
    stated=${CI_COMMIT_TIMESTAMP:-${COMMIT_TIMESTAMP:-}}
    [ -n "$stated" ] && date -d "$stated" +%s 2>/dev/null
}
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    if SOURCE_DATE_EPOCH=$(commit_time); then
        export SOURCE_DATE_EPOCH
    else
        unset SOURCE_DATE_EPOCH
        echo "render-report.sh: no commit time (no git history, CI_COMMIT_TIMESTAMP or COMMIT_TIMESTAMP): the page is stamped with the clock" >&2
    fi
fi

exec brelk "$command" "$dir" -o "$page"
