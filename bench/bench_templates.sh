#!/usr/bin/env bash
# Peak memory and time of tesk-cli export with three hostile templates: 40
# parts of 268 MB of zeros in 10 MB, 2.5 million cell formats, and 97,704
# column entries with a list of 100,000 records. The bomb runs under a 4 GB
# address-space limit, so a fault cannot take the machine's memory.
# The lists are written by the program's own record writer (bench_make_list).
# Every case must export: one that does not is reported, and the script then
# exits with 1.
# Usage: bash bench/bench_templates.sh [build folder]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
cli="$build/bin/tesk-cli"
make="/usr/bin/python3 $here/tests/export/odd_templates.py"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/bench/bench_make_list" "$work/short.lst" 20
"$build/bench/bench_make_list" "$work/long.lst" 100000
failed=0
run() { # name template list [ulimit -v kilobytes]
    local limit="${4:-unlimited}" status=0
    (ulimit -v "$limit"; /usr/bin/time -f "$1: %e s, peak %M KB, exit %x" \
        "$cli" export "$3" --xlsx "$work/out-$1.xlsx" --template "$2" --replace \
        >/dev/null 2>"$work/$1.err") || status=$?
    tail -n 1 "$work/$1.err"
    if [ "$status" -ne 0 ] || [ ! -s "$work/out-$1.xlsx" ]; then
        echo "FAILED: the export of $1 did not succeed (exit $status):" >&2
        grep -v '^'"$1"': ' "$work/$1.err" | head -n 3 >&2 || true
        failed=1
    fi
}
$make bomb "$work/bomb.xlsx"
run bomb "$work/bomb.xlsx" "$work/short.lst" 4000000
$make many-xfs "$work/xfs.xlsx"
run styles "$work/xfs.xlsx" "$work/short.lst"
$make many-cols "$work/cols.xlsx"
run columns "$work/cols.xlsx" "$work/long.lst"
$make plain "$work/plain.xlsx"
run plain "$work/plain.xlsx" "$work/long.lst"
ls -la "$work" | grep -v '\.lst$' | tail -n +2
exit "$failed"
