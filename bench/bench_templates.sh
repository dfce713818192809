#!/usr/bin/env bash
# Peak memory and time of tesk-cli export with three hostile templates: 40
# parts of 268 MB of zeros in 10 MB, 2.5 million cell formats, and 97,704
# column entries with a list of 100,000 records. The bomb runs under a 4 GB
# address-space limit, so a fault cannot take the machine's memory.
# Usage: bash bench/bench_templates.sh [build folder]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-$here/build}/bin/tesk-cli"
make="/usr/bin/python3 $here/tests/export/odd_templates.py"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
$make list "$work/short.lst" 20
$make list "$work/long.lst" 100000
run() { # name template list [ulimit -v kilobytes]
    local limit="${4:-unlimited}"
    (ulimit -v "$limit"; /usr/bin/time -f "$1: %e s, peak %M KB, exit %x" \
        "$cli" export "$3" --xlsx "$work/$1.xlsx" --template "$2" --replace \
        >/dev/null 2>"$work/$1.err") || true
    tail -n 1 "$work/$1.err"
    grep -v '^'"$1"': ' "$work/$1.err" | head -n 3 || true
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
