#!/usr/bin/env bash
# The test command: installs what is missing, builds (AddressSanitizer + UBSan build of
# everything, ThreadSanitizer build of the threaded tests), starts the private X and
# sound servers and runs every test with CTest. Non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
jobs=$(nproc)

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

cmake -S . -B build -G Ninja -DZOVI_SANITIZE=address -DZOVI_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
cmake -S . -B build-tsan -G Ninja -DZOVI_SANITIZE=thread -DZOVI_WERROR=ON >/dev/null
cmake --build build-tsan -j "$jobs" --target zovi_tsan_tests

status=0
scripts/with-servers.sh ctest --test-dir build --output-on-failure -j "$jobs" || status=1
if [ -n "$(ctest --test-dir build-tsan -N | grep -E '^ *Test +#')" ]; then
  scripts/with-servers.sh ctest --test-dir build-tsan --output-on-failure -j "$jobs" || status=1
fi
exit $status
