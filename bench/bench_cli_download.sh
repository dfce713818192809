#!/usr/bin/env bash
# A download through tesk-cli from the simulated meter paced at the speed of a
# 9600-baud line: readings per second against the line's own limit, process
# start included. Run after building: bash bench/bench_cli_download.sh [records]
set -euo pipefail
records=${1:-1000}
bin=${TESK_BIN:-$(cd "$(dirname "$0")/.." && pwd)/build/bin}
dir=$(mktemp -d)
"$bin/tesk-meter-sim" --pace --records "$records" --link "$dir/meter" --log "$dir/meter.log" \
    >"$dir/meter.out" &
meter=$!
trap 'kill $meter 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 100); do
    [ -e "$dir/meter" ] && break
    sleep 0.1
done
start=$(date +%s.%N)
"$bin/tesk-cli" download --port "$dir/meter" --list "$dir/bench.lst" >/dev/null
end=$(date +%s.%N)
received=$(($(grep -c . "$dir/bench.lst") - 6))
# Per record the line carries a 10-byte request and a 26-byte reply, 10 bits a byte.
awk -v n="$received" -v all="$records" -v start="$start" -v end="$end" 'BEGIN {
    s = end - start; limit = 9600 / 360; rate = n / s
    printf "%d of %d readings in %.2f s: %.2f readings/s, line limit %.2f/s: %.1f %%\n",
           n, all, s, rate, limit, 100 * rate / limit }'
