#!/usr/bin/env bash
# The benchmarks of what a user waits for: builds them in release mode in
# build-bench/, makes the goods tables once (1,000 to 1,000,000 records, kept
# in build-bench/bench-data/ for later runs), runs every benchmark with
# repetitions, each figure beside its baseline in the same run, and prints
# one table of medians. The goods on a server run inside pg_virtualenv where
# it is installed (their rows say "skipped" elsewhere). Not part of the test
# command; about 17 minutes on 2 shared cores under a load of 8 (the tables
# made, bench_browser and bench_process take half of it).
#   BENCH_REPETITIONS=n   repetitions of each benchmark (default 5; the
#                         Paradox move, which takes seconds, at most 3)
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The standard output is the table: everything before it goes to the
# standard error output.
exec 3>&1 >&2

step "installing the packages"
scripts/install-deps.sh

build=$root/build-bench
step "building in $build (release)"
use_ccache "$root"
configure release -B "$build" -DBILVARO_WERROR=OFF >/dev/null
targets=(bilvaro-make-tables bench_browser bench_process bench_print bench_register bench_store bench_paradox)
cmake --build "$build" -j2 --target "${targets[@]}"

export BILVARO_BENCH_DATA=$build/bench-data
step "goods tables in $BILVARO_BENCH_DATA"
for records in 1000 10000 100000 1000000; do
  "$build/tools/bilvaro-make-tables" "$BILVARO_BENCH_DATA/goods-$records" --demo --goods "$records" >/dev/null
done

results=$build/bench-results
rm -rf "$results"
mkdir -p "$results"
repetitions=${BENCH_REPETITIONS:-5}
# Repetitions of different benchmarks take turns in a random order, so that
# a figure and its baseline meet the same load on a shared machine.
common=(--benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true
        --benchmark_report_aggregates_only=true --benchmark_out_format=json)
export QT_QPA_PLATFORM=offscreen
# The start-up on an X server too, where Xvfb is installed (bench_process).
if command -v Xvfb >/dev/null; then
  xvfb_number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$xvfb_number" >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null; rm -f "$xvfb_number"' EXIT
  for ((i = 0; i < 100; i++)); do
    [[ -s $xvfb_number ]] && break
    sleep 0.1
  done
  [[ -s $xvfb_number ]] && export BILVARO_BENCH_DISPLAY=:$(head -1 "$xvfb_number")
fi
for bench in bench_browser bench_process bench_print bench_register; do
  step "running $bench"
  "$build/bench/$bench" "${common[@]}" --benchmark_min_time=0.2 \
    --benchmark_out="$results/$bench.json"
done
step "running bench_paradox"
"$build/bench/bench_paradox" "${common[@]}" --benchmark_repetitions=$((repetitions < 3 ? repetitions : 3)) \
  --benchmark_out="$results/bench_paradox.json"
# The goods on a file and on a server, in the same run.
store=("$build/bench/bench_store" "${common[@]}" --benchmark_min_time=0.2
       --benchmark_filter='BM_(Open|OpenAndFirstKeystroke|InsertAtCursor)(/server)?$|BM_FirstInsert$'
       --benchmark_out="$results/bench_store.json")
if command -v pg_virtualenv >/dev/null; then
  step "running bench_store, on a server in pg_virtualenv"
  pg_virtualenv -t "${store[@]}"
else
  step "running bench_store on the file only: pg_virtualenv is not installed"
  "${store[@]}"
fi

step "done"
cpu=$(lscpu | sed -n 's/^Model name: *//p' | head -1)
exec >&3
echo "Measured on $(nproc) cores ($cpu), load average $(cut -d' ' -f1-3 /proc/loadavg), $repetitions repetitions, medians:"
echo
python3 bench/report.py "$results"/*.json
