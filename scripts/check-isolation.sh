#!/usr/bin/env bash
# Checks that every test passes alone and in any order, at several font resolutions:
#   1. every test function of every test executable run by itself;
#   2. every test executable with its functions in reverse order;
#   3. the whole suite through ctest --schedule-random, several times;
# each at QT_FONT_DPI 72, 96 and 144 (or those given in DPIS), with the environment CTest
# gives the tests (build/tests/test-env.sh). Expects a built tree; exits non-zero on any failure.
#
#   bash scripts/check-isolation.sh [build-dir]      # default: build
#   DPIS="96" ROUNDS=5 bash scripts/check-isolation.sh
set -uo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
dpis=(${DPIS:-72 96 144})
rounds=${ROUNDS:-3}
per_test_timeout=${TIMEOUT:-120}
logs=$(mktemp -d /tmp/cardolo-isolation.XXXXXX)

if [ ! -f "$build/tests/test-env.sh" ]; then
    echo "No $build/tests/test-env.sh: configure and build first (bash scripts/test.sh)." >&2
    exit 2
fi
# shellcheck source=/dev/null
source "$build/tests/test-env.sh"
mapfile -t tests < <(cd "$build" && ctest -N | sed -n 's/^ *Test *#[0-9]*: *//p')

failures=()
runs=0
run() { # run <label> <command...>: one run, its output kept when it fails
    local label=$1
    shift
    runs=$((runs + 1))
    local log="$logs/$(echo "$label" | tr ' /=' '___').log"
    if ! (cd "$build/tests" && timeout "$per_test_timeout" "$@") >"$log" 2>&1; then
        failures+=("$label")
        echo "FAIL: $label (log: $log)"
        grep -E '^(FAIL!|   Loc|   Actual|   Expected|QFATAL)' "$log" | head -8 | sed 's/^/    /'
    fi
}

for dpi in "${dpis[@]}"; do
    export QT_FONT_DPI=$dpi
    for t in "${tests[@]}"; do
        # Tests that are not Qt Test executables (a CMake script) run in the ctest rounds only.
        [ -x "$build/tests/$t" ] || continue
        mapfile -t functions < <(cd "$build/tests" && "./$t" -functions 2>/dev/null | sed 's/()$//')
        for f in "${functions[@]}"; do
            run "dpi=$dpi $t $f" "./$t" "$f"
        done
        reversed=()
        for ((i = ${#functions[@]} - 1; i >= 0; i--)); do reversed+=("${functions[i]}"); done
        run "dpi=$dpi $t reversed" "./$t" "${reversed[@]}"
    done
    for ((r = 1; r <= rounds; r++)); do
        runs=$((runs + 1))
        log="$logs/ctest_random_dpi${dpi}_$r.log"
        if ! (cd "$build" && ctest --schedule-random -j"$(nproc)" --output-on-failure) >"$log" 2>&1; then
            failures+=("dpi=$dpi ctest --schedule-random round $r")
            echo "FAIL: dpi=$dpi ctest --schedule-random round $r (log: $log)"
            sed -n '/tests FAILED/,$p' "$log" | head -12 | sed 's/^/    /'
        fi
    done
    echo "QT_FONT_DPI=$dpi done"
done
unset QT_FONT_DPI

echo "$runs runs, ${#failures[@]} failed (logs in $logs)"
[ ${#failures[@]} -eq 0 ]
