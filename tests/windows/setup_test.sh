#!/usr/bin/env bash
# setup_test.sh <Bilvaro2007-setup.exe> <log folder>
# Under Wine (WINEPREFIX set by the caller): installs the setup program
# silently, checks the installed folder and shortcut, starts the installed
# program in its installation folder (as the shortcut does) on a private Xvfb
# display, answers the VAT question, closes the main menu (the program writes
# mem.txt), and uninstalls, checking that the tables and mem.txt stay.
set -euo pipefail
setup=$(realpath "$1")
logs=$(realpath -m "$2")
rm -rf "$logs"
mkdir -p "$logs"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
drive_c=$WINEPREFIX/drive_c
install="$drive_c/Program Files/Bilvaro 2007"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Bilvaro 2007/Bilvaro 2007.lnk"
export LC_ALL=C.UTF-8

xvfb_pid= program_pid=
cleanup()
{
  [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT
fail() { echo "setup test: FAIL: $*" >&2; [[ -n ${DISPLAY:-} ]] && import -window root "$logs/failure.png" 2>/dev/null; exit 1; }

# Waits up to $2 seconds for the command $1 to succeed.
wait_for() { local i; for ((i = 0; i < $2 * 5; i++)); do eval "$1" && return 0; sleep 0.2; done; return 1; }

rm -rf "$install"
wine "$setup" /S >"$logs/install.log" 2>&1 || fail "the setup program failed"
for file in Bilvaro2007.exe bilvaro-make-tables.exe uninstall.exe qt.conf Qt6Core.dll sqlite3.dll \
            platforms/qwindows.dll sqldrivers/qsqlite.dll translations/qtbase_bg.qm numbertext/bg.sor \
            DB/Firm.db DB/Details.db DB/stock.db DB/customer.db; do
  [[ -f $install/$file ]] || fail "$file is not installed"
done
[[ -f $shortcut ]] || fail "no Start-menu shortcut"
[[ ! -e $install/mem.txt ]] || fail "mem.txt before the first run"

# A display of its own for the program's windows. Wine's desktop keeps the
# display of the server's first program: the setup's server (it had none)
# must end first.
wineserver -w
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>"$logs/xvfb.log")
xvfb_pid=$!
read -r -t 20 display <&3 || fail "Xvfb did not start"
export DISPLAY=:$display

(cd "$install" && exec wine Bilvaro2007.exe) >"$logs/program.log" 2>&1 &
program_pid=$!
# The first window is the VAT question; Enter takes the proposed "20%".
wait_for 'question=$(xdotool search --onlyvisible --class bilvaro2007 2>/dev/null | head -1); [[ -n $question ]]' 60 \
  || fail "the program did not come up"
import -window root "$logs/question.png"
xdotool windowfocus --sync "$question" key Return
wait_for 'menu=$(xdotool search --onlyvisible --name "Bilvaro 2007 - Меню" 2>/dev/null | head -1); [[ -n $menu ]]' 30 \
  || fail "the main menu did not appear"
import -window root "$logs/menu.png"
python3 "$here/../e2e/wm_delete.py" "$menu"
wait_for '! kill -0 $program_pid 2>/dev/null' 30 || fail "the program did not end when its main menu closed"
program_pid=
# The remembered settings, written in Windows-1251 by the Windows build.
expected=$(printf '20%%\r\n\xd4\xc0\xca\xd2\xd3\xd0\xc0\r\n' | base64)
[[ $(head -c 14 "$install/mem.txt" | base64) == "$expected" ]] || fail "mem.txt does not start with 20% and ФАКТУРА in Windows-1251"

# An archive image, as printing leaves it.
printf 'BM' >"$install/DB/InvFirm1_0000000001_.bmp"
wine "$install/uninstall.exe" /S >"$logs/uninstall.log" 2>&1 || fail "the uninstaller failed"
# The uninstaller runs on from a copy of itself in the temporary folder.
wait_for '[[ ! -e $install/uninstall.exe ]]' 60 || fail "the uninstaller did not finish"
for file in Bilvaro2007.exe Qt6Core.dll qt.conf platforms numbertext; do
  [[ ! -e $install/$file ]] || fail "$file is left after uninstalling"
done
[[ ! -e $shortcut ]] || fail "the shortcut is left after uninstalling"
for file in DB/Firm.db DB/Details.db DB/stock.db DB/customer.db DB/InvFirm1_0000000001_.bmp mem.txt; do
  [[ -f $install/$file ]] || fail "the uninstaller removed $file"
done
echo "setup test: installed, started, closed and uninstalled; tables, archive image and mem.txt kept"
