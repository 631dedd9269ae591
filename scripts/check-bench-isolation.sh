#!/usr/bin/env bash
# Runs a benchmark program once whole and then each of its benchmarks alone
# (--benchmark_filter), and sets the two side by side: the rows each measured must be the
# same, and the times close. A benchmark that leans on state an earlier one left shows here
# as other rows, a skip, or a time far from the whole run's.
#
#   bash scripts/check-bench-isolation.sh build/bench/BenchList [filter]
#   (filter narrows both runs, e.g. '/100000/' for the 100,000-item benchmarks only)
set -euo pipefail
bench=$(realpath "$1")
filter=${2:-.}
out=$(mktemp -d /tmp/cardolo-bench-isolation.XXXXXX)

# name,time,cpu,rows,error from the console output (the CSV form refuses counters that
# not every benchmark has); times keep their unit.
table() {
    awk '/^-+$/ { body = 1; next }
         !body || NF < 2 || $1 == "Benchmark" { next }
         { rows = ""; err = "";
           if ($0 ~ /ERROR OCCURRED/) { err = "true"; print $1 ",,,," err; next }
           for (i = 7; i <= NF; i++) if ($i ~ /^rows=/) rows = substr($i, 6);
           print $1 "," $2 " " $3 "," $4 " " $5 "," rows "," err }'
}

run() { "$bench" --benchmark_color=false --benchmark_format=console "$@" 2>/dev/null || true; }

run --benchmark_filter="$filter" | table >"$out/whole.csv"

: >"$out/alone.csv"
"$bench" --benchmark_list_tests --benchmark_filter="$filter" 2>/dev/null | sort -u |
    while read -r name; do
        pattern="^$(printf '%s' "$name" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
        run --benchmark_filter="$pattern" | table >>"$out/alone.csv"
    done

echo "benchmark | whole run: time (cpu) | alone: time (cpu) | rows whole / alone"
status=0
while IFS=, read -r name real cpu rows err; do
    line=$(grep -F "$name," "$out/alone.csv" | head -1 || true)
    IFS=, read -r _ areal acpu arows aerr <<<"$line"
    flag=""
    if [ -z "$line" ] || [ "$rows" != "$arows" ] || [ "$err" = true ] || [ "${aerr:-}" = true ]; then
        flag="  <-- differs"
        status=1
    fi
    echo "$name | $real ($cpu) | ${areal:-} (${acpu:-}) | $rows / ${arows:-}$flag"
done <"$out/whole.csv"
echo "(outputs in $out)"
exit $status
