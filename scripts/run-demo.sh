#!/usr/bin/env bash
# The run command: installs what is needed, builds the program (a Release
# build in build-demo/, apart from the test command's Debug build in build/),
# lays out the demo start folder demo/ (reference tables with sample data, prices and
# currency in euro) if it is not there yet, and starts the program there under
# the Bulgarian locale on the display in $DISPLAY. Run it as root on a fresh
# Debian 12 (root is needed only to install packages).
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

if [[ -z ${DISPLAY:-} ]]; then
  echo "run-demo: DISPLAY is not set: start this from a graphical session" >&2
  echo "          (or on a virtual display: xvfb-run -s '-screen 0 1280x1024x24' scripts/run-demo.sh)" >&2
  exit 1
fi

scripts/install-deps.sh
build=build-demo
use_ccache "$root"
configure release -B "$build" -DBILVARO_TESTS=OFF
targets=(Bilvaro2007)
if ninja -C "$build" -t targets all | grep -q '^bilvaro-make-tables:'; then
  targets+=(bilvaro-make-tables)
fi
cmake --build "$build" -j2 --target "${targets[@]}"

mkdir -p demo
if [[ ! -d demo/DB ]]; then
  maker=$build/tools/bilvaro-make-tables
  if [[ ! -x $maker ]]; then
    echo "run-demo: $maker is missing (the tools/ program that makes the demo tables was not built), so demo/DB cannot be made" >&2
    exit 1
  fi
  echo "run-demo: making the demo tables in demo/DB"
  if ! "$maker" demo --demo || [[ ! -d demo/DB ]]; then
    rm -rf demo/DB
    echo "run-demo: $maker could not make the demo tables" >&2
    exit 1
  fi
  # The demo invoices in euro: its prices go to euro, and the tool gives a
  # fresh demo the default settings with the currency "EUR".
  if ! "$maker" demo --prices-to-euro; then
    rm -rf demo/DB
    echo "run-demo: $maker could not convert the demo prices to euro" >&2
    exit 1
  fi
fi

cd demo
unset LC_ALL LANGUAGE
export LANG=bg_BG.UTF-8
exec "../$build/app/Bilvaro2007"
