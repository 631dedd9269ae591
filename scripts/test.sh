#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite (widget tests offscreen). Exits non-zero on
# any failure.
#
# With --sanitize: the same suite from a build of its own in build-sanitize, made with
# AddressSanitizer and UndefinedBehaviorSanitizer (benchmarks not built). Any finding ends the
# test that made it with a failure; the findings inside libraries the program does not own are
# suppressed one by one in tests/sanitize/, each with its reason.
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=0
case "${1:-}" in
"") ;;
--sanitize) sanitize=1 ;;
*)
    echo "usage: scripts/test.sh [--sanitize]" >&2
    exit 2
    ;;
esac

bash scripts/deps.sh
# Ninja keeps both cores busy through the build; a folder made before keeps its own generator.
export CMAKE_GENERATOR="${CMAKE_GENERATOR:-Ninja}"

if [ "$sanitize" -eq 0 ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCARDOLO_BENCH=ON >/dev/null
    cmake --build build -j"$(nproc)"
    cd build
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
    exit 0
fi

# -O1 keeps the stacks of reports readable and the build and the run quick; assertions stay on.
# Undefined behaviour stops the program at its first finding instead of going on after a line
# on standard error that a passing test would hide.
sanitize_flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCARDOLO_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$sanitize_flags -O1" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-sanitize -j"$(nproc)"

supp="$PWD/tests/sanitize"
reports="$PWD/build-sanitize/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
# Every program the tests start (the test executables, cardolo, the crash test's child)
# inherits these. A finding ends the process with an exit code of its own (86 from
# AddressSanitizer and LeakSanitizer, 87 from UndefinedBehaviorSanitizer), which no test takes
# for one of the program's own codes. AddressSanitizer and LeakSanitizer also write each report
# to a file, so that one from a process whose end a test does not look at still fails the run.
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:exitcode=86:log_path=$reports/report"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=87:suppressions=$supp/ubsan.supp"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
status=0
(cd build-sanitize && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)") || status=$?
for report in "$reports"/*; do
    [ -e "$report" ] || continue
    echo "=== $report"
    cat "$report"
    status=1
done
exit "$status"
