#!/usr/bin/env bash
# The Windows test command: cross-builds the program, its tests and its setup
# program (scripts/build-windows.sh), then under Wine
#   1. runs every unit and window test of the Windows build on Qt's offscreen
#      platform (passed as -platform offscreen: QT_* variables do not reach a
#      program under Wine), with the Liberation fonts in the Wine prefix so that
#      "Arial" and "Times New Roman" measure as on Linux;
#   2. installs the setup program silently for the current user, starts the
#      installed program on a private Xvfb display, updates it to the next
#      build from a web server on 127.0.0.1, closes its main menu (which writes
#      mem.txt), and uninstalls it, checking that the tables and the settings
#      file stay (tests/windows/setup_test.sh).
# Without the Windows toolchain it says that it skipped and succeeds.
# Run it as root on Debian 12 (root is needed only to install packages).
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

failed=()
passed=0
run_test()
{
  local exe=$1 name log options=()
  name=$(basename "$exe" .exe)
  log=$build_win/test-logs/$name.txt
  # Tests with a QApplication take Qt's platform option; the others refuse it.
  grep -qs QTEST_GUILESS_MAIN "tests/$name.cpp" "tests/windows/$name.cpp" || options=(-platform offscreen)
  # QtTest writes its log to a file: its output to a redirected stdout did not
  # come through under Wine.
  if (cd "$build_win/bin" && timeout 300 wine "$exe" "${options[@]}" -o "$name.txt,txt" \
        >"$build_win/test-logs/$name.out" 2>&1); then
    status=0
  else
    status=$?
  fi
  mv -f "$build_win/bin/$name.txt" "$log" 2>/dev/null || true
  if ((status == 0)); then
    echo "PASS $name ($(grep -ao '^Totals:.*' "$log" | tr -d '\r'))"
    passed=$((passed + 1))
  else
    echo "FAIL $name (exit status $status)"
    grep -aE '^(FAIL!|   Loc:|   Actual|   Expected|QWARN|QFATAL|Totals)' "$log" | tr -d '\r' | head -40
    failed+=("$name")
  fi
}

step "running the tests under Wine"
rm -rf "$build_win/test-logs"
mkdir -p "$build_win/test-logs"
for exe in "$build_win"/bin/tst_*.exe; do
  run_test "$(basename "$exe")"
done

step "installing, starting, updating and uninstalling the setup program under Wine"
# The setup test's programs need a display: a Wine server still running from
# the tests (without one) must end first.
wineserver -w
version=$(sed -n 's/^project(Bilvaro2007 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
next_version=${version%.*}.$((${version##*.} + 1))
if bash "$root/tests/windows/setup_test.sh" "$build_win/Bilvaro2007-setup.exe" "$build_win/bin/bilvaro_next_build.exe" \
     "$next_version" "$root/tests/helpers/update_server.py" "$build_win/test-logs/setup"; then
  echo "PASS setup"
  passed=$((passed + 1))
else
  echo "FAIL setup (logs in $build_win/test-logs/setup)"
  failed+=(setup)
fi

step "done"
echo "test-windows: ${passed} passed, ${#failed[@]} failed"
if ((${#failed[@]})); then
  echo "test-windows: failed: ${failed[*]}" >&2
  exit 1
fi
