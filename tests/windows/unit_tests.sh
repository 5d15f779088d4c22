#!/usr/bin/env bash
# unit_tests.sh <build-win folder> <checkout>
# Runs the tests of the Windows build (<build-win>/windows-tests.txt) under Wine (WINEPREFIX set by the
# caller) on Qt's offscreen platform, passed as -platform offscreen (QT_*
# variables do not reach a program under Wine). scripts/test-windows.sh runs
# it under pg_virtualenv: the PG* variables of that throw-away cluster and
# BILVARO_TEST_SERVER reach the Windows programs as they are, so the server
# tests connect to it over TCP as on Linux. Prints a PASS or FAIL line for
# each test and, last, "passed N" and "failed NAME..." into
# <build-win>/test-logs/summary.txt. Fails when any test failed.
set -euo pipefail
build_win=$(realpath "$1")
root=$(realpath "$2")
logs=$build_win/test-logs
rm -rf "$logs"
mkdir -p "$logs"

if [[ ${BILVARO_TEST_SERVER:-} == required && -z ${PGHOST:-}${PGPORT:-} ]]; then
  echo "unit_tests.sh: a server is required and none was started (run it under pg_virtualenv)" >&2
  exit 1
fi
# libpq under Wine reaches the server over TCP only: a socket folder is no
# host there.
[[ ${PGHOST:-} != /* ]] || export PGHOST=localhost
echo "unit_tests.sh: the server tests run against ${PGHOST:-no server}:${PGPORT:-}"

failed=()
passed=0
# Runs one test; its status, with its QtTest log moved to $logs.
run_once()
{
  local exe=$1 name=$2 options=()
  # Tests with a QApplication take Qt's platform option; the others refuse it.
  grep -qs QTEST_GUILESS_MAIN "$root/tests/$name.cpp" "$root/tests/windows/$name.cpp" || options=(-platform offscreen)
  # QtTest writes its log to a file: its output to a redirected stdout did not
  # come through under Wine.
  local status=0
  (cd "$build_win/bin" && timeout 300 wine "$exe" "${options[@]}" -o "$name.txt,txt" \
     >"$logs/$name.out" 2>&1) || status=$?
  mv -f "$build_win/bin/$name.txt" "$logs/$name.txt" 2>/dev/null || true
  return "$status"
}

run_test()
{
  local exe=$1 name status=0
  name=$(basename "$exe" .exe)
  run_once "$exe" "$name" || status=$?
  # No log at all: the program never came to its tests (Wine failed to start
  # it). That once is Wine's matter, twice the test's.
  if ((status != 0)) && [[ ! -s $logs/$name.txt ]]; then
    echo "$name: no test ran (exit status $status), started again; what Wine said:"
    tail -n 20 "$logs/$name.out" | tr -d '\r' || true
    status=0
    run_once "$exe" "$name" || status=$?
  fi
  if ((status == 0)); then
    echo "PASS $name ($(grep -ao '^Totals:.*' "$logs/$name.txt" | tr -d '\r'))"
    passed=$((passed + 1))
  else
    echo "FAIL $name (exit status $status)"
    { grep -saE '^(FAIL!|   Loc:|   Actual|   Expected|QWARN|QFATAL|Totals)' "$logs/$name.txt" \
        || tail -n 20 "$logs/$name.out"; } | tr -d '\r' | head -40 || true
    failed+=("$name")
  fi
}

while read -r name; do
  run_test "$name.exe"
done <"$build_win/windows-tests.txt"
printf 'passed %d\nfailed %s\n' "$passed" "${failed[*]}" >"$logs/summary.txt"
((${#failed[@]} == 0))
