#!/usr/bin/env bash
# The Windows test command: cross-builds the program, its tests and its setup
# program (scripts/build-windows.sh), then under Wine
#   1. runs every unit and window test of the Windows build on Qt's offscreen
#      platform (passed as -platform offscreen: QT_* variables do not reach a
#      program under Wine), with the Liberation fonts in the Wine prefix so that
#      "Arial" and "Times New Roman" measure as on Linux, and the server tests
#      against a throw-away PostgreSQL cluster (tests/windows/unit_tests.sh
#      under pg_virtualenv);
#   2. installs the setup program silently for the current user, starts the
#      installed program on a private Xvfb display, updates it to the next
#      build from a web server on 127.0.0.1, closes its main menu (which writes
#      mem.txt), and uninstalls it, checking that the tables and the settings
#      file stay (tests/windows/setup_test.sh);
#   3. the program end to end as its user meets it: installed by the setup,
#      started from a start folder of its own on a private Xvfb display, an
#      original printed to a CUPS printer of the test's own that Wine sees,
#      "Нова фактура" coming back as a new copy, closed with its X over an
#      unprinted page, uninstalled (tests/windows/e2e_wine.sh, with the
#      end-to-end helpers of tests/e2e).
# Without the Windows toolchain it says that it skipped and succeeds.
# Run it as root on Debian 12 (root installs packages and runs the end-to-end
# test's CUPS scheduler).
set -euo pipefail
# shellcheck source=scripts/windows-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/windows-env.sh"
use_toolchain test-windows

step "building for Windows"
scripts/build-windows.sh

# One Wine prefix, made once and kept in the cache.
export WINEPREFIX=$win_cache/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
unset DISPLAY
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  step "making the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi

# Fonts with the metrics of Arial and Times New Roman, under the names the
# program asks for.
fonts=$WINEPREFIX/drive_c/windows/Fonts
cp -u /usr/share/fonts/truetype/liberation/Liberation{Sans,Serif}-*.ttf "$fonts/"
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v Arial /d 'Liberation Sans' /f >/dev/null
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v 'Times New Roman' /d 'Liberation Serif' /f >/dev/null

step "running the tests under Wine"
# The server tests run against a throw-away PostgreSQL cluster that
# pg_virtualenv makes for them and drops afterwards, as in scripts/test.sh
# (in a temporary folder, on the first free port from 5432 or on
# BILVARO_WIN_PGPORT).
failed=()
passed=0
cluster=()
[[ -z ${BILVARO_WIN_PGPORT:-} ]] || cluster=(-c "-p $BILVARO_WIN_PGPORT")
BILVARO_TEST_SERVER=required pg_virtualenv -t "${cluster[@]}" \
  bash "$root/tests/windows/unit_tests.sh" "$build_win" "$root" || true
summary=$build_win/test-logs/summary.txt
if [[ -f $summary ]]; then
  passed=$(sed -n 's/^passed //p' "$summary")
  read -r -a failed <<<"$(sed -n 's/^failed //p' "$summary")"
else
  echo "test-windows: the tests under Wine did not run to the end" >&2
  failed=(unit-tests)
fi

step "installing, starting, updating and uninstalling the setup program under Wine"
# The setup test's programs need a display: the Wine server of the tests
# (without one) must end first. It is stopped, not waited for: a console
# host of a helper that a test killed stays behind under Wine and would keep
# it running for ever.
wineserver -k || true
wineserver -w
version=$(sed -n 's/^project(Bilvaro2007 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
next_version=${version%.*}.$((${version##*.} + 1))
if bash "$root/tests/windows/setup_test.sh" "$build_win/Bilvaro2007-setup.exe" \
     "$build_win/bin/bilvaro_installed_build.exe" "$build_win/bin/bilvaro_next_build.exe" "$next_version" \
     "$build_win/tests/test-release-key.pem" "$root/tests/helpers/update_server.py" "$build_win/test-logs/setup"; then
  echo "PASS setup"
  passed=$((passed + 1))
else
  echo "FAIL setup (logs in $build_win/test-logs/setup)"
  failed+=(setup)
fi

step "the program end to end under Wine"
wineserver -k || true
wineserver -w
if bash "$root/tests/windows/e2e_wine.sh" "$build_win/Bilvaro2007-setup.exe" "$build_win/test-logs"; then
  echo "PASS e2e_wine"
  passed=$((passed + 1))
else
  echo "FAIL e2e_wine (logs in $build_win/test-logs/e2e_wine)"
  failed+=(e2e_wine)
fi

step "done"
echo "test-windows: ${passed} passed, ${#failed[@]} failed"
if ((${#failed[@]})); then
  echo "test-windows: failed: ${failed[*]}" >&2
  exit 1
fi
