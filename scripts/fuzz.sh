#!/usr/bin/env bash
# A longer fuzzing run than the test command's: every target for the given
# number of seconds (default 300), from the seed corpus. New inputs found are
# kept in build-fuzz/fuzz/work/<target>/, crashes beside them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-300}
scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DBILVARO_FUZZ=ON -DBILVARO_FUZZ_SECONDS="$seconds"
cmake --build build-fuzz -j2 --target fuzz_targets
cd build-fuzz && ctest -L fuzz --output-on-failure
