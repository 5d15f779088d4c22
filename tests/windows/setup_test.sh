#!/usr/bin/env bash
# setup_test.sh <Bilvaro2007-setup.exe> <installed build .exe> <next build .exe> <next version> <signing key>
#               <update server script> <log folder>
# Under Wine (WINEPREFIX set by the caller), as the user of the prefix:
#   1. installs the setup program silently beside an older installation under
#      "C:\Program Files\Bilvaro 2007", and checks the per-user folder
#      (%LOCALAPPDATA%\Programs\Bilvaro 2007), the Start-menu shortcut, the
#      entry in the user's Apps list (HKCU, none for all users) and that the
#      older installation's tables and settings stayed where they were, and
#      that the setup's install.log holds the table tool's Bulgarian lines;
#   2. puts the installed build (the program built with the tests' own release
#      key in place of the project's) over the installed program, starts it in
#      its folder (as the shortcut does) on a private Xvfb display, answers
#      the VAT question and, from the main menu, updates it from a web server
#      on 127.0.0.1 to the next build, signed with the tests' key: the new
#      executable is installed in place and the program starts again;
#   3. closes the main menu (the program writes mem.txt) and uninstalls,
#      checking that the tables, an archive image and mem.txt stay.
set -euo pipefail
setup=$(realpath "$1")
installed_build=$(realpath "$2")
next_build=$(realpath "$3")
next_version=$4
signing_key=$(realpath "$5")
server=$(realpath "$6")
logs=$(realpath -m "$7")
rm -rf "$logs"
mkdir -p "$logs"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/windows/wine_lib.sh
source "$here/wine_lib.sh"
export LC_ALL=C.UTF-8
tmp=$(mktemp -d)

xvfb_pid= server_pid=
cleanup()
{
  wineserver -k 2>/dev/null
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
  return 0
}
trap cleanup EXIT
fail() { echo "setup test: FAIL: $*" >&2; [[ -n ${DISPLAY:-} ]] && import -window root "$logs/failure.png" 2>/dev/null; exit 1; }

wine_user_paths
install=$WINE_INSTALL

# An older installation for all users, with its own tables and settings.
old=$WINEPREFIX/drive_c/Program\ Files/Bilvaro\ 2007
rm -rf "$install" "$old"
mkdir -p "$old/DB"
printf 'old program' >"$old/Bilvaro2007.exe"
printf 'old tables' >"$old/DB/stock.db"
printf 'old settings' >"$old/mem.txt"
before=$(cd "$old" && find . -type f -exec sha1sum {} + | sort)

wine_install "$setup" "$logs/install.log"
[[ ! -e $install/mem.txt ]] || fail "mem.txt before the first run"
cmp -s "$here/../../LICENSE" "$install/LICENSE.txt" || fail "LICENSE.txt is not the licence"
[[ $(cd "$old" && find . -type f -exec sha1sum {} + | sort) == "$before" ]] \
  || fail "the older installation under Program Files was changed"
[[ $(head -c 10 "$install/DB/stock.db") != "old tables" ]] || fail "the older tables were moved in"
# The table tool's lines in the setup's log, in UTF-16 with its byte order
# mark, as the tool wrote them: each of the four tables made, by its Windows path.
cp "$install/install.log" "$logs/setup-details.log" 2>/dev/null || fail "no install.log beside the program"
[[ $(head -c 2 "$install/install.log" | od -An -tx1 | tr -d ' ') == fffe ]] \
  || fail "install.log does not start with the UTF-16 byte order mark"
details=$(iconv -f UTF-16 -t UTF-8 "$install/install.log" | tr -d '\r') || fail "install.log is not UTF-16"
for table in Firm.db Details.db stock.db customer.db; do
  grep -qixF "Създадена: $(winepath -w "$install/DB/$table" 2>/dev/null)" <<<"$details" \
    || fail "install.log does not say that $table was made: $details"
done

# The server offers the next build.
release=$tmp/server/release/VEZOZEVURE
mkdir -p "$release"
printf '%s' "$next_version" >"$release/Bilvaro2007.txt"
cp "$next_build" "$release/Bilvaro2007.exe"
{ printf 'Bilvaro2007 %s\n' "$next_version"; cat "$next_build"; } >"$tmp/release.signed"
openssl pkeyutl -sign -inkey "$signing_key" -rawin -in "$tmp/release.signed" -out "$release/Bilvaro2007.exe.sig" \
  || fail "the next build could not be signed"
# The setup's program accepts only releases signed with the project's key,
# which stays with the release manager: the same program built with the
# tests' key stands in for it from here on.
cp "$installed_build" "$install/Bilvaro2007.exe"
exec 4< <(python3 "$server" "$tmp/server" 2>"$logs/server.log")
server_pid=$!
read -r -t 20 port <&4 || fail "the update server did not start"
export BILVARO_UPDATE_URL=http://127.0.0.1:$port/ok/release

# A display of its own for the program's windows. Wine's desktop keeps the
# display of the server's first program: the setup's server (it had none)
# must end first.
wineserver -w
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>"$logs/xvfb.log")
xvfb_pid=$!
read -r -t 20 display <&3 || fail "Xvfb did not start"
export DISPLAY=:$display

window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
# Clicks at ($2, $3) of the client area of window $1, whose client area is
# $4 x $5 pixels (Wine draws the frame around it).
click_client()
{
  local X Y WIDTH HEIGHT WINDOW SCREEN border title
  eval "$(xdotool getwindowgeometry --shell "$1")"
  border=$(((WIDTH - $4) / 2))
  title=$((HEIGHT - $5 - border))
  xdotool mousemove --sync $((X + border + $2)) $((Y + title + $3)) click 1
}
# Starts the installed program in its folder and answers the VAT question;
# the main menu's id goes to menu.
start_to_menu()
{
  local question
  wine_wait_for 'question=$(xdotool search --onlyvisible --class bilvaro2007 2>/dev/null | head -1); [[ -n $question ]]' 60 \
    || fail "the program did not come up ($1)"
  import -window root "$logs/$1-question.png"
  xdotool windowfocus --sync "$question" key Return
  wine_wait_for 'menu=$(window "Bilvaro 2007 - Меню"); [[ -n $menu ]]' 30 || fail "the main menu did not appear ($1)"
  import -window root "$logs/$1-menu.png"
}

(cd "$install" && exec wine Bilvaro2007.exe) >"$logs/program.log" 2>&1 &
first_pid=$!
start_to_menu first

# "Обновяване" (left 180, top 480, 180 x 120 of the 360 x 720 menu), then
# "Инсталирай" (left 8, top 48, 130 x 22 of the 295 x 74 update window).
click_client "$menu" 270 540 360 720
wine_wait_for 'update=$(window "^Обновяване на програмата$"); [[ -n $update ]]' 60 || fail "no update window"
import -window root "$logs/update.png"
click_client "$update" 73 59 295 74
wine_wait_for 'cmp -s "$install/Bilvaro2007.exe" "$next_build"' 60 || fail "the next build was not installed"
# The success message, then the program starts the new build in its folder.
wine_wait_for 'message=$(xdotool search --onlyvisible --class bilvaro2007 2>/dev/null | grep -vx -e "$menu" -e "$update" | head -1); [[ -n $message ]]' 30 \
  || fail "no message after the update"
import -window root "$logs/updated.png"
xdotool windowfocus --sync "$message" key Return
# By its process: a search by the menu's title finds nothing while a window
# of the ending program goes away, and would take the old menu for the new.
wine_wait_for '! kill -0 "$first_pid" 2>/dev/null' 30 || fail "the updated program did not end"
menu=
# (The previous build stays as Bilvaro2007old.exe while its process is still
# ending; a later start deletes it.)
start_to_menu restarted

restarted_pid=$(xdotool getwindowpid "$menu") || fail "the restarted program's menu names no process"
python3 "$here/../e2e/wm_delete.py" "$menu"
wine_wait_for '! kill -0 "$restarted_pid" 2>/dev/null' 30 || fail "the program did not end when its main menu closed"
timeout 60 wineserver -w || fail "a program of the prefix is still running: $(xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null)"
# What the windowed program said instead of a console: its log, if any.
cp "$install/DB/Bilvaro2007.log" "$logs/" 2>/dev/null || true
# The remembered settings, written in Windows-1251 by the Windows build.
expected=$(printf '20%%\r\n\xd4\xc0\xca\xd2\xd3\xd0\xc0\r\n' | base64)
[[ $(head -c 14 "$install/mem.txt" | base64) == "$expected" ]] || fail "mem.txt does not start with 20% and ФАКТУРА in Windows-1251"

# An archive image, as printing leaves it.
printf 'BM' >"$install/DB/InvFirm1_0000000001_.bmp"
wine_uninstall "$logs/uninstall.log" DB/Firm.db DB/Details.db DB/stock.db DB/customer.db DB/InvFirm1_0000000001_.bmp mem.txt
rm -rf "$old"
echo "setup test: installed per user, started, updated to $next_version, closed and uninstalled;" \
     "tables, archive image and mem.txt kept"
