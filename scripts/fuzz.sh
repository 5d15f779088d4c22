#!/usr/bin/env bash
# A longer fuzzing run than the test command's: every target for the given
# number of seconds (default 300), from the seed corpus. New inputs found are
# kept in build-fuzz/fuzz/work/<target>/, crashes beside them.
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
seconds=${1:-300}
scripts/install-deps.sh
configure fuzz -DBILVARO_FUZZ_SECONDS="$seconds"
cmake --build build-fuzz -j2 --target fuzz_targets
cd build-fuzz && ctest -L fuzz --output-on-failure
