#!/usr/bin/env bash
# After `dpkg -r brelk`: dpkg knows nothing more of brelk and none of its files is left.
set -uo pipefail
status=0
state=$(dpkg-query -W -f='${db:Status-Status}' brelk 2>/dev/null)
if [[ -n $state && $state != not-installed ]]; then
    echo "FAIL: brelk is still $state" >&2
    status=1
fi
for file in /usr/bin/brelk /usr/share/man/man1/brelk.1.gz /usr/share/bash-completion/completions/brelk \
    /usr/share/doc/brelk; do
    [[ ! -e $file ]] || { echo "FAIL: $file is left after removal" >&2; status=1; }
done
exit $status
