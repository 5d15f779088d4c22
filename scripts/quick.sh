#!/usr/bin/env bash
# The quick loop while working: builds the unit and window tests of the
# Debug build (build/, target quick_tests) and runs them (test preset
# "quick": neither the slow, the end-to-end, the fuzz nor the Windows tests).
# Arguments go to ctest, e.g. scripts/quick.sh -R tst_totals.
# Not the test command (scripts/test.sh), which runs everything.
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

use_ccache "$root"
if [[ ! -f build/CMakeCache.txt ]]; then
  step "configuring build/"
  configure debug
fi
step "building the quick tests"
cmake --build build -j2 --target quick_tests
step "running the quick tests"
ctest --preset quick "$@"
step "done"
