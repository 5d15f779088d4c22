#!/usr/bin/env bash
# The test command: installs what is needed, builds the program and its tests
# and runs every test in a Debug build with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), where any sanitizer report fails
# the run; the tests of the server store run against a throw-away PostgreSQL
# cluster. Unit tests run on Qt's offscreen platform,
# end-to-end tests drive the real program on a private Xvfb display.
# Run it as root on a fresh Debian 12 (root is needed only to install packages).
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

step "installing the packages"
scripts/install-deps.sh

# With Ninja, CMake 3.25 reruns a target's moc step only when a file it saw
# before changes, so a header added to a target later is never moc'ed in an
# existing build folder (the link then misses the header's signals). When the
# target's file list changed since its last moc step, drop the step's stamp.
refresh_autogen()
{
  local info name stamp
  while IFS= read -r info; do
    name=$(basename "$(dirname "$info")" .dir)
    stamp=${info%/CMakeFiles/*}/$name/timestamp
    if [[ -f $stamp && $info -nt $stamp ]]; then
      rm -f "$stamp"
    fi
  done < <(find "$1" -path '*/CMakeFiles/*_autogen.dir/AutogenInfo.json')
}

# The three builds below and the next run of this command compile only what
# changed.
use_ccache "$root"

# The Windows step's libraries (libsodium, libnumbertext, libcurl and pxlib
# cross-built from Debian's sources, libpq, the Windows Qt unpacked) are made
# meanwhile, at the lowest priority, from what the builds and tests below
# leave of the cores; they are kept in the Windows cache.
mkdir -p build-asan
windows_libraries_log=$root/build-asan/windows-libraries.log
nice -n 19 scripts/build-windows.sh --libraries >"$windows_libraries_log" 2>&1 &
windows_libraries=$!

# Configures with a preset, builds and runs the whole suite in its build folder.
suite()
{
  local dir=$1 preset=$2
  step "configuring $dir"
  configure "$preset"
  refresh_autogen "$dir"
  step "building $dir"
  cmake --build "$dir" -j2
  step "running the tests of $dir"
  # The tests of the server store run against a throw-away PostgreSQL
  # cluster that pg_virtualenv makes for this run and drops afterwards.
  (cd "$dir" && BILVARO_TEST_SERVER=required pg_virtualenv -t ctest --output-on-failure --no-tests=error -j2)
}

# One build runs every test: Debug with AddressSanitizer and
# UndefinedBehaviorSanitizer. A second, plain Debug build of the same tests
# found nothing the sanitized one did not and cost a third of the command's
# time; the Release builds of the package and of Windows run the program
# without the sanitizers.
# Sanitizer reports go to files as well as failing the process that has them,
# so a report from a process whose exit status nobody reads is not lost.
reports=$root/build-asan/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=0:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
# The sanitized program is slower: give the end-to-end tests more time per step.
export E2E_TIMEOUT=90
status=0
suite build-asan asan || status=$?

# Fuzzing: every reader of outside input, a few seconds each from the seed
# corpus in fuzz/corpus/, under the same sanitizers (clang and libFuzzer).
# The preset sets the seconds every time: a longer run of scripts/fuzz.sh
# leaves its own in the build folder's cache.
if ((status == 0)); then
  step "configuring build-fuzz"
  configure fuzz
  step "building the fuzz targets"
  cmake --build build-fuzz -j2 --target fuzz_targets
  step "fuzzing"
  (cd build-fuzz && ctest -L fuzz --output-on-failure --no-tests=error -j2) || status=$?
fi

# The Debian package, once: built from a Release build, checked with lintian,
# desktop-file-validate and appstreamcli, installed with apt, started from
# its desktop entry and removed again.
if ((status == 0)); then
  step "the Debian package"
  bash tests/package/deb_test.sh build-deb/test-logs || status=$?
fi

# The Windows build under Wine: its unit and window tests and the setup
# program (it says so and succeeds when the Windows toolchain is missing).
if ! wait "$windows_libraries"; then
  echo "test.sh: the Windows libraries were not made beforehand (see $windows_libraries_log):" \
       "the Windows step makes them" >&2
fi
if ((status == 0)); then
  step "the Windows build under Wine"
  scripts/test-windows.sh || status=$?
fi

if compgen -G "$reports/*" >/dev/null; then
  step "sanitizer reports"
  for report in "$reports"/*; do
    echo "--- $report"
    cat "$report"
  done
  echo "test.sh: the sanitizers reported errors" >&2
  exit 1
fi
if ((status != 0)); then
  echo "test.sh: tests failed in the sanitizer build, the fuzz build, the Debian package or under Wine" >&2
  exit "$status"
fi
step "all tests passed in build-asan/, build-fuzz/, the Debian package and under Wine"
