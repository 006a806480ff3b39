# Assertions for the test scripts: `source` it, then end with `exit $status`.
status=0

fail() {
    echo "FAIL: $*" >&2
    status=1
}

expect() {
    local what=$1 expected=$2 actual=$3
    [[ $actual == "$expected" ]] || fail "$what: expected [$expected], got [$actual]"
}
